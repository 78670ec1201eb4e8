// The analyser's section of the report: the space table, the checksum counts with the flagged
// keys' paths, and the record sizes, from a finished analysis.
#pragma once

#include "analyzer/analysis_result.h"
#include "text/report_writer.h"
#include "text/text_locale.h"

namespace quarvex::report {

// listPaths: whether the bad and ghost keys' paths follow their counts (cbKeys).
void WriteAnalyzerSection(text::ReportWriter& out, const analyzer::AnalysisResult& result,
                          const text::TextLocale& locale, bool listPaths);

}  // namespace quarvex::report
