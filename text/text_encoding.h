// Between the hive's code page and UTF-8. Report lines and key names are bytes in the code
// page the hive was written in; a terminal, the desktop window and file names of this host
// speak UTF-8. Bytes that do not decode become U+FFFD; characters the code page lacks, '?'.
#pragma once

#include <string>
#include <string_view>

#include "text/codepage.h"

namespace quarvex::text {

std::string CodePageToUtf8(std::string_view bytes, CodePage cp);
std::string Utf8ToCodePage(std::string_view utf8, CodePage cp);

#if defined(_WIN32)
// Between two Windows code pages (CP_ACP, CP_UTF8, 932 ...), through UTF-16.
std::string ConvertWindowsCodePage(std::string_view text, unsigned from, unsigned to);
#endif

}  // namespace quarvex::text
