// Facts of several copies of one hive (the live file and its backups) told as one hive through
// time: the newest copy's facts, and under each what older copies held there when it differed;
// a fact no newer copy has stays, as a fact of the older copy it came from.
#pragma once

#include <span>
#include <vector>

#include "facts/collect.h"

namespace quarvex::facts {

// Folds the facts of older copies (HiveSource::newestCopy) into the facts of newer copies of the
// same hive, matched by definition, key path and value name (ASCII letters folded), MRU place,
// link and whether recovered: alike ones are dropped, differing ones go into the newer fact's
// `older` list (the youngest copy holding it takes them). The facts' order is kept.
void FoldOlderCopies(std::span<const HiveSource> sources, std::vector<Fact>& facts);

// "older copy NAME (DATE)": how the reports mark what an older copy held.
std::string OlderCopyText(const HiveSource& source);

}  // namespace quarvex::facts
