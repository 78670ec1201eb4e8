// Following the places where one key of a system.dat names another (see Link in
// fact_definition.h): the active time zone's entry in the Time Zones table, and a network
// adapter's driver and the protocols bound to it. Every link is looked up in the live tree of
// the same hive, at the top (system places lie there), and a value that names a key must name
// one of the expected shape (two components such as "Net\0000"): a crafted value can point
// nowhere else.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browse/hive_view.h"
#include "facts/fact_definition.h"

namespace quarvex::facts {

// A key reached by a link, and which of its values become facts.
struct LinkedKey {
  std::int32_t key = browse::kTop;                        // live key of the view
  std::string via;                                        // UTF-8: how it was reached ("the driver: Driver = Net\0000")
  std::vector<std::pair<std::string_view, Show>> values;  // value names, in order, and how shown
};

struct LinkResult {
  std::string note;             // for the matched key's first fact: what the link found or missed
  std::vector<LinkedKey> keys;  // in order
};

// The matched key as the links see it: its live index (none for a recovered key), its path in
// UTF-8, and its values by name (UTF-8, ASCII letters in any case).
struct LinkSource {
  std::optional<std::int32_t> key;
  std::string path;
  std::function<const salvage::SalvagedValue*(std::string_view name)> value;
};

LinkResult FollowLink(Link link, const browse::HiveView& view, const LinkSource& source);

}  // namespace quarvex::facts
