// Fuzz target: the web build's code page tables (text/table_encoding.h) against glibc's iconv,
// which the native builds use. Whatever the bytes, read in every code page and written back
// from UTF-8, the tables give exactly what glibc gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "text/codepage.h"
#include "text/table_encoding.h"
#include "text/text_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quarvex;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size < 4096 ? size : 4096);
  for (text::CodePage cp : text::AllCodePages()) {
    if (text::TableCodePageToUtf8(bytes, cp) != text::CodePageToUtf8(bytes, cp)) std::abort();
    if (text::TableUtf8ToCodePage(bytes, cp) != text::Utf8ToCodePage(bytes, cp)) std::abort();
  }
  return 0;
}
