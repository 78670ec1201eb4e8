// The job's status codes. 0 means all is well; a reader or command that fails sets its own
// code and returns, and every caller tests the code right after the call. Code 12 alone is
// not a failure: the callers of FindDataRecord take it as "this key has no record" and clear it.
#pragma once

#include <cstdint>

namespace quarvex::hive::code {

inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kJobAlreadyRunning = -100;
inline constexpr std::int32_t kNoWindowsDirForUserDat = -11;
inline constexpr std::int32_t kNoWindowsDirForSystemDat = -10;
inline constexpr std::int32_t kFileMissing = -9;
inline constexpr std::int32_t kHiveHeaderShort = 1;
inline constexpr std::int32_t kHiveSignature = 2;
inline constexpr std::int32_t kKernelHeaderShort = 3;
inline constexpr std::int32_t kKernelSignature = 4;
inline constexpr std::int32_t kKeyNodeShort = 5;
inline constexpr std::int32_t kFreeKeyNodeShort = 6;
inline constexpr std::int32_t kBlockHeaderShort = 7;
inline constexpr std::int32_t kBlockSignature = 8;
inline constexpr std::int32_t kNoSuchBlock = 9;
inline constexpr std::int32_t kIndexEmpty = 11;
inline constexpr std::int32_t kNoSuchRecord = 12;
inline constexpr std::int32_t kKeyNameShort = 13;
inline constexpr std::int32_t kValueEntryShort = 14;
inline constexpr std::int32_t kTextValueShort = 16;
inline constexpr std::int32_t kDwordValueShort = 17;
inline constexpr std::int32_t kRawValueShort = 18;
inline constexpr std::int32_t kFreeRecordShort = 19;
// Our own: the file could not be opened, sized or read (or is larger than the format's
// signed 32-bit offsets can address).
inline constexpr std::int32_t kLoadFailed = 20;
// Our own: a key tree, a parent chain or a free list links back onto itself.
inline constexpr std::int32_t kLinkLoop = 21;
// Our own: a stage ran out of memory (or failed in a way no reader reports); the job ends
// cleanly instead of leaving the window locked.
inline constexpr std::int32_t kInternalFailure = 22;
// Our own: a value's name runs past the end of the file. The listing ends there rather than
// show a name it did not read, since every read after it would start outside the file.
inline constexpr std::int32_t kValueNameShort = 23;

// One line of plain English for a code, for the CLI's messages and its help.
const char* Describe(std::int32_t code);

}  // namespace quarvex::hive::code
