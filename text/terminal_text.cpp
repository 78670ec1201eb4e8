#include "text/terminal_text.h"

#include <algorithm>

#if !defined(_WIN32)
#include <iconv.h>
#include <langinfo.h>
#include <clocale>

#include "text/iconv_cache.h"
#endif

#include <cerrno>
#include <string_view>

#include "text/text_encoding.h"

namespace quarvex::text {

namespace {

void AppendEscaped(std::string& out, std::uint8_t b) {
  static const char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[b >> 4];
  out += kHex[b & 15];
}

}  // namespace

bool IsUtf8Charset(std::string_view charset) {
  return charset == "UTF-8" || charset == "utf-8" || charset == "UTF8" || charset == "utf8";
}

#if defined(_WIN32)

std::string LocaleCharset() { return "UTF-8"; }

std::string TerminalString(std::string_view bytes, CodePage cp, const std::string&) {
  // Windows converts by code page number; bytes that do not decode show as \xNN.
  std::string out;
  const LeadByteSet lead = LeadByteSet::For(cp);
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t len = lead.Contains(static_cast<std::uint8_t>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
    const std::string_view one = bytes.substr(i, len);
    const std::string utf8 = CodePageToUtf8(one, cp);
    if (utf8.find("\xEF\xBF\xBD") != std::string::npos)
      for (char c : one) AppendEscaped(out, static_cast<std::uint8_t>(c));
    else
      out += utf8;
    i += len;
  }
  return out;
}

std::string Utf8ForTerminal(std::string_view utf8, const std::string&) { return std::string(utf8); }

#else

namespace {
bool IsUtf8Name(std::string_view charset) { return IsUtf8Charset(charset); }

// Bytes of the UTF-8 sequence a lead byte starts (1 for a stray byte).
std::size_t Utf8Length(std::uint8_t lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}
}  // namespace

std::string Utf8ForTerminal(std::string_view utf8, const std::string& charset) {
  if (IsUtf8Charset(charset)) return std::string(utf8);
  iconv_t cd = SharedConverter(charset.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  char buffer[16];
  for (std::size_t at = 0; at < utf8.size();) {
    const auto lead = static_cast<std::uint8_t>(utf8[at]);
    if (lead < 0x80) {  // every charset a terminal uses agrees below 0x80
      out += utf8[at++];
      continue;
    }
    const std::size_t length = std::min(Utf8Length(lead), utf8.size() - at);
    char* in = const_cast<char*>(utf8.data() + at);
    std::size_t inLeft = length;
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      for (std::size_t k = 0; k < length; ++k) AppendEscaped(out, static_cast<std::uint8_t>(utf8[at + k]));
    } else {
      out.append(buffer, sizeof buffer - outLeft);
    }
    at += length;
  }
  return out;
}

std::string LocaleCharset() {
  // Only LC_CTYPE is asked for, and given back as it was: the report's numbers and dates keep
  // their own locale handling (text/text_locale.h).
  const char* previous = std::setlocale(LC_CTYPE, nullptr);
  const std::string saved = previous ? previous : "C";
  std::string charset = "UTF-8";
  if (std::setlocale(LC_CTYPE, "")) {
    const char* codeset = nl_langinfo(CODESET);
    if (codeset && *codeset) charset = codeset;
  }
  std::setlocale(LC_CTYPE, saved.c_str());
  if (charset == "ANSI_X3.4-1968" || charset == "ASCII" || charset == "US-ASCII") charset = "UTF-8";
  return charset;
}

std::string TerminalString(std::string_view bytes, CodePage cp, const std::string& charset) {
  bool ascii = true;
  for (char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::string(bytes);  // every code page and every terminal agree below 0x80
  iconv_t cd = SharedConverter(charset.c_str(), CodePageCharset(cp));
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // A locale iconv does not know: UTF-8, which every current terminal reads.
    if (IsUtf8Name(charset)) {
      std::string out;
      for (char c : bytes) AppendEscaped(out, static_cast<std::uint8_t>(c));
      return out;
    }
    return TerminalString(bytes, cp, "UTF-8");
  }
  // One character at a time (a lead byte and its trail, or one byte), so that a character
  // that does not convert is known by its own bytes whatever the decoder does with them.
  const LeadByteSet lead = LeadByteSet::For(cp);
  std::string out;
  char buffer[64];
  const auto flush = [&] {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, sizeof buffer - outLeft);
  };
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t length = 1;
    if (lead.Contains(static_cast<std::uint8_t>(bytes[at])) && at + 1 < bytes.size() &&
        static_cast<std::uint8_t>(bytes[at + 1]) >= 0x40)
      length = 2;
    char* in = const_cast<char*>(bytes.data() + at);
    std::size_t inLeft = length;
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, sizeof buffer - outLeft);
    if (result == static_cast<std::size_t>(-1)) {
      // A byte that is no character, or a character the terminal lacks: its bytes as \xNN.
      flush();
      for (std::size_t k = 0; k < length; ++k) AppendEscaped(out, static_cast<std::uint8_t>(bytes[at + k]));
    }
    at += length;
  }
  flush();
  return out;
}

#endif

std::string TerminalText(const ReportLines& lines, CodePage cp, const std::string& charset, std::string_view lineEnd) {
  std::string text;
  text.reserve(lines.SavedSize());
  for (std::size_t i = 0; i < lines.Count(); ++i) {
    text += TerminalString(lines[i], cp, charset);
    text += lineEnd;
  }
  return text;
}

}  // namespace quarvex::text
