#include "session/hive_address.h"

#include <utility>

namespace quarvex::session {

HiveAddress HiveAddress::Parse(std::string text, bool standardInput) {
  HiveAddress address;
  address.text_ = std::move(text);
  if (standardInput && address.text_ == "-") {
    address.kind_ = Kind::StandardInput;
    return address;
  }
  address.container_ = image::ParseImageAddress(address.text_);
  address.kind_ = address.container_ ? Kind::InContainer : Kind::DiskFile;
  return address;
}

bool HiveAddress::IsCarved() const {
  return InContainer() && container_->parts.size() == 1 && !container_->parts.front().empty() &&
         container_->parts.front().front() == '@';
}

std::string HiveAddress::InnermostName() const {
  if (!InContainer()) return text_;
  std::string last = container_->parts.back();
  for (char& c : last)
    if (c == '\\' || c == ':') c = '/';
  return last;
}

}  // namespace quarvex::session
