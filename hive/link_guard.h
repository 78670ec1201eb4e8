// Guards that make every walk over the file's links end.
//
// The format's lists and trees are linked by offsets read from the file, so a damaged file
// can link a node back onto itself or onto an earlier node. Each walk is deterministic (the
// next step depends only on the bytes at the current offset), so it runs for ever exactly
// when it comes back to a state it was in before; these guards notice that, exactly, and
// never flag a walk that would have ended.
#pragma once

#include <cstdint>
#include <vector>

namespace quarvex::hive {

// Brent's cycle detection over a sequence of states in constant memory: feed each new state;
// Step returns true once the sequence has come back to an earlier state. It notices within
// a few times the length of the loop plus the steps before it.
class CycleDetector {
 public:
  bool Step(std::int64_t state) {
    if (hasSaved_ && state == saved_) return true;
    if (!hasSaved_ || ++sinceSaved_ == power_) {
      saved_ = state;
      hasSaved_ = true;
      power_ *= 2;
      sinceSaved_ = 0;
    }
    return false;
  }
  void Reset() { *this = CycleDetector(); }

 private:
  std::int64_t saved_ = 0;
  bool hasSaved_ = false;
  std::uint64_t power_ = 1;
  std::uint64_t sinceSaved_ = 0;
};

// One bit per file offset: notices the first time a walk comes back to an offset, so a loop
// is caught before anything is listed twice. Offsets outside the file cannot be marked (a
// read there fails anyway). Reset clears only the words it touched.
class VisitedOffsets {
 public:
  explicit VisitedOffsets(std::size_t fileSize) : words_((fileSize + 63) / 64, 0) {}

  // True the first time an offset is marked, false when it was marked before.
  bool Mark(std::int64_t fileOffset) {
    if (fileOffset < 0 || static_cast<std::uint64_t>(fileOffset) >= words_.size() * 64) return true;
    const auto index = static_cast<std::size_t>(fileOffset) / 64;
    const std::uint64_t bit = std::uint64_t{1} << (static_cast<std::size_t>(fileOffset) % 64);
    if (words_[index] & bit) return false;
    if (words_[index] == 0) touched_.push_back(index);
    words_[index] |= bit;
    return true;
  }

  void Reset() {
    for (std::size_t index : touched_) words_[index] = 0;
    touched_.clear();
  }

 private:
  std::vector<std::uint64_t> words_;
  std::vector<std::size_t> touched_;
};

}  // namespace quarvex::hive
