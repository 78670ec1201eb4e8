// The analyser stage: space use of every block, key-name checksum verdicts and record sizes.
#pragma once

namespace quarvex::analyzer {

class AnalysisJob;

// Walks the key tree and the free lists once, fills the nine chart series and, when
// cbANrep is checked, appends the analyser report section. Failures leave a code in
// job.ErrorCode().
void AnalyzeSpace(AnalysisJob& job);

}  // namespace quarvex::analyzer
