#include "browse/find_matcher.h"

#include <re2/re2.h>

#include "browse/hive_view.h"

namespace quarvex::browse {

namespace {

std::string Quoted(std::string_view pattern) { return "'" + std::string(pattern) + "'"; }

}  // namespace

std::optional<Matcher> Matcher::Make(std::string_view pattern, PatternSyntax syntax, bool caseSensitive,
                                     std::string& error) {
  Matcher m;
  m.syntax_ = syntax;
  m.caseSensitive_ = caseSensitive;
  switch (syntax) {
    case PatternSyntax::Text:
      m.needle_ = caseSensitive ? std::string(pattern) : FoldAscii(pattern);
      return m;
    case PatternSyntax::Bytes: {
      std::string why;
      m.bytes_ = BytePattern::Parse(pattern, why);
      if (!m.bytes_) {
        error = "not a byte pattern: " + Quoted(pattern) + ": " + why;
        return std::nullopt;
      }
      return m;
    }
    case PatternSyntax::Regex: {
      RE2::Options options;
      options.set_case_sensitive(caseSensitive);
      options.set_log_errors(false);
      options.set_max_mem(kRegexMemory);
      auto regex = std::make_shared<const RE2>(re2::StringPiece(pattern.data(), pattern.size()), options);
      if (regex->ok()) {
        m.regex_ = std::move(regex);
        return m;
      }
      if (regex->error_code() == RE2::ErrorPatternTooLarge)
        error = "the regular expression " + Quoted(pattern) + " needs more than the " +
                std::to_string(kRegexMemory >> 20) + " MiB a pattern may use";
      else
        error = "not a regular expression: " + Quoted(pattern) + ": " + regex->error();
      return std::nullopt;
    }
  }
  error = "unknown pattern syntax";
  return std::nullopt;
}

bool Matcher::Matches(std::string_view text) const {
  switch (syntax_) {
    case PatternSyntax::Regex:
      return RE2::PartialMatch(re2::StringPiece(text.data(), text.size()), *regex_);
    case PatternSyntax::Bytes:
      return bytes_->Find({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}).has_value();
    case PatternSyntax::Text:
      break;
  }
  if (caseSensitive_) return text.find(needle_) != std::string_view::npos;
  return FoldAscii(text).find(needle_) != std::string::npos;
}

}  // namespace quarvex::browse
