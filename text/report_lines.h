// The report buffer: an ordered list of 8-bit lines in the hive's code page, only ever
// appended to. An empty entry is an empty line. Its saved form is every line followed by
// CR LF, in the lines' own bytes, with no byte-order mark.
//
// A full structure report of a large hive runs to tens of megabytes in a million lines, so
// the lines are kept in their saved form (each followed by CR LF) back to back in a few large
// chunks, with each line's end in its chunk, rather than as one heap string each; saving is
// writing the chunks. Chunks are never moved or regrown: a line is appended
// into the last chunk or starts a new one twice its size (up to 4 MiB), so building the
// report copies each byte once.
//
// A report saved straight to a file can be streamed: one chunk of 1 MiB, once full, is handed
// to the saver and takes the next lines, and only the count of the lines handed over is
// kept, so a report of any size is never held whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quarvex::text {

class ReportLines {
 public:
  ReportLines() = default;
  ReportLines(const ReportLines& other);
  ReportLines& operator=(const ReportLines& other);
  ReportLines(ReportLines&&) noexcept = default;
  ReportLines& operator=(ReportLines&&) noexcept = default;

  void Append(std::string_view line) {
    const std::size_t saved = line.size() + kLineEnd.size();
    if (chunks_.empty() || chunks_.back().capacity - chunks_.back().size < saved) NewChunk(saved);
    Chunk& chunk = chunks_.back();
    char* at = chunk.bytes.get() + chunk.size;
    if (!line.empty()) std::char_traits<char>::copy(at, line.data(), line.size());
    std::char_traits<char>::copy(at + line.size(), kLineEnd.data(), kLineEnd.size());
    chunk.size += saved;
    ends_.push_back(static_cast<std::uint32_t>(chunk.size - kLineEnd.size()));
    bytes_ += saved;
  }
  // Empties the report; it no longer streams.
  void Clear() {
    chunks_.clear();
    ends_.clear();
    handedOverLines_ = 0;
    bytes_ = 0;
    sink_ = nullptr;
  }

  // From now on, every chunk that fills is handed to sink (whole lines in their saved form,
  // in order) and no longer kept. Count(), Empty() and SavedSize() go on counting every line
  // appended; the lines handed over are no longer here to read: operator[] gives them empty,
  // and ForEach and the saved pieces and text cover only the lines still held.
  void StreamTo(std::function<void(std::string_view)> sink);
  // Hands over the lines still held (nothing when not streaming).
  void Flush();
  bool Streaming() const { return static_cast<bool>(sink_); }

  std::size_t Count() const { return handedOverLines_ + ends_.size(); }
  bool Empty() const { return Count() == 0; }
  std::string_view operator[](std::size_t i) const;
  // Calls visit(line) for every line held, in order.
  template <typename Visit>
  void ForEach(Visit&& visit) const {
    std::size_t line = chunks_.empty() ? Count() : chunks_.front().firstLine;
    for (std::size_t c = 0; c < chunks_.size(); ++c) {
      const std::size_t last = c + 1 < chunks_.size() ? chunks_[c + 1].firstLine : Count();
      std::uint32_t begin = 0;
      for (; line < last; ++line) {
        visit(std::string_view(chunks_[c].bytes.get() + begin, End(line) - begin));
        begin = End(line) + static_cast<std::uint32_t>(kLineEnd.size());
      }
    }
  }
  // The saved form, in pieces in order: each line + CR LF.
  template <typename Visit>
  void ForEachSavedPiece(Visit&& visit) const {
    for (const Chunk& chunk : chunks_) visit(std::string_view(chunk.bytes.get(), chunk.size));
  }
  // Bytes of the saved form (of every line, also those handed over).
  std::size_t SavedSize() const { return bytes_; }
  void WriteTo(std::ostream& out) const;
  std::string SavedText() const;

 private:
  struct Chunk {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0, capacity = 0;
    std::size_t firstLine = 0;  // the index of its first line
  };
  void NewChunk(std::size_t atLeast);
  std::size_t HeldSize() const;

  static constexpr std::string_view kLineEnd = "\r\n";

  std::vector<Chunk> chunks_;
  // Line i's end in its chunk, before its CR LF.
  std::uint32_t End(std::size_t line) const { return ends_[line - handedOverLines_]; }

  std::vector<std::uint32_t> ends_;             // each line's end in its chunk, from line handedOverLines_ on
  std::size_t handedOverLines_ = 0;             // lines streamed, whose ends are no longer kept
  std::size_t bytes_ = 0;                       // of the saved form
  std::function<void(std::string_view)> sink_;  // while streaming
};

}  // namespace quarvex::text
