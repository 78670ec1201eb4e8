// Fuzz target: the REGEDIT4 export on arbitrary bytes, after the job's load and index stages
// (file header, data block chain, record index pre-scan), in the hive's code page and
// transcoded to UTF-8. Whatever the bytes, the export must end (with its lines or a failure
// code), start with its header, leave the hive's status code alone, and keep every line free
// of line breaks, since each is saved with CR LF after it. The salvage reader's export runs on
// the same bytes, whatever the load stages made of them, and must hold to the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "export/regedit4_export.h"
#include "export/salvage_export.h"
#include "hive/prescan.h"
#include "salvage/salvage.h"
#include "text/report_file.h"

namespace {

void CheckLines(const quarvex::text::ReportLines& lines) {
  using namespace quarvex;
  if (lines.Count() < 2 || lines[0] != "REGEDIT4") std::abort();
  for (std::size_t i = 0; i < lines.Count(); ++i)
    if (lines[i].find_first_of("\r\n") != std::string_view::npos) std::abort();
  const std::string utf8 = text::SavedReportText(lines, text::CodePage::Cp932);
  if (utf8.compare(0, 10, "REGEDIT4\r\n") != 0) std::abort();
}

void SalvageExport(const std::uint8_t* data, std::size_t size) {
  using namespace quarvex;
  const salvage::SalvagedHive salvaged = salvage::Salvage(hive::Bytes(data, size));
  exporter::ExportSettings settings;
  if (size % 8 == 7) settings.outputLimit = 4096;
  text::ReportLines lines;
  const exporter::ExportOutcome outcome = exporter::ExportSalvaged(salvaged, settings, lines);
  CheckLines(lines);
  if (outcome.code != hive::code::kOk && outcome.failure.empty()) std::abort();
  if (salvaged.isHive && outcome.code == hive::code::kOk && outcome.keys != salvaged.keys.size()) std::abort();
  if (settings.outputLimit != 0 && lines.SavedSize() > 2 * settings.outputLimit + 8 * size + 65536) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quarvex;
  SalvageExport(data, size);
  hive::Hive hive;
  hive.hiveImage = hive::HiveImage(std::vector<std::uint8_t>(data, data + size));
  if (!hive.ReadHiveHeader() || !hive.BuildBlockTable()) return 0;
  hive::PreScanDataBlocks(hive, {});
  if (hive.errorCode != hive::code::kOk) return 0;

  // One input in eight runs under a small output limit, so that the limit's end is fuzzed too.
  exporter::ExportSettings settings;
  if (size % 8 == 7) settings.outputLimit = 4096;
  text::ReportLines lines;
  const exporter::ExportOutcome outcome = exporter::ExportRegedit4(hive, settings, lines);
  if (lines.Count() < 2 || lines[0] != "REGEDIT4") std::abort();
  if (hive.errorCode != hive::code::kOk) std::abort();
  if (outcome.code != hive::code::kOk && outcome.failure.empty()) std::abort();
  // Past the limit only by the key that crossed it: a path within the limit, a name, values.
  if (settings.outputLimit != 0 && lines.SavedSize() > 2 * settings.outputLimit + 8 * size + 65536) std::abort();
  for (std::size_t i = 0; i < lines.Count(); ++i)
    if (lines[i].find_first_of("\r\n") != std::string_view::npos) std::abort();
  const std::string utf8 = text::SavedReportText(lines, text::CodePage::Cp932);
  if (utf8.compare(0, 10, "REGEDIT4\r\n") != 0) std::abort();
  return 0;
}
