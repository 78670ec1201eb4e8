#include "python/src/hive_core.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "app/cli_input.h"
#include "hive/error_codes.h"
#include "job/report_reading.h"

namespace quarvex::python {

namespace {

// The bytes of a path or address, opened read-only. "-" is a file of that name here, never
// standard input: a script's argument must not make the module read the terminal.
std::vector<std::uint8_t> ReadFile(const std::string& given) {
  const std::string path = given == "-" ? "./-" : given;
  if (!cli::IsContainerAddress(path)) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
      throw FileProblem{given + ": no such file", given, true};
  }
  std::string error;
  std::optional<std::vector<std::uint8_t>> bytes = cli::ReadWholeHive(path, error);
  if (!bytes) throw FileProblem{given + ": cannot read: " + error, given, false};
  return std::move(*bytes);
}

}  // namespace

std::string FailureMessage(std::int32_t code, const std::string& loadFailureReason,
                           const std::optional<hive::Finding>& finding) {
  std::string message = "Fail(" + std::to_string(code) + "): " + hive::code::Describe(code);
  if (!loadFailureReason.empty()) message += " (" + loadFailureReason + ")";
  if (finding) message += ": " + finding->Text();
  return message;
}

std::shared_ptr<HiveCore> HiveCore::Open(OpenRequest request) {
  auto core = std::make_shared<HiveCore>();
  core->name_ = request.name;
  core->path_ = request.path;
  std::vector<std::uint8_t> bytes = request.bytes ? std::move(*request.bytes) : ReadFile(*request.path);

  cli::CheckOptions options;
  options.codePage = request.codePage;
  options.report = request.strict ? cli::ReportCheck::Always : cli::ReportCheck::WhenDamaged;
  if (!request.path) {
    // Bytes have no folder: no system.dat beside them is read for the code page.
    options.chosen = request.codePage
                         ? detect::CodePageChoice{*request.codePage, detect::CodePageSource::Option, "named with --codepage"}
                         : detect::DetectCodePage(hive::Bytes(bytes), {});
  }
  core->checked_ = cli::CheckBytes(request.path ? *request.path : request.name, std::move(bytes), options);
  const cli::CheckedHive& checked = *core->checked_;

  if (!checked.IsHive()) {
    // What the faithful report's readers say of it: Fail(1) or Fail(2) and the header's field.
    const job::ReportReading reading = job::ReadAsTheReport(checked.bytes, core->name_, checked.codePage.codePage);
    HiveFailure failure{reading.code, reading.finding, checked.NotAHiveText()};
    if (!reading.Failed()) failure.code = hive::code::kHiveSignature;
    failure.message += " (" + FailureMessage(failure.code, reading.loadFailureReason, reading.finding) + ")";
    throw failure;
  }
  if (request.strict && checked.report && checked.report->Failed()) {
    const job::ReportReading& r = *checked.report;
    throw HiveFailure{r.code, r.finding, FailureMessage(r.code, r.loadFailureReason, r.finding)};
  }
  core->view_ = std::make_unique<browse::HiveView>(checked.hive, checked.codePage.codePage);
  return core;
}

std::optional<std::int32_t> HiveCore::RootNode() const {
  const salvage::SalvagedHive& hive = checked_->hive;
  if (!hive.keys.empty() && salvage::IsUnnamedRoot(hive.keys[0])) return 0;
  return std::nullopt;
}

const cli::CheckedHive& HiveCore::FullCheck() {
  std::lock_guard lock(lazy_);
  if (checked_->report) return *checked_;  // read so already (strict, or a damaged hive)
  if (!fullCheck_) {
    cli::CheckOptions options;
    options.chosen = checked_->codePage;
    options.report = cli::ReportCheck::Always;
    fullCheck_ = cli::CheckBytes(checked_->file, checked_->bytes, options);
  }
  return *fullCheck_;
}

const recover::Recovery& HiveCore::Recovery() {
  std::lock_guard lock(lazy_);
  if (!recovery_) {
    recover::RecoverOptions options;
    options.codePage = checked_->codePage.codePage;
    recovery_ = recover::Recover(checked_->hive, options);
  }
  return *recovery_;
}

}  // namespace quarvex::python
