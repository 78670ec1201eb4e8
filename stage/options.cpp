#include "stage/options.h"

namespace quarvex::stage {


namespace {

struct OptionInfo {
  Option option;
  std::string_view name;
  std::string_view caption;
  bool initially;
};

constexpr std::array<OptionInfo, kOptionCount> kOptions{{
    {Option::cbANA, "cbANA", "Analize(&A) ", true},
    {Option::cbANrep, "cbANrep", "Result -> Report(&R) ", true},
    {Option::cbKeys, "cbKeys", "Enum. Bad and Ghost Keys(&N)", true},
    {Option::cbMINI, "cbMINI", "Minimize Under Analizing(&I) ", false},
    {Option::cbRPT, "cbRPT", "Report(&R) ", false},
    {Option::cbCREG, "cbCREG", "Info(&C) ", true},
    {Option::cbRGKN, "cbRGKN", "Info(&K) ", true},
    {Option::cbRGDB, "cbRGDB", "Info(&D) ", true},
    {Option::cbDBcnt, "cbDBcnt", "Count ", true},
    {Option::cbKN_U, "cbKN_U", "Using(&U) ", true},
    {Option::cbKN_Ucnt, "cbKN_Ucnt", "Count ", true},
    {Option::cbKN_E, "cbKN_E", "Empty(&E) ", true},
    {Option::cbKN_Ecnt, "cbKN_Ecnt", "Count ", true},
    {Option::cbDB_U, "cbDB_U", "Using(&S)", false},
    {Option::cbDB_Ugage, "cbDB_Ugage", "Gauge(&G) ", false},
    {Option::cbDB_Usum, "cbDB_Usum", "Check Sum(&H) ", false},
    {Option::cbDB_Udat, "cbDB_Udat", "Expand Data(&X) ", false},
    {Option::cbDB_Ucnt, "cbDB_Ucnt", "Count ", true},
    {Option::cbDB_E, "cbDB_E", "Empty(&M)", true},
    {Option::cbDB_Ecnt, "cbDB_Ecnt", "Count ", true},
    {Option::cbPSdbrh, "cbPSdbrh", "PreScan Status at DB record header", false},
}};

constexpr std::array<Option, kOptionCount> kAll = [] {
  std::array<Option, kOptionCount> all{};
  for (std::size_t i = 0; i < kOptionCount; ++i) all[i] = kOptions[i].option;
  return all;
}();

constexpr std::array<Option, 17> kSelectAll{
    Option::cbRPT,     Option::cbCREG,    Option::cbRGKN,     Option::cbKN_U,    Option::cbKN_Ucnt,
    Option::cbKN_E,    Option::cbKN_Ecnt, Option::cbRGDB,     Option::cbDBcnt,   Option::cbDB_U,
    Option::cbDB_Udat, Option::cbDB_Ugage, Option::cbDB_Usum, Option::cbDB_Ucnt, Option::cbDB_E,
    Option::cbDB_Ecnt, Option::cbPSdbrh};

const OptionInfo& Info(Option option) { return kOptions[static_cast<std::size_t>(option)]; }

}  // namespace

std::span<const Option> AllOptions() { return kAll; }
std::string_view OptionName(Option option) { return Info(option).name; }
std::string_view OptionCaption(Option option) { return Info(option).caption; }
bool InitiallyChecked(Option option) { return Info(option).initially; }
std::span<const Option> SelectAllOptions() { return kSelectAll; }

std::optional<Option> ParseOptionName(std::string_view name) {
  for (const OptionInfo& info : kOptions)
    if (info.name == name) return info.option;
  return std::nullopt;
}

AnalysisOptions AnalysisOptions::Initial() {
  AnalysisOptions options;
  for (Option o : AllOptions()) options.Set(o, InitiallyChecked(o));
  return options;
}

void AnalysisOptions::SelectAll() {
  for (Option o : SelectAllOptions()) Set(o, true);
}

}  // namespace quarvex::stage
