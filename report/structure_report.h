// The structure report: a dump of the file header, the key-node block header, every key
// node (in use and free), every data block header and every data record (in use and free).
#pragma once

#include "stage/stage_context.h"

namespace quarvex::report {

// Runs the seven sections in their fixed order, stopping at the first failure, which leaves
// its code (and finding) in the hive.
void BuildStructureReport(const stage::StageContext& context);

}  // namespace quarvex::report
