// The facts one key gives under one definition of the fact table: the values it picks (named,
// numbered, an MRU list's order, all), each decoded as the definition shows it, the facts of
// the keys it links to, and the findings of a damaged key. collect.cpp finds the keys (live and
// recovered) whose paths match; this part makes their facts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browse/hive_view.h"
#include "facts/collect.h"
#include "facts/fact_definition.h"
#include "facts/time_zone.h"
#include "recover/recover.h"
#include "salvage/salvage.h"

namespace quarvex::facts {

// A value as both the live tree and recovery hand it over.
struct RawValue {
  salvage::SalvagedValue value;  // offset, type, name bytes, data bytes, cut
  std::string name;              // UTF-8
};

// One key that matched a definition's pattern, with everything a fact takes from it.
struct MatchedKey {
  std::size_t hive = 0;
  std::string path;                 // UTF-8
  std::string name;                 // UTF-8, the last component
  std::optional<std::int32_t> key;  // live key
  std::optional<std::size_t> recoveredKey;
  bool recovered = false;
  recover::Confidence confidence = recover::Confidence::High;
  std::vector<std::string> findings;
  bool valuesUnreadable = false;  // the record or some announced values could not be read
  std::vector<RawValue> values;
  const HiveZone* zone = nullptr;  // the machine's time zone, when a system.dat names it
};

struct CompiledDefinition {
  const FactDefinition* definition;
  std::vector<std::string> pattern;   // folded components
  std::vector<std::string> names;     // folded value names (Named) or the folded prefix (Numbered)
  std::string whereName, whereValue;  // folded
};

// The value of the key with this folded name; nullptr for none.
const RawValue* FindValue(const MatchedKey& key, std::string_view foldedName);

// The problems of a live key a fact of it carries: its state's marks and the findings about it.
std::vector<std::string> KeyFindings(const browse::HiveView& view, std::int32_t key);

// Appends the facts key gives under c (none when c's where-condition does not hold).
void Emit(const CompiledDefinition& c, const MatchedKey& key, const browse::HiveView& view, std::vector<Fact>& out);

}  // namespace quarvex::facts
