#include "report/section_output.h"

#include <cstdarg>

#include "text/printf.h"

namespace quarvex::report {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;


namespace {

// Formats into out, replacing what it held; no allocation once out has grown to the line.
void FormatInto(std::string& out, const char* format, va_list args) {
  out.clear();
  AppendPrintfV(out, format, args);
}

}  // namespace

SectionOutput::SectionOutput(AnalysisJob& job) : job_(job) {
  line_.reserve(256);
  compose_.reserve(256);
  progress_.reserve(64);
}

void SectionOutput::Line(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatInto(line_, format, args);
  va_end(args);
  job_.AppendLine(line_);
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
  FormatInto(progress_, format, args);
  va_end(args);
  job_.ShowProgress(progress_);
}

}  // namespace quarvex::report
