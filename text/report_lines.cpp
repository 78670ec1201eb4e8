#include "text/report_lines.h"

#include <algorithm>

namespace quarvex::text {

namespace {
constexpr std::size_t kFirstChunk = std::size_t{4} << 10;
constexpr std::size_t kLargestChunk = std::size_t{4} << 20;
}  // namespace

ReportLines::ReportLines(const ReportLines& other) { *this = other; }

ReportLines& ReportLines::operator=(const ReportLines& other) {
  if (this == &other) return *this;
  Clear();
  // The copy in one chunk of the saved form's size.
  if (other.bytes_ > 0) NewChunk(other.bytes_);
  other.ForEach([this](std::string_view line) { Append(line); });
  return *this;
}

void ReportLines::NewChunk(std::size_t atLeast) {
  const std::size_t grown = chunks_.empty() ? kFirstChunk : std::min(chunks_.back().capacity * 2, kLargestChunk);
  Chunk chunk;
  chunk.capacity = std::max(grown, atLeast);
  chunk.bytes = std::make_unique_for_overwrite<char[]>(chunk.capacity);
  chunk.firstLine = ends_.size();
  chunks_.push_back(std::move(chunk));
}

std::string_view ReportLines::operator[](std::size_t i) const {
  // The chunk whose first line is the last at or before i.
  const auto after = std::upper_bound(chunks_.begin(), chunks_.end(), i,
                                      [](std::size_t line, const Chunk& chunk) { return line < chunk.firstLine; });
  const Chunk& chunk = *(after - 1);
  const std::uint32_t begin = i == chunk.firstLine ? 0 : ends_[i - 1] + static_cast<std::uint32_t>(kLineEnd.size());
  return std::string_view(chunk.bytes.get() + begin, ends_[i] - begin);
}

void ReportLines::WriteTo(std::ostream& out) const {
  ForEachSavedPiece([&out](std::string_view piece) { out.write(piece.data(), static_cast<std::streamsize>(piece.size())); });
}

std::string ReportLines::SavedText() const {
  std::string saved;
  saved.reserve(SavedSize());
  ForEachSavedPiece([&saved](std::string_view piece) { saved += piece; });
  return saved;
}

}  // namespace quarvex::text
