// Live keys that a recovered record is a copy of, and what differs between them.
//
// Windows 9x writes a key's record anew elsewhere when it grows and frees the old one, so
// most freed records that still read as a key are older copies of a live key: the same name
// and values, or an older set of them. A copy is told by its content: a live key of the same
// name (case folded) with the same values, or the only live key of that name sharing a value
// name with it. A placed deleted key names the live key at its own path, when one is there.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "recover/scene.h"

namespace quarvex::recover::detail {

class LiveKeyIndex {
 public:
  // Indexes only the live keys whose name one of the candidates has: a 100,000-key hive with a
  // few hundred candidates costs one pass over the names, not a table of every path.
  explicit LiveKeyIndex(const Scene& scene);
  // Sets copyOf, copyIdentical and copyMatches of the candidates no key node is tied to.
  void FindCopies(std::vector<Candidate>& candidates, ImageReader& in) const;
  // The live key named name (case folded) under the live key parent (kNoIndex: the top level,
  // below an unnamed root), kNoIndex when none.
  std::int32_t KeyUnder(std::int32_t parent, hive::Bytes name) const;
  // Live keys named name under a live key of the same name as parent (not parent itself): a
  // deleted "Run" under a "CurrentVersion" fits it when another "CurrentVersion" has a "Run".
  // Support for a placement, never a placement itself.
  std::vector<std::int32_t> NamesakesUnderNamesakes(std::int32_t parent, hive::Bytes name) const;
  // How the recovered (older) state differs from the live key's: values added since, removed
  // since, changed since.
  LiveCounterpart Compare(std::int32_t key, const std::vector<RecoveredValue>& values) const;

 private:
  const Scene& scene_;
  std::unordered_map<std::string, std::vector<std::int32_t>> byName_;
};

std::string FoldCase(std::string_view bytes);  // ASCII letters folded, as the registry compares names

}  // namespace quarvex::recover::detail
