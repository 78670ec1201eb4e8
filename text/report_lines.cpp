#include "text/report_lines.h"

#include <algorithm>

namespace quarvex::text {

namespace {
constexpr std::size_t kFirstChunk = std::size_t{4} << 10;
constexpr std::size_t kLargestChunk = std::size_t{4} << 20;
constexpr std::size_t kStreamedChunk = std::size_t{1} << 20;
}  // namespace

ReportLines::ReportLines(const ReportLines& other) { *this = other; }

// A copy holds the lines the other holds (all of them unless it streams) and does not stream.
ReportLines& ReportLines::operator=(const ReportLines& other) {
  if (this == &other) return *this;
  Clear();
  // The copy in one chunk of the saved form's size.
  if (const std::size_t held = other.HeldSize(); held > 0) NewChunk(held);
  other.ForEach([this](std::string_view line) { Append(line); });
  return *this;
}

std::size_t ReportLines::HeldSize() const {
  std::size_t held = 0;
  for (const Chunk& chunk : chunks_) held += chunk.size;
  return held;
}

void ReportLines::NewChunk(std::size_t atLeast) {
  // Streamed, one chunk of a fixed size takes every line in turn: its memory is made once,
  // and each part goes to the file while it is still in the processor's cache.
  const std::size_t grown = sink_             ? kStreamedChunk
                            : chunks_.empty() ? kFirstChunk
                                              : std::min(chunks_.back().capacity * 2, kLargestChunk);
  const std::size_t capacity = std::max(grown, atLeast);
  if (sink_ && !chunks_.empty()) {
    // The full chunk goes to the sink; its memory, already the largest size, takes the next
    // lines (a chunk made larger for one long line is let go).
    Flush();
    Chunk& only = chunks_.back();
    if (only.capacity == capacity) return;
    chunks_.clear();
  }
  Chunk chunk;
  chunk.capacity = capacity;
  // Left uninitialised, as make_unique_for_overwrite would (which emscripten's libc++ lacks).
  chunk.bytes = std::unique_ptr<char[]>(new char[chunk.capacity]);
  chunk.firstLine = Count();
  chunks_.push_back(std::move(chunk));
}

void ReportLines::StreamTo(std::function<void(std::string_view)> sink) {
  sink_ = std::move(sink);
  // What is held already goes first; from here on one chunk is kept.
  if (sink_ && !chunks_.empty()) {
    Flush();
    chunks_.erase(chunks_.begin(), chunks_.end() - 1);
  }
}

void ReportLines::Flush() {
  if (!sink_) return;
  for (Chunk& chunk : chunks_) {
    if (chunk.size > 0) sink_(std::string_view(chunk.bytes.get(), chunk.size));
    chunk.size = 0;
  }
  // Only the count of the lines handed over is kept.
  handedOverLines_ += ends_.size();
  ends_.clear();
  for (Chunk& chunk : chunks_) chunk.firstLine = Count();
}

std::string_view ReportLines::operator[](std::size_t i) const {
  if (chunks_.empty() || i < chunks_.front().firstLine) return {};  // handed over while streaming
  // The chunk whose first line is the last at or before i.
  const auto after = std::upper_bound(chunks_.begin(), chunks_.end(), i,
                                      [](std::size_t line, const Chunk& chunk) { return line < chunk.firstLine; });
  const Chunk& chunk = *(after - 1);
  const std::uint32_t begin = i == chunk.firstLine ? 0 : End(i - 1) + static_cast<std::uint32_t>(kLineEnd.size());
  return std::string_view(chunk.bytes.get() + begin, End(i) - begin);
}

void ReportLines::WriteTo(std::ostream& out) const {
  ForEachSavedPiece(
      [&out](std::string_view piece) { out.write(piece.data(), static_cast<std::streamsize>(piece.size())); });
}

std::string ReportLines::SavedText() const {
  std::string saved;
  saved.reserve(HeldSize());
  ForEachSavedPiece([&saved](std::string_view piece) { saved += piece; });
  return saved;
}

}  // namespace quarvex::text
