// The matcher of find: does a name or a text match the pattern the user typed?
//
// Names and texts are UTF-8 (read in the hive's code page), and so is the pattern.
//   - Text (the default): a substring; without case, ASCII letters are folded, as Windows 9x
//     compares names.
//   - Regex: a regular expression of RE2, searched, not anchored. RE2 runs in time linear in
//     the text and never recurses on it, so neither a hostile pattern nor a 64 KB value can
//     make a search crash or take exponential time; it has no backreferences and no
//     lookaround. '.' matches one UTF-8 character. Without case, letters are folded as
//     Unicode folds them. A pattern that needs more than kRegexMemory to compile is refused.
//   - Bytes: a byte pattern (browse/byte_pattern.h), matched against raw data only.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "browse/byte_pattern.h"

namespace re2 {
class RE2;
}

namespace quarvex::browse {

enum class PatternSyntax { Text, Regex, Bytes };

// The memory a regular expression may take: its compiled program and the caches its search
// builds as it goes (a search that fills them goes on, slower, in linear time).
inline constexpr std::int64_t kRegexMemory = std::int64_t{8} << 20;

class Matcher {
 public:
  // nullopt and a reason naming the fault when the pattern is not a regular expression RE2
  // reads, needs more than kRegexMemory, or is not a byte pattern. An empty text or regular
  // expression matches everything.
  static std::optional<Matcher> Make(std::string_view pattern, PatternSyntax syntax, bool caseSensitive,
                                     std::string& error);

  PatternSyntax Syntax() const { return syntax_; }
  // Text and Regex: whether the text holds a match. Bytes: whether the text's bytes do.
  bool Matches(std::string_view text) const;
  // Bytes only (nullptr otherwise).
  const BytePattern* Bytes() const { return bytes_ ? &*bytes_ : nullptr; }

 private:
  Matcher() = default;
  PatternSyntax syntax_ = PatternSyntax::Text;
  bool caseSensitive_ = false;
  std::string needle_;  // Text: folded unless case-sensitive
  std::shared_ptr<const re2::RE2> regex_;
  std::optional<BytePattern> bytes_;
};

}  // namespace quarvex::browse
