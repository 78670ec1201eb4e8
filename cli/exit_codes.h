// The exit statuses of quarvex-cli, shared by every command: 0 done, 1 a file could not be read as
// a hive (or the job failed), 2 a usage error, 3 an output could not be written; check adds 4
// (damage found); find and diff answer with 1 (nothing matched, the hives differ), so their
// trouble is 2, as grep and diff have it.
#pragma once

namespace quarvex::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitJobFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWriteFailed = 3;
inline constexpr int kCheckDamage = 4;
inline constexpr int kFindTrouble = 2;

}  // namespace quarvex::cli
