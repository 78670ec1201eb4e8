#include "python/src/hive_core.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "hive/error_codes.h"
#include "job/report_reading.h"
#include "session/hive_bytes.h"

namespace quarvex::python {

namespace {

// The bytes of a path or address, opened read-only.
std::vector<std::uint8_t> ReadFile(const session::HiveAddress& address) {
  const std::string& given = address.Text();
  if (!address.InContainer()) {
    std::error_code ec;
    if (!std::filesystem::exists(given, ec)) throw FileProblem{given + ": no such file", given, true};
  }
  std::string error;
  std::optional<std::vector<std::uint8_t>> bytes = session::ReadHiveBytes(address, error);
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
  // "-" is a file of that name here, never standard input: a script's argument must not make
  // the module read the terminal.
  const session::HiveAddress address = session::HiveAddress::Parse(request.path ? *request.path : request.name, false);
  std::vector<std::uint8_t> bytes = request.bytes ? std::move(*request.bytes) : ReadFile(address);

  session::OpenOptions options;
  options.codePage.named = request.codePage;
  options.report = request.strict ? session::ReportCheck::Always : session::ReportCheck::WhenDamaged;
  if (!request.path) {
    // Bytes have no folder: no system.dat beside them is read for the code page.
    options.chosen = request.codePage ? detect::CodePageChoice{*request.codePage, detect::CodePageSource::Option,
                                                               "named with --codepage"}
                                      : detect::DetectCodePage(hive::Bytes(bytes), {});
  }
  core->checked_ = session::OpenBytes(address, std::move(bytes), options);
  const session::OpenedHive& checked = *core->checked_;

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
  return core;
}

std::optional<std::int32_t> HiveCore::RootNode() const {
  const salvage::SalvagedHive& hive = checked_->hive;
  if (!hive.keys.empty() && salvage::IsUnnamedRoot(hive.keys[0])) return 0;
  return std::nullopt;
}

const session::OpenedHive& HiveCore::FullCheck() {
  std::lock_guard lock(lazy_);
  if (checked_->report) return *checked_;  // read so already (strict, or a damaged hive)
  if (!fullCheck_) {
    session::OpenOptions options;
    options.chosen = checked_->codePage;
    options.report = session::ReportCheck::Always;
    fullCheck_ = session::OpenBytes(checked_->address, checked_->bytes, options);
  }
  return *fullCheck_;
}

const recover::Recovery& HiveCore::Recovery() { return checked_->Recovery(); }

}  // namespace quarvex::python
