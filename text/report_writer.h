// The one way report text is written: lines appended to the report buffer, each formatted
// into a reused buffer, so a report of hundreds of thousands of lines allocates nothing per
// line once the buffer has grown to the longest line.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "text/report_lines.h"

namespace quarvex::text {

class ReportWriter {
 public:
  explicit ReportWriter(ReportLines& lines);

  // One line from a printf format (hexadecimal as %X: the report shows upper case).
  void Line(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void LineV(const char* format, va_list args) __attribute__((format(printf, 2, 0)));
  // One line of fixed text; an empty one is an empty line.
  void Text(std::string_view text) { lines_.Append(text); }
  void Empty() { lines_.Append({}); }
  // An emptied buffer, reused, for a line built piece by piece and then passed to Text.
  std::string& Compose() {
    compose_.clear();
    return compose_;
  }
  const ReportLines& Lines() const { return lines_; }

 private:
  ReportLines& lines_;
  std::string line_;
  std::string compose_;
};

}  // namespace quarvex::text
