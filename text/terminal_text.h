// Report lines for a terminal: converted from the hive's code page into the encoding of the
// user's locale (UTF-8 on current systems), each line ended as the platform ends lines. What
// cannot be shown is written as \xNN (the byte in the hive's code page), never dropped: a
// byte that is no character of the code page, and a character the terminal's encoding lacks
// (each byte of it). Files keep the bytes the window saves (text/report_file.h).
#pragma once

#include <string>
#include <string_view>

#include "text/codepage.h"
#include "text/report_lines.h"

namespace quarvex::text {

#if defined(_WIN32)
inline constexpr std::string_view kPlatformLineEnd = "\r\n";
#else
inline constexpr std::string_view kPlatformLineEnd = "\n";
#endif

// The character encoding of the locale the environment names (LC_ALL, LC_CTYPE, LANG), as
// iconv knows it. The C and POSIX locales say ASCII; UTF-8, its superset, is taken for them,
// as terminals today speak it. Windows: UTF-8.
std::string LocaleCharset();

// One text from cp into charset, with \xNN for what cannot be shown.
std::string TerminalString(std::string_view bytes, CodePage cp, const std::string& charset);

// Whether a charset name is UTF-8's.
bool IsUtf8Charset(std::string_view charset);
// UTF-8 text (the lines of ls, get, find ...) in charset, each character it lacks as \xNN of
// its UTF-8 bytes; unchanged when charset is UTF-8.
std::string Utf8ForTerminal(std::string_view utf8, const std::string& charset);

// Every line through TerminalString, each followed by lineEnd.
std::string TerminalText(const ReportLines& lines, CodePage cp, const std::string& charset,
                         std::string_view lineEnd = kPlatformLineEnd);

}  // namespace quarvex::text
