// Code page conversions through the tables made from glibc's iconv (text/codepage_tables.h),
// giving what text/text_encoding.cpp gives with glibc: the web build's conversions, where
// the C library's iconv is musl's. A page without tables throws rather than guessing.
#pragma once

#include <string>
#include <string_view>

#include "text/codepage.h"

namespace quarvex::text {

std::string TableCodePageToUtf8(std::string_view bytes, CodePage cp);
std::string TableUtf8ToCodePage(std::string_view utf8, CodePage cp);

}  // namespace quarvex::text
