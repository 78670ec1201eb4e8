#include "session/opened_hive.h"

#include <utility>

#include "session/hive_bytes.h"

namespace quarvex::session {

std::string OpenedHive::NotAHiveText() const {
  const std::string what = OtherFileText(other);
  return what.empty() ? "not a registry file" : "not a registry file: " + what;
}

const browse::HiveView& OpenedHive::View() const {
  std::lock_guard lock(lazy_);
  if (!view_) view_ = std::make_unique<browse::HiveView>(hive, codePage.codePage);
  return *view_;
}

const recover::Recovery& OpenedHive::Recovery() const {
  std::lock_guard lock(lazy_);
  if (!recovery_) {
    recover::RecoverOptions options;
    options.codePage = codePage.codePage;
    recovery_ = recover::Recover(hive, options);
  }
  return *recovery_;
}

const FileDigests& OpenedHive::Digests() const {
  std::lock_guard lock(lazy_);
  if (!digests_) digests_ = DigestsOf(bytes);
  return *digests_;
}

std::unique_ptr<OpenedHive> Open(const HiveAddress& address, const OpenOptions& options, std::string& error) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadHiveBytes(address, error);
  if (!bytes) return nullptr;
  return OpenBytes(address, std::move(*bytes), options);
}

std::unique_ptr<OpenedHive> OpenBytes(const HiveAddress& address, std::vector<std::uint8_t> bytes,
                                      const OpenOptions& options) {
  auto opened = std::make_unique<OpenedHive>();
  opened->address = address;
  opened->file = address.Text();
  opened->bytes = std::move(bytes);
  const hive::Bytes image(opened->bytes);
  opened->codePage = options.chosen ? *options.chosen : ChooseCodePage(options.codePage, address, image);
  // An empty file holds no header to find fault with: it is said to be empty, and no more.
  if (image.empty()) {
    opened->other = OtherFile::Empty;
    return opened;
  }
  opened->hive = salvage::Salvage(image, {opened->codePage.codePage});
  if (!opened->hive.isHive) {
    opened->other = WhatFileIs(address, image);
    return opened;
  }
  std::vector<hive::Finding> fileWide = detect::CodePageFindings(opened->hive, opened->codePage);
  const bool runReport = options.report == ReportCheck::Always ||
                         (options.report == ReportCheck::WhenDamaged && opened->hive.summary.damage > 0);
  if (runReport) {
    opened->report = job::ReadAsTheReport(opened->bytes, address.Text(), opened->codePage.codePage);
    if (std::optional<hive::Finding> note = job::ReportFailureNote(*opened->report, opened->hive))
      fileWide.push_back(std::move(*note));
  }
  salvage::AddFindings(opened->hive, std::move(fileWide));
  return opened;
}

}  // namespace quarvex::session
