#include "ui/browser/browser_key_history.h"

#include <iterator>

namespace quarvex::ui {

void KeyHistory::Visit(std::int32_t key) {
  if (!keys_.empty() && keys_[at_] == key) return;
  if (!keys_.empty()) keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(at_) + 1, keys_.end());
  keys_.push_back(key);
  if (keys_.size() > kMaxKeys) keys_.erase(keys_.begin());
  at_ = keys_.size() - 1;
}

std::optional<std::int32_t> KeyHistory::Back() {
  if (!CanGoBack()) return std::nullopt;
  return keys_[--at_];
}

std::optional<std::int32_t> KeyHistory::Forward() {
  if (!CanGoForward()) return std::nullopt;
  return keys_[++at_];
}

void KeyHistory::Clear() {
  keys_.clear();
  at_ = 0;
}

}  // namespace quarvex::ui
