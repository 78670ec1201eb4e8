#include "text/text_encoding.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <iconv.h>
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

namespace {

unsigned WindowsCodePage(CodePage cp) {
  switch (cp) {
    case CodePage::Cp932: return 932;
    case CodePage::Cp936: return 936;
    case CodePage::Cp949: return 949;
    case CodePage::Cp950: return 950;
    case CodePage::SingleByte: return 1252;
  }
  return 932;
}

}  // namespace

std::string CodePageToUtf8(std::string_view bytes, CodePage cp) {
  if (IsAscii(bytes)) return std::string(bytes);
  return ConvertWindowsCodePage(bytes, WindowsCodePage(cp), CP_UTF8);
}

std::string Utf8ToCodePage(std::string_view utf8, CodePage cp) {
  if (IsAscii(utf8)) return std::string(utf8);
  return ConvertWindowsCodePage(utf8, CP_UTF8, WindowsCodePage(cp));
}

#else

namespace {

// Converts with iconv, replacing what cannot be converted and going on after it.
std::string Convert(std::string_view input, const char* to, const char* from, std::string_view replacement) {
  if (IsAscii(input)) return std::string(input);  // every code page here is ASCII below 0x80
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(input);
  std::string out;
  std::vector<char> buffer(4096);
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), buffer.size() - outLeft);
    if (result == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: one byte (or a cut sequence at the end) that does not convert.
      out += replacement;
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
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string CodePageToUtf8(std::string_view bytes, CodePage cp) {
  return Convert(bytes, "UTF-8", CodePageCharset(cp), "\xEF\xBF\xBD");
}

std::string Utf8ToCodePage(std::string_view utf8, CodePage cp) {
  return Convert(utf8, CodePageCharset(cp), "UTF-8", "?");
}

#endif

}  // namespace quarvex::text
