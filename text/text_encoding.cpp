#include "text/text_encoding.h"

#if defined(_WIN32)
#include <windows.h>
#elif defined(__EMSCRIPTEN__)
#include "text/table_encoding.h"
#else
#include <iconv.h>

#include "text/iconv_cache.h"
#endif

#include <cerrno>
#include <vector>

namespace quarvex::text {

namespace {

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

#if defined(_WIN32)

std::string ConvertWindowsCodePage(std::string_view text, unsigned from, unsigned to) {
  if (text.empty()) return {};
  const int inLength = static_cast<int>(text.size());
  // Bytes that do not decode become U+FFFD; characters the target lacks, its default ('?').
  const int wideLength = ::MultiByteToWideChar(from, 0, text.data(), inLength, nullptr, 0);
  if (wideLength <= 0) return std::string(text);
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  ::MultiByteToWideChar(from, 0, text.data(), inLength, wide.data(), wideLength);
  const int outLength = ::WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (outLength <= 0) return std::string(text);
  std::string out(static_cast<std::size_t>(outLength), '\0');
  ::WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), outLength, nullptr, nullptr);
  return out;
}

std::string CodePageToUtf8(std::string_view bytes, CodePage cp) {
  if (IsAscii(bytes)) return std::string(bytes);
  return ConvertWindowsCodePage(bytes, CodePageNumber(cp), CP_UTF8);
}

std::string Utf8ToCodePage(std::string_view utf8, CodePage cp) {
  if (IsAscii(utf8)) return std::string(utf8);
  return ConvertWindowsCodePage(utf8, CP_UTF8, CodePageNumber(cp));
}

#elif defined(__EMSCRIPTEN__)

// The web build: musl's iconv lacks pages and differs from glibc's, so the text is converted
// through tables made from glibc's iconv at build time (text/table_encoding.h).
std::string CodePageToUtf8(std::string_view bytes, CodePage cp) {
  if (IsAscii(bytes)) return std::string(bytes);
  return TableCodePageToUtf8(bytes, cp);
}

std::string Utf8ToCodePage(std::string_view utf8, CodePage cp) {
  if (IsAscii(utf8)) return std::string(utf8);
  return TableUtf8ToCodePage(utf8, cp);
}

#else

namespace {

// Converts with iconv, replacing what cannot be converted and going on after it.
std::string Convert(std::string_view input, const char* to, const char* from, std::string_view replacement) {
  if (IsAscii(input)) return std::string(input);  // every code page here is ASCII below 0x80
  iconv_t cd = SharedConverter(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(input);
  std::string out;
  std::vector<char> buffer(4096);
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  // 1255 and 1258 hold a base letter back until they see whether a combining mark follows
  // it; what is held back is written out before a replacement and at the end, never lost.
  const auto flush = [&] {
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer.data(), buffer.size() - outLeft);
  };
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), buffer.size() - outLeft);
    if (result == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: one byte (or a cut sequence at the end) that does not convert.
      flush();
      out += replacement;
      // glibc's 949 decoder steps past some invalid pairs itself (0xA2 0xE8 leaves nothing
      // to read), so a skip never goes past the end.
      if (inLeft == 0) continue;
      if (from == std::string_view("UTF-8")) {
        // Skip the whole UTF-8 sequence, not just its first byte.
        do {
          ++in;
          --inLeft;
        } while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
      } else {
        ++in;
        --inLeft;
      }
    }
  }
  flush();
  return out;
}

// A double-byte page one character at a time (a lead byte with its trail, or one byte):
// glibc's 949 decoder takes more than the bad pair when it meets some (0xA2 0xE8 swallows
// the character after it), so a character is only ever given its own bytes.
std::string DoubleByteToUtf8(std::string_view bytes, CodePage cp) {
  if (IsAscii(bytes)) return std::string(bytes);
  iconv_t cd = SharedConverter("UTF-8", CodePageCharset(cp));
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(bytes);
  const LeadByteSet lead = LeadByteSet::For(cp);
  std::string out;
  char buffer[16];
  for (std::size_t at = 0; at < bytes.size();) {
    const auto b = static_cast<std::uint8_t>(bytes[at]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++at;
      continue;
    }
    const std::size_t length = lead.Contains(b) && at + 1 < bytes.size() ? 2 : 1;
    char* in = const_cast<char*>(bytes.data() + at);
    std::size_t inLeft = length;
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      out += "\xEF\xBF\xBD";
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      // Only the lead byte is taken: what follows it is read again, as a character of its own.
      ++at;
      continue;
    }
    out.append(buffer, sizeof buffer - outLeft);
    at += length;
  }
  return out;
}

}  // namespace

std::string CodePageToUtf8(std::string_view bytes, CodePage cp) {
  if (IsDoubleByte(cp)) return DoubleByteToUtf8(bytes, cp);
  return Convert(bytes, "UTF-8", CodePageCharset(cp), "\xEF\xBF\xBD");
}

std::string Utf8ToCodePage(std::string_view utf8, CodePage cp) {
  return Convert(utf8, CodePageCharset(cp), "UTF-8", "?");
}

#endif

}  // namespace quarvex::text
