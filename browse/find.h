// Find: key names, value names and value data that match a pattern (browse/find_matcher.h).
//
// A key hit is a key whose own name matches (its path is what is shown). Data is matched as
// DataSearchText gives it: texts without quotes, numbers as "0x0000002A (42)", bytes as
// "01 02 03 (3 bytes)". Data that is neither text nor a number (REG_BINARY and the rest) is
// also matched string by string as the strings inside it (browse/embedded_strings.h), read
// in the hive's code page and as UTF-16LE; such a hit says which string matched and where.
// A byte pattern matches the raw data of every value, and nothing else.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "browse/data_span.h"
#include "browse/find_matcher.h"
#include "browse/hive_view.h"

namespace quarvex::browse {

struct FindQuery {
  std::string pattern;
  PatternSyntax syntax = PatternSyntax::Text;
  bool keys = true;    // key names
  bool values = true;  // value names
  bool data = true;    // value data
  bool caseSensitive = false;
  std::optional<std::uint16_t> type;  // only values of this type (and then no key hits)
};

struct FindHit {
  std::int32_t key = kTop;
  const salvage::SalvagedValue* value = nullptr;  // null for a key hit
  bool nameMatched = false;                       // the value's name matched
  bool dataMatched = false;                       // the value's data matched
  // Where in the data: the first string inside binary data that matched, or the bytes a byte
  // pattern matched. Empty when the data's text matched as a whole.
  std::optional<DataSpan> inside;
};

// The query's matcher; nullopt and the reason when its pattern is not one.
std::optional<Matcher> MakeMatcher(const FindQuery& query, std::string& error);

// Whether find reads the strings inside this value's data: it is neither a text, a list of
// texts nor a number of its type's size.
bool SearchesInside(const salvage::SalvagedValue& value);

// Calls onHit for each hit in pre-order of the keys (a key's hit before its values'), values
// in record order; returns the number of hits. onHit returning false stops the search.
// onKey, when given, is called before each key is looked at (for progress and cancelling, as
// the window's search does off its thread); returning false stops the search too.
std::size_t FindAll(const HiveView& view, const FindQuery& query, const Matcher& matcher,
                    const std::function<bool(const FindHit&)>& onHit,
                    const std::function<bool(std::int32_t key)>& onKey = {});

}  // namespace quarvex::browse
