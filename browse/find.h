// Find: key names, value names and value data that match a pattern.
//
// The pattern is UTF-8, and so are the names and texts it is matched against (read in the
// hive's code page). A substring by default, or an ECMAScript regular expression from the
// standard library (searched, not anchored; it sees bytes, so '.' matches one byte of a
// multi-byte character). Case-insensitive by default, folding ASCII letters only, as Windows
// 9x compares names. A key hit is a key whose own name matches (its path is what is shown).
// Data is matched as DataSearchText gives it: texts without quotes, numbers as
// "0x0000002A (42)", bytes as "01 02 03 (3 bytes)".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <regex>
#include <string>

#include "browse/hive_view.h"

namespace quarvex::browse {

struct FindQuery {
  std::string pattern;
  bool keys = true;      // key names
  bool values = true;    // value names
  bool data = true;      // value data
  bool caseSensitive = false;
  bool regex = false;
  std::optional<std::uint16_t> type;  // only values of this type (and then no key hits)
};

struct FindHit {
  std::int32_t key = kTop;
  const salvage::SalvagedValue* value = nullptr;  // null for a key hit
  bool nameMatched = false;   // the value's name matched
  bool dataMatched = false;   // the value's data matched
};

class Matcher {
 public:
  // nullopt and a reason when the regular expression does not compile.
  static std::optional<Matcher> Make(const FindQuery& query, std::string& error);
  bool Matches(std::string_view text) const;

 private:
  Matcher() = default;
  bool caseSensitive_ = false;
  std::string needle_;                  // folded unless case-sensitive
  std::shared_ptr<const std::regex> regex_;
};

// Calls onHit for each hit in pre-order of the keys (a key's hit before its values'), values
// in record order; returns the number of hits. onHit returning false stops the search.
// onKey, when given, is called before each key is looked at (for progress and cancelling, as
// the window's search does off its thread); returning false stops the search too.
std::size_t FindAll(const HiveView& view, const FindQuery& query, const Matcher& matcher,
                    const std::function<bool(const FindHit&)>& onHit,
                    const std::function<bool(std::int32_t key)>& onKey = {});

}  // namespace quarvex::browse
