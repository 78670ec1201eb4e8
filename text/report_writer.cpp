#include "text/report_writer.h"

#include <cstdarg>

#include "text/printf.h"

namespace quarvex::text {

ReportWriter::ReportWriter(ReportLines& lines) : lines_(lines) {
  line_.reserve(256);
  compose_.reserve(256);
}

void ReportWriter::Line(const char* format, ...) {
  va_list args;
  va_start(args, format);
  LineV(format, args);
  va_end(args);
}

void ReportWriter::LineV(const char* format, va_list args) {
  line_.clear();
  AppendPrintfV(line_, format, args);
  lines_.Append(line_);
}

}  // namespace quarvex::text
