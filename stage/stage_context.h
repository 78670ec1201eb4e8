// What a stage is given: the loaded hive with its tables, the option boxes, the code page's
// rules, the report writer and the progress line. Stages (the analysis, the structure report,
// the export) take this and return what they found; none of them knows the job that runs
// them or the window that shows it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>

#include "hive/hive_state.h"
#include "stage/options.h"
#include "text/codepage.h"
#include "text/report_writer.h"
#include "text/text_locale.h"

namespace quarvex::stage {

// Receives progress texts ("ANA:00000020"), one per key node or record, with how far the walk
// has come (`done` of `total`; both 0 when the text does not say): keep it cheap.
using ProgressSink = std::function<void(std::string_view text, std::uint64_t done, std::uint64_t total)>;

struct StageContext {
  hive::Hive& hive;
  const AnalysisOptions& options;
  text::CodePage codePage;
  const text::LeadByteSet& leadBytes;
  const text::TextLocale& locale;
  text::ReportWriter& report;
  ProgressSink progress;

  bool Checked(Option option) const { return options[option]; }
  void Progress(std::string_view text, std::uint64_t done = 0, std::uint64_t total = 0) const {
    if (progress) progress(text, done, total);
  }
};

// How many key nodes the key-node block has room for (the measure of a key walk's progress):
// by its header's size, never past the end of the file.
inline std::uint64_t KeyNodeSlots(const hive::Hive& hive, const hive::RgknHeader& rgkn) {
  const auto size = std::min<std::int64_t>(rgkn.iBlkSize, static_cast<std::int64_t>(hive.hiveImage.Size()));
  return size > static_cast<std::int64_t>(hive::RgknHeader::kSize)
             ? static_cast<std::uint64_t>(size - static_cast<std::int64_t>(hive::RgknHeader::kSize)) /
                   hive::KeyNode::kSize
             : 0;
}

}  // namespace quarvex::stage
