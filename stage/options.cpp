#include "stage/options.h"

#include <utility>

namespace quarvex::stage {

namespace {

// The options as they stand when the window opens, and for quarvex-cli unless --set says
// otherwise, in the order of Option.
constexpr std::array<std::pair<Option, bool>, kOptionCount> kDefaults{{
    {Option::Analyse, true},
    {Option::AnalysisInReport, true},
    {Option::ListBadAndGhostKeys, true},
    {Option::MinimiseWhileAnalysing, false},
    {Option::StructureReport, false},
    {Option::HeaderInfo, true},
    {Option::KeyNodeBlockInfo, true},
    {Option::DataBlockInfo, true},
    {Option::DataBlockCount, true},
    {Option::KeyNodesInUse, true},
    {Option::KeyNodesInUseCount, true},
    {Option::FreeKeyNodes, true},
    {Option::FreeKeyNodesCount, true},
    {Option::RecordsInUse, false},
    {Option::RecordsInUseGauge, false},
    {Option::RecordsInUseChecksum, false},
    {Option::RecordsInUseData, false},
    {Option::RecordsInUseCount, true},
    {Option::FreeRecords, true},
    {Option::FreeRecordsCount, true},
    {Option::PrescanRecordHeaders, false},
}};

constexpr std::array<Option, kOptionCount> kAll = [] {
  std::array<Option, kOptionCount> all{};
  for (std::size_t i = 0; i < kOptionCount; ++i) all[i] = kDefaults[i].first;
  return all;
}();

constexpr std::array<Option, 17> kSelectAll{
    Option::StructureReport,      Option::HeaderInfo,        Option::KeyNodeBlockInfo,  Option::KeyNodesInUse,
    Option::KeyNodesInUseCount,   Option::FreeKeyNodes,      Option::FreeKeyNodesCount, Option::DataBlockInfo,
    Option::DataBlockCount,       Option::RecordsInUse,      Option::RecordsInUseData,  Option::RecordsInUseGauge,
    Option::RecordsInUseChecksum, Option::RecordsInUseCount, Option::FreeRecords,       Option::FreeRecordsCount,
    Option::PrescanRecordHeaders};

}  // namespace

std::span<const Option> AllOptions() { return kAll; }
bool OnByDefault(Option option) { return kDefaults[static_cast<std::size_t>(option)].second; }
std::span<const Option> SelectAllOptions() { return kSelectAll; }

AnalysisOptions AnalysisOptions::Initial() {
  AnalysisOptions options;
  for (Option o : AllOptions()) options.Set(o, OnByDefault(o));
  return options;
}

void AnalysisOptions::SelectAll() {
  for (Option o : SelectAllOptions()) Set(o, true);
}

}  // namespace quarvex::stage
