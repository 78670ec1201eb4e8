#include "browse/find.h"

#include "browse/embedded_strings.h"
#include "browse/value_text.h"

namespace quarvex::browse {

namespace {

// The first match inside the value's data, by the byte pattern or among its strings.
std::optional<DataSpan> MatchInside(const salvage::SalvagedValue& v, const Matcher& matcher, text::CodePage cp) {
  if (const BytePattern* bytes = matcher.Bytes()) {
    if (const auto at = bytes->Find(v.data)) return DataSpan{*at, bytes->Size(), SpanKind::Bytes, {}};
    return std::nullopt;
  }
  if (!SearchesInside(v)) return std::nullopt;
  for (DataSpan& s : EmbeddedStrings(v.data, cp))
    if (matcher.Matches(s.text)) return std::move(s);
  return std::nullopt;
}

}  // namespace

std::optional<Matcher> MakeMatcher(const FindQuery& query, std::string& error) {
  return Matcher::Make(query.pattern, query.syntax, query.caseSensitive, error);
}

bool SearchesInside(const salvage::SalvagedValue& value) { return !ShownAsTextOrNumber(value); }

std::size_t FindAll(const HiveView& view, const FindQuery& query, const Matcher& matcher,
                    const std::function<bool(const FindHit&)>& onHit,
                    const std::function<bool(std::int32_t key)>& onKey) {
  std::size_t hits = 0;
  const bool bytes = matcher.Syntax() == PatternSyntax::Bytes;
  const bool keys = query.keys && !query.type && !bytes;
  const bool names = query.values && !bytes;
  const bool data = query.data || bytes;
  view.Walk(kTop, 0, [&](std::int32_t key, int) {
    if (onKey && !onKey(key)) return false;
    if (keys && matcher.Matches(view.Name(key))) {
      ++hits;
      if (!onHit(FindHit{key, nullptr, false, false, std::nullopt})) return false;
    }
    if (!names && !data) return true;
    for (const salvage::SalvagedValue& v : view.Values(key)) {
      if (query.type && v.type != *query.type) continue;
      FindHit hit{key, &v, false, false, std::nullopt};
      hit.nameMatched = names && matcher.Matches(ValueName(v, view.CodePage()));
      if (data && !bytes) hit.dataMatched = matcher.Matches(DataSearchText(v, view.CodePage()));
      if (data && !hit.dataMatched) {
        hit.inside = MatchInside(v, matcher, view.CodePage());
        hit.dataMatched = hit.inside.has_value();
      }
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
