#include "text/printf.h"

#include <cstdarg>
#include <cstdio>

namespace quarvex::text {

void AppendPrintfV(std::string& out, const char* format, va_list args) {
  char small[256];
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (needed <= 0) return;
  if (static_cast<std::size_t>(needed) < sizeof small) {
    out.append(small, static_cast<std::size_t>(needed));
    return;
  }
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(needed) + 1);
  std::vsnprintf(out.data() + start, static_cast<std::size_t>(needed) + 1, format, args);
  out.resize(start + static_cast<std::size_t>(needed));
}

std::string Printf(const char* format, ...) {
  std::string out;
  va_list args;
  va_start(args, format);
  AppendPrintfV(out, format, args);
  va_end(args);
  return out;
}

void AppendPrintf(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendPrintfV(out, format, args);
  va_end(args);
}

}  // namespace quarvex::text
