// What a stage is given: the loaded hive with its tables, the option boxes, the code page's
// rules, the report writer and the progress line. Stages (the analysis, the structure report,
// the export) take this and return what they found; none of them knows the job that runs
// them or the window that shows it.
#pragma once

#include <functional>
#include <string_view>

#include "hive/hive_state.h"
#include "stage/options.h"
#include "text/codepage.h"
#include "text/report_writer.h"
#include "text/text_locale.h"

namespace quarvex::stage {

// Receives progress texts ("ANA:00000020"), one per key node or record: keep it cheap.
using ProgressSink = std::function<void(std::string_view text)>;

struct StageContext {
  hive::Hive& hive;
  const AnalysisOptions& options;
  text::CodePage codePage;
  const text::LeadByteSet& leadBytes;
  const text::TextLocale& locale;
  text::ReportWriter& report;
  ProgressSink progress;

  bool Checked(Option option) const { return options[option]; }
  void Progress(std::string_view text) const {
    if (progress) progress(text);
  }
};

}  // namespace quarvex::stage
