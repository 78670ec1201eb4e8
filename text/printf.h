// printf-style formatting into a std::string. The report's formats are C formats with one
// house rule: hexadecimal is always upper case, so callers write %X where the report shows hex.
#pragma once

#include <cstdarg>
#include <string>

// MinGW builds use its C99 printf family (__USE_MINGW_ANSI_STDIO), which knows %zu and %lld.
#if defined(_WIN32)
#define QUARVEX_PRINTF_FORMAT gnu_printf
#else
#define QUARVEX_PRINTF_FORMAT printf
#endif

namespace quarvex::text {

std::string Printf(const char* format, ...) __attribute__((format(QUARVEX_PRINTF_FORMAT, 1, 2)));

// Appends to out instead of returning a new string.
void AppendPrintf(std::string& out, const char* format, ...) __attribute__((format(QUARVEX_PRINTF_FORMAT, 2, 3)));

// The same, for callers that take their own variable arguments.
void AppendPrintfV(std::string& out, const char* format, va_list args);

}  // namespace quarvex::text
