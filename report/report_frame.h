// The lines that open and close every report: the program, the analysing machine and the
// analysed file; then the closing time.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_facts.h"
#include "text/codepage.h"
#include "text/report_writer.h"
#include "text/text_locale.h"

namespace quarvex::report {

struct ReportHeading {
  const host::HostFacts& host;
  std::string fileName;  // UTF-8, as given
  std::uint64_t fileSize = 0;
  text::CodePage codePage;  // of the report's bytes
  const text::TextLocale& locale;
  text::LocalDateTime now;
};

// The 17 header lines. Host facts and the file name are UTF-8 here; the report is in the
// hive's code page.
void WriteReportHeader(text::ReportWriter& out, const ReportHeading& heading);
// An empty line and " Done: " with the time.
void WriteReportClosing(text::ReportWriter& out, const text::TextLocale& locale, const text::LocalDateTime& now);

}  // namespace quarvex::report
