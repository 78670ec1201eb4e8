#include "facts/older_copies.h"

#include <algorithm>
#include <map>
#include <tuple>

#include <string>

namespace quarvex::facts {

namespace {

std::string FoldedAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  return out;
}

// What makes two copies' facts the same place.
using Place =
    std::tuple<const FactDefinition*, std::size_t, std::string, std::string, bool, std::string, std::uint32_t, bool>;

Place PlaceOf(const Fact& f, std::size_t newest) {
  return {f.definition, newest, FoldedAscii(f.keyPath), FoldedAscii(f.valueName),
          f.recovered,  f.via,  f.position.value_or(0), f.hasValue};
}

bool Alike(const Fact& a, const Fact& b) { return a.type == b.type && a.data == b.data && a.text == b.text; }

}  // namespace

std::string OlderCopyText(const HiveSource& source) {
  return "older copy " + source.file + " (" + (source.copyWhen.empty() ? std::string("no date") : source.copyWhen) +
         ")";
}

void FoldOlderCopies(std::span<const HiveSource> sources, std::vector<Fact>& facts) {
  if (std::none_of(sources.begin(), sources.end(), [](const HiveSource& s) { return s.newestCopy.has_value(); }))
    return;
  const auto newestOf = [&](std::size_t hive) { return sources[hive].newestCopy.value_or(hive); };
  const auto ageOf = [&](std::size_t hive) { return sources[hive].newestCopy ? sources[hive].copyAge : 0; };
  // Younger copies first, so that each fact meets the rows of every newer copy before it.
  std::vector<std::size_t> order(facts.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return ageOf(facts[a].hive) < ageOf(facts[b].hive); });
  std::map<Place, std::size_t> rows;  // the row kept for a place: the youngest copy's fact
  std::vector<bool> kept(facts.size(), true);
  for (const std::size_t i : order) {
    const Place place = PlaceOf(facts[i], newestOf(facts[i].hive));
    const auto row = rows.find(place);
    if (row == rows.end()) {
      rows.emplace(place, i);
      continue;
    }
    if (ageOf(facts[i].hive) == ageOf(facts[row->second].hive)) continue;  // two facts of one copy
    kept[i] = false;
    Fact& newer = facts[row->second];
    if (!Alike(newer, facts[i]) &&
        std::none_of(newer.older.begin(), newer.older.end(), [&](const Fact& o) { return o.hive == facts[i].hive; }))
      newer.older.push_back(std::move(facts[i]));
  }
  std::vector<Fact> out;
  for (std::size_t i = 0; i < facts.size(); ++i)
    if (kept[i]) out.push_back(std::move(facts[i]));
  facts = std::move(out);
}

}  // namespace quarvex::facts
