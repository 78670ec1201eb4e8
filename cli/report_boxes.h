// The report's option boxes by what each does, grouped as the analyser window groups them (the
// analysis, then the structure report), in its order; a box that refines the one above it
// (its count, its ruler) is worded "  with ...". quarvex-cli --help lists them under their
// window names, and the web page offers them by these words.
#pragma once

#include <span>
#include <string_view>

#include "stage/options.h"

namespace quarvex::cli {

struct ReportBox {
  stage::Option option;
  std::string_view meaning;
};

std::span<const ReportBox> AnalysisBoxes();
std::span<const ReportBox> StructureBoxes();

}  // namespace quarvex::cli
