#include "browse/path_lookup.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quarvex::browse {

namespace {

// The children of one key by their folded names (the first of equal names), and the longest
// name: a candidate longer than that is no name here, so a path of many slashes costs no more
// than its length times the names' length.
struct Level {
  std::unordered_map<std::string, std::int32_t> byName;
  std::size_t longest = 0;
};

Level LevelOf(const HiveView& view, std::int32_t key) {
  Level level;
  for (std::int32_t child : view.Children(key)) {
    const std::string name = FoldAscii(view.Name(child));
    level.longest = std::max(level.longest, name.size());
    level.byName.emplace(name, child);
  }
  return level;
}

struct Token {
  std::string text;
  bool endsComponent = false;  // a backslash (or the path's end) follows it
};

std::vector<Token> Tokens(std::string_view path) {
  std::vector<Token> tokens;
  for (const std::string& component : SplitKeyPath(path)) {
    std::size_t begin = 0;
    while (true) {
      const std::size_t slash = component.find('/', begin);
      tokens.push_back(
          {component.substr(begin, slash == std::string::npos ? std::string::npos : slash - begin), false});
      if (slash == std::string::npos) break;
      begin = slash + 1;
    }
    tokens.back().endsComponent = true;
  }
  return tokens;
}

Lookup Miss(const HiveView& view, std::int32_t at, const std::string& name) {
  const std::string walked = at == kTop ? std::string() : view.Path(at);
  Lookup miss;
  miss.error = "no key '" + (walked.empty() ? name : walked + "\\" + name) + "'";
  if (!walked.empty()) miss.error += " (under '" + walked + "')";
  return miss;
}

// Greedy from the top: at each level the longest run of slash-parted tokens that names a child.
Lookup WalkTokens(const HiveView& view, const std::vector<Token>& tokens, std::size_t first) {
  std::int32_t at = kTop;
  for (std::size_t p = first; p < tokens.size();) {
    const Level level = LevelOf(view, at);
    // candidates[n - 1]: tokens p .. p + n - 1 joined by slashes, within this component and
    // no longer than the longest name here.
    std::vector<std::string> candidates;
    std::string joined;
    for (std::size_t j = p; j < tokens.size(); ++j) {
      if (j > p) joined += '/';
      joined += FoldAscii(tokens[j].text);
      if (joined.size() > level.longest) break;
      candidates.push_back(joined);
      if (tokens[j].endsComponent) break;
    }
    std::optional<std::int32_t> next;
    std::size_t used = 0;
    for (std::size_t n = candidates.size(); n > 0 && !next; --n) {
      if (candidates[n - 1].empty()) continue;
      if (const auto it = level.byName.find(candidates[n - 1]); it != level.byName.end()) {
        next = it->second;
        used = n;
      }
    }
    if (!next) {
      if (tokens[p].text.empty()) {  // "A//B", "A/": an empty name between slashes parts nothing
        ++p;
        continue;
      }
      return Miss(view, at, tokens[p].text);
    }
    at = *next;
    p += used;
  }
  return Lookup{at, {}};
}

}  // namespace

Lookup FindKeyPath(const HiveView& view, std::string_view pathUtf8) {
  Lookup literal = view.Find(pathUtf8);
  if (literal.key || pathUtf8.find('/') == std::string_view::npos) return literal;
  const std::vector<Token> tokens = Tokens(pathUtf8);
  Lookup walked = WalkTokens(view, tokens, 0);
  if (walked.key) return walked;
  // A leading root name ("HKLM/Software") is skipped as Find skips it, when no top-level key
  // has its name.
  if (!tokens.empty() && IsRootKeyName(tokens.front().text) &&
      LevelOf(view, kTop).byName.count(FoldAscii(tokens.front().text)) == 0)
    return WalkTokens(view, tokens, 1);
  return walked;
}

}  // namespace quarvex::browse
