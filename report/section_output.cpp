#include "report/section_output.h"

#include <cstdarg>

#include "text/printf.h"

namespace quarvex::report {

using namespace quarvex::stage;

SectionOutput::SectionOutput(const StageContext& context) : context_(context) { progress_.reserve(64); }

void SectionOutput::Line(const char* format, ...) {
  va_list args;
  va_start(args, format);
  context_.report.LineV(format, args);
  va_end(args);
}

bool SectionOutput::OpenListing(std::string_view title, Option lines, std::string_view columns) {
  Text(title);
  const bool on = Checked(lines);
  if (on) Text(columns);
  return on;
}

void SectionOutput::CloseListing(Option countOption, int count) {
  if (Checked(countOption)) Line("  Total: %d Record(s)", count);
  Empty();
}

void SectionOutput::Progress(const char* format, ...) {
  va_list args;
  va_start(args, format);
  progress_.clear();
  text::AppendPrintfV(progress_, format, args);
  va_end(args);
  context_.Progress(progress_);
}

void SectionOutput::ProgressAt(std::uint64_t done, std::uint64_t total, const char* format, ...) {
  va_list args;
  va_start(args, format);
  progress_.clear();
  text::AppendPrintfV(progress_, format, args);
  va_end(args);
  context_.Progress(progress_, done, total);
}

}  // namespace quarvex::report
