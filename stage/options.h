// The 21 options that steer a job. A job and its stages read an option when they test it; the
// window, whose check boxes set them, keeps them from changing while a job runs.
#pragma once

#include <array>
#include <cstddef>
#include <span>

namespace quarvex::stage {

// What a job is asked to do and to write: the analysis and where its result goes, and the
// sections of the structure report.
enum class Option : std::size_t {
  Analyse,                 // analyse the key tree and the records
  AnalysisInReport,        // write the analysis's result into the report
  ListBadAndGhostKeys,     // list each bad and ghost key in it
  MinimiseWhileAnalysing,  // the window keeps itself minimised while the job runs
  StructureReport,         // write the structure report
  HeaderInfo,              // its sections: the file header,
  KeyNodeBlockInfo,        //   the key-node block,
  DataBlockInfo,           //   the data blocks,
  DataBlockCount,          //   how many there are,
  KeyNodesInUse,           //   each key node in use and how many,
  KeyNodesInUseCount,
  FreeKeyNodes,  //   each free key node and how many,
  FreeKeyNodesCount,
  RecordsInUse,       //   each record in use, with a gauge of its size, its name's
  RecordsInUseGauge,  //   checksum and its data expanded, and how many,
  RecordsInUseChecksum,
  RecordsInUseData,
  RecordsInUseCount,
  FreeRecords,  //   each free record and how many,
  FreeRecordsCount,
  PrescanRecordHeaders,  //   the status of each record header seen before the walk.
};
inline constexpr std::size_t kOptionCount = 21;

// Every option, in the order above.
std::span<const Option> AllOptions();
// Whether a job does it unless told otherwise (as the window's boxes stand when it opens).
bool OnByDefault(Option option);
// What "everything" turns on, in its order: every section of the structure report (not the
// four analysis and job options).
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
