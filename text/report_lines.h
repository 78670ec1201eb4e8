// The report buffer: an ordered list of 8-bit lines in the hive's code page, only ever
// appended to. An empty entry is an empty line. Its saved form is every line followed by
// CR LF, in the lines' own bytes, with no byte-order mark.
//
// A full structure report of a large hive runs to tens of megabytes in hundreds of thousands
// of lines, so the lines are kept back to back in one buffer with an array of end positions
// rather than as one heap string each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quarvex::text {

class ReportLines {
 public:
  void Append(std::string_view line) {
    text_.append(line);
    ends_.push_back(text_.size());
  }
  void Clear() {
    text_.clear();
    ends_.clear();
  }
  std::size_t Count() const { return ends_.size(); }
  bool Empty() const { return ends_.empty(); }
  std::string_view operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(text_).substr(begin, ends_[i] - begin);
  }
  // Bytes of the saved form: each line + CR LF.
  std::size_t SavedSize() const { return text_.size() + 2 * ends_.size(); }
  void WriteTo(std::ostream& out) const;
  std::string SavedText() const;

 private:
  std::string text_;
  std::vector<std::size_t> ends_;
};

}  // namespace quarvex::text
