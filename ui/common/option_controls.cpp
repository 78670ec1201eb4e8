#include "ui/common/option_controls.h"

#include <array>

namespace quarvex::ui {

namespace {

struct OptionControl {
  stage::Option option;
  std::string_view name;
  std::string_view caption;
};

// In the order of stage::Option.
constexpr std::array<OptionControl, stage::kOptionCount> kControls{{
    {stage::Option::Analyse, "cbANA", "Analize(&A) "},
    {stage::Option::AnalysisInReport, "cbANrep", "Result -> Report(&R) "},
    {stage::Option::ListBadAndGhostKeys, "cbKeys", "Enum. Bad and Ghost Keys(&N)"},
    {stage::Option::MinimiseWhileAnalysing, "cbMINI", "Minimize Under Analizing(&I) "},
    {stage::Option::StructureReport, "cbRPT", "Report(&R) "},
    {stage::Option::HeaderInfo, "cbCREG", "Info(&C) "},
    {stage::Option::KeyNodeBlockInfo, "cbRGKN", "Info(&K) "},
    {stage::Option::DataBlockInfo, "cbRGDB", "Info(&D) "},
    {stage::Option::DataBlockCount, "cbDBcnt", "Count "},
    {stage::Option::KeyNodesInUse, "cbKN_U", "Using(&U) "},
    {stage::Option::KeyNodesInUseCount, "cbKN_Ucnt", "Count "},
    {stage::Option::FreeKeyNodes, "cbKN_E", "Empty(&E) "},
    {stage::Option::FreeKeyNodesCount, "cbKN_Ecnt", "Count "},
    {stage::Option::RecordsInUse, "cbDB_U", "Using(&S)"},
    {stage::Option::RecordsInUseGauge, "cbDB_Ugage", "Gauge(&G) "},
    {stage::Option::RecordsInUseChecksum, "cbDB_Usum", "Check Sum(&H) "},
    {stage::Option::RecordsInUseData, "cbDB_Udat", "Expand Data(&X) "},
    {stage::Option::RecordsInUseCount, "cbDB_Ucnt", "Count "},
    {stage::Option::FreeRecords, "cbDB_E", "Empty(&M)"},
    {stage::Option::FreeRecordsCount, "cbDB_Ecnt", "Count "},
    {stage::Option::PrescanRecordHeaders, "cbPSdbrh", "PreScan Status at DB record header"},
}};

const OptionControl& Control(stage::Option option) { return kControls[static_cast<std::size_t>(option)]; }

}  // namespace

std::string_view OptionControlName(stage::Option option) { return Control(option).name; }
std::string_view OptionCaption(stage::Option option) { return Control(option).caption; }

std::optional<stage::Option> ParseOptionControlName(std::string_view name) {
  for (const OptionControl& control : kControls)
    if (control.name == name) return control.option;
  return std::nullopt;
}

}  // namespace quarvex::ui
