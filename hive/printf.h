// printf-style formatting into a std::string. The report's formats are C formats with one
// house rule: hexadecimal is always upper case, so callers write %X where the report shows hex.
#pragma once

#include <string>

namespace quarvex {

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Appends to out instead of returning a new string.
void AppendPrintf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace quarvex
