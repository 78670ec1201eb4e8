// The 21 option check boxes that steer a job. A job and its stages read a box when they test
// it; the window keeps the boxes from changing while a job runs.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace quarvex::stage {

enum class Option : std::size_t {
  cbANA, cbANrep, cbKeys, cbMINI, cbRPT,
  cbCREG, cbRGKN, cbRGDB, cbDBcnt,
  cbKN_U, cbKN_Ucnt, cbKN_E, cbKN_Ecnt,
  cbDB_U, cbDB_Ugage, cbDB_Usum, cbDB_Udat, cbDB_Ucnt, cbDB_E, cbDB_Ecnt,
  cbPSdbrh,
};
inline constexpr std::size_t kOptionCount = 21;

// Every option, in the order above.
std::span<const Option> AllOptions();
// The control name ("cbKN_U") and back.
std::string_view OptionName(Option option);
std::optional<Option> ParseOptionName(std::string_view name);
// The caption the window shows beside the box, exactly as shown.
std::string_view OptionCaption(Option option);
// Whether the box is checked when the window opens.
bool InitiallyChecked(Option option);
// What "Select All" checks, in its order (everything but the four analysis/job boxes).
std::span<const Option> SelectAllOptions();

// A set of box states, for the CLI and for a window's snapshot of its boxes.
class AnalysisOptions {
 public:
  static AnalysisOptions Initial();
  bool operator[](Option option) const { return checked_[static_cast<std::size_t>(option)]; }
  void Set(Option option, bool on) { checked_[static_cast<std::size_t>(option)] = on; }
  void SelectAll();

 private:
  std::array<bool, kOptionCount> checked_{};
};

}  // namespace quarvex::stage
