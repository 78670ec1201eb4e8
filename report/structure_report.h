// The structure report: a dump of the file header, the key-node block header, every key
// node (in use and free), every data block header and every data record (in use and free).
#pragma once

namespace quarvex::report {

class AnalysisJob;

// Runs the seven sections in their fixed order, stopping at the first failure, which
// leaves its code in job.ErrorCode().
void BuildStructureReport(AnalysisJob& job);

}  // namespace quarvex::report
