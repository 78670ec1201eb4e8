#include "app/cli_check.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

#include "salvage/check_text.h"
#include "salvage/salvage.h"
#include "text/codepage.h"
#include "text/report_file.h"
#include "text/report_lines.h"

namespace quarvex::cli {

namespace {

// Offsets in the format are signed 32-bit, so no registry file is larger than this.
constexpr std::uintmax_t kLargestHive = 0x7FFFFFFF;

const char* const kUsage =
    "usage: quarvex-cli check [--json FILE|-] [--codepage 932|936|949|950|none] FILE...\n"
    "  Reads each registry file as far as its bytes allow and prints every problem found:\n"
    "  one line per finding (damage, warning or note) and a summary line per file.\n"
    "  --json FILE  also write the findings and summaries as JSON to FILE ('-': standard\n"
    "               output, in place of the lines)\n"
    "  Exit status: 0 no damage, 4 damage found, 1 a file is not readable as a hive,\n"
    "  2 usage error, 3 the JSON file could not be written.\n";

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::string& error) {
  std::error_code ec;
  const std::filesystem::path p(path);
  if (std::filesystem::is_directory(p, ec)) {
    error = "is a directory";
    return std::nullopt;
  }
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    error = std::filesystem::exists(p, ec) ? "cannot be opened for reading" : "no such file";
    return std::nullopt;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) {
    error = "its size cannot be read";
    return std::nullopt;
  }
  if (static_cast<std::uintmax_t>(size) > kLargestHive) {
    error = "larger than 2 GiB, beyond what the format's 32-bit offsets address";
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.seekg(0, std::ios::beg);
  if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
    error = "read error";
    return std::nullopt;
  }
  return bytes;
}

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::optional<std::string> json;
  salvage::SalvageOptions options;
  std::vector<std::string> files;
  bool optionsEnd = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnd || a.empty() || a[0] != '-' || a == "-") {
      files.push_back(a);
    } else if (a == "--") {
      optionsEnd = true;
    } else if (a == "--help" || a == "-h") {
      out << kUsage;
      return kCheckHealthy;
    } else if (a == "--json" || a == "--codepage") {
      if (i + 1 >= args.size()) {
        err << "quarvex-cli check: " << a << " needs a value\n" << kUsage;
        return kCheckUsage;
      }
      const std::string& value = args[++i];
      if (a == "--json") {
        json = value;
      } else if (const auto cp = text::ParseCodePage(value)) {
        options.codePage = *cp;
      } else {
        err << "quarvex-cli check: unknown code page '" << value << "'\n" << kUsage;
        return kCheckUsage;
      }
    } else {
      err << "quarvex-cli check: unknown option '" << a << "'\n" << kUsage;
      return kCheckUsage;
    }
  }
  if (files.empty()) {
    err << "quarvex-cli check: no file given\n" << kUsage;
    return kCheckUsage;
  }
  if (json && *json != "-") {
    for (const std::string& f : files) {
      if (f == *json || SameFile(f, *json)) {
        err << "quarvex-cli check: the JSON file " << *json << " is one of the files to check; not overwriting it\n";
        return kCheckUsage;
      }
    }
  }
  const bool jsonToOut = json && *json == "-";

  int status = kCheckHealthy;
  std::string document = "{\"files\": [\n";
  for (std::size_t n = 0; n < files.size(); ++n) {
    const std::string& file = files[n];
    std::string error;
    const auto bytes = ReadWholeFile(file, error);
    std::string entry;
    if (!bytes) {
      status = kCheckUnreadable;
      if (!jsonToOut) out << file << ": cannot read: " << error << '\n';
      entry = salvage::CheckJsonError(file, error);
    } else {
      const salvage::SalvagedHive hive = salvage::Salvage(*bytes, options);
      if (!jsonToOut) {
        for (const hive::Finding& f : hive.findings) out << file << ": " << salvage::FindingLine(f) << '\n';
        out << file << ": " << salvage::SummaryText(hive) << '\n';
      }
      if (!hive.isHive)
        status = kCheckUnreadable;
      else if (hive.summary.damage > 0 && status == kCheckHealthy)
        status = kCheckDamage;
      if (json) entry = salvage::CheckJson(file, hive);
    }
    if (json) document += entry + (n + 1 < files.size() ? ",\n" : "\n");
  }
  if (!json) return status;
  document += "], \"exitStatus\": " + std::to_string(status) + "}";
  if (jsonToOut) {
    out << document << '\n';
    return status;
  }
  text::ReportLines lines;
  std::size_t begin = 0;
  while (begin <= document.size()) {
    const std::size_t end = document.find('\n', begin);
    lines.Append(std::string_view(document).substr(begin, end == std::string::npos ? std::string::npos : end - begin));
    if (end == std::string::npos) break;
    begin = end + 1;
  }
  std::string error;
  if (!text::SaveReportLines(lines, *json, error)) {
    err << "quarvex-cli check: cannot write " << *json << ": " << error << '\n';
    return kCheckWriteFailed;
  }
  return status;
}

}  // namespace quarvex::cli
