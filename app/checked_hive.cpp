#include "app/checked_hive.h"

#include <utility>

#include "app/cli_input.h"
#include "salvage/check_text.h"

namespace quarvex::cli {

std::string CheckedHive::NotAHiveText() const {
  const std::string what = OtherFileText(other);
  return what.empty() ? "not a registry file" : "not a registry file: " + what;
}

std::unique_ptr<CheckedHive> CheckFile(const std::string& file, const CheckOptions& options, std::string& error) {
  std::optional<std::vector<std::uint8_t>> bytes = ReadWholeHive(file, error);
  if (!bytes) return nullptr;
  return CheckBytes(file, std::move(*bytes), options);
}

std::unique_ptr<CheckedHive> CheckBytes(const std::string& file, std::vector<std::uint8_t> bytes,
                                        const CheckOptions& options) {
  auto checked = std::make_unique<CheckedHive>();
  checked->file = file;
  checked->bytes = std::move(bytes);
  const hive::Bytes image(checked->bytes);
  checked->codePage = options.chosen ? *options.chosen
                                     : ChooseCodePageForHive(options.codePage, file, image, options.windowsDirectory);
  // An empty file holds no header to find fault with: it is said to be empty, and no more.
  if (image.empty()) {
    checked->other = OtherFile::Empty;
    return checked;
  }
  checked->hive = salvage::Salvage(image, {checked->codePage.codePage});
  if (!checked->hive.isHive) {
    checked->other = WhatFileIs(file, image);
    return checked;
  }
  std::vector<hive::Finding> fileWide = detect::CodePageFindings(checked->hive, checked->codePage);
  const bool runReport = options.report == ReportCheck::Always ||
                         (options.report == ReportCheck::WhenDamaged && checked->hive.summary.damage > 0);
  if (runReport) {
    checked->report = job::ReadAsTheReport(checked->bytes, file, checked->codePage.codePage);
    if (std::optional<hive::Finding> note = job::ReportFailureNote(*checked->report, checked->hive))
      fileWide.push_back(std::move(*note));
  }
  salvage::AddFindings(checked->hive, std::move(fileWide));
  return checked;
}

std::string ReportJsonMember(const CheckedHive& checked) {
  if (!checked.report) return ", \"report\": null";
  const job::ReportReading& r = *checked.report;
  if (!r.Failed()) return ", \"report\": {\"made\": true, \"code\": 0, \"reason\": null}";
  return ", \"report\": {\"made\": false, \"code\": " + std::to_string(r.code) +
         ", \"reason\": " + salvage::JsonString(job::ReportFailureReason(r, checked.hive)) + "}";
}

}  // namespace quarvex::cli
