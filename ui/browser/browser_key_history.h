// The keys the browser has shown, in the order visited, for Back and Forward (Alt+Left,
// Alt+Right) as a web browser has them: visiting a key after going back drops the keys ahead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quarvex::ui {

class KeyHistory {
 public:
  // Keeps this many keys; the oldest go first.
  static constexpr std::size_t kMaxKeys = 500;

  // A key shown now: it follows the current one (the same key again is no new step).
  void Visit(std::int32_t key);
  // The key before (after) the current one, which becomes current; nothing at either end.
  std::optional<std::int32_t> Back();
  std::optional<std::int32_t> Forward();
  bool CanGoBack() const { return at_ > 0; }
  bool CanGoForward() const { return at_ + 1 < keys_.size(); }
  void Clear();

 private:
  std::vector<std::int32_t> keys_;
  std::size_t at_ = 0;  // the current key's place in keys_ (when there is one)
};

}  // namespace quarvex::ui
