#include "browse/find.h"

#include "browse/value_text.h"

namespace quarvex::browse {

std::optional<Matcher> Matcher::Make(const FindQuery& query, std::string& error) {
  Matcher m;
  m.caseSensitive_ = query.caseSensitive;
  if (query.regex) {
    auto flags = std::regex_constants::ECMAScript;
    if (!query.caseSensitive) flags |= std::regex_constants::icase;
    try {
      m.regex_ = std::make_shared<const std::regex>(query.pattern, flags);
    } catch (const std::regex_error& e) {
      error = "not a regular expression: '" + query.pattern + "': " + e.what();
      return std::nullopt;
    }
  } else {
    m.needle_ = query.caseSensitive ? query.pattern : FoldAscii(query.pattern);
  }
  return m;
}

bool Matcher::Matches(std::string_view text) const {
  if (regex_) return std::regex_search(text.begin(), text.end(), *regex_);
  if (caseSensitive_) return text.find(needle_) != std::string_view::npos;
  return FoldAscii(text).find(needle_) != std::string::npos;
}

std::size_t FindAll(const HiveView& view, const FindQuery& query, const Matcher& matcher,
                    const std::function<bool(const FindHit&)>& onHit,
                    const std::function<bool(std::int32_t key)>& onKey) {
  std::size_t hits = 0;
  const bool keys = query.keys && !query.type;
  view.Walk(kTop, 0, [&](std::int32_t key, int) {
    if (onKey && !onKey(key)) return false;
    if (keys && matcher.Matches(view.Name(key))) {
      ++hits;
      if (!onHit(FindHit{key, nullptr, false, false})) return false;
    }
    if (!query.values && !query.data) return true;
    for (const salvage::SalvagedValue& v : view.Values(key)) {
      if (query.type && v.type != *query.type) continue;
      FindHit hit{key, &v, false, false};
      hit.nameMatched = query.values && matcher.Matches(ValueName(v, view.CodePage()));
      hit.dataMatched = query.data && matcher.Matches(DataSearchText(v, view.CodePage()));
      if (hit.nameMatched || hit.dataMatched) {
        ++hits;
        if (!onHit(hit)) return false;
      }
    }
    return true;
  });
  return hits;
}

}  // namespace quarvex::browse
