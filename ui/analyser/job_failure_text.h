// Why a job failed, in words: the line the message line, the status line's tooltip and the
// failed run's report end with. It says what `quarvex-cli` says on standard error for the same
// failure (after the file's name): the code, what the code means, why the file could not be
// read when that is known, and the finding of the reader that stopped (structure, offset,
// field, value), so that the place can be looked at with `quarvex-cli check` or a hex viewer.
//
//   Fail(7): a data block header lies (partly) outside the file: data block 1 at 0x00002000: ...
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "hive/finding.h"

namespace quarvex::ui {

struct JobFailure {
  std::int32_t code = 0;
  std::optional<hive::Finding> finding;  // the failing reader's, when it said
  std::string loadFailureReason;         // why the file could not be read
  std::string fileName;                  // the file the job was asked to read (UTF-8)
};

// The line, in UTF-8.
std::string JobFailureLine(const JobFailure& failure);

// What the status line's file panel shows for an "Open user.dat / system.dat" that found no
// Windows folder: the file that could not be opened and what is missing.
std::string MissingWindowsFolderPanel(const char* fileName);

}  // namespace quarvex::ui
