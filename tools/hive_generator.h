// Synthetic registry files in the style of a Windows 98 machine, for the bundled sample,
// the benchmarks and the tests: a user.dat-like or system.dat-like key tree with realistic
// names (Japanese double-byte ones among them), text, DWORD and binary values, blocks of
// 20-60 KiB holding at most 255 records each in shuffled chain order, free records, free key
// nodes, orphan records, a few record slacks and one ghost key. Every file is synthetic.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/codepage.h"

#include "testkit/hive_builder.h"

namespace quarvex::tools {

enum class HiveKind { User, System };

struct GeneratorOptions {
  HiveKind kind = HiveKind::User;
  int keys = 800;  // total keys, the skeleton included
  unsigned seed = 1998;
  int recordsPerBlock = 250;  // at most; real files never number a record above 254
  int blockBytes = 48 * 1024;
  // A hive written on a machine of this ANSI code page: names summed by its lead-byte rule,
  // its ACP (system) or Locale (user) value naming it, and a "Words" key of names and texts
  // in its script. Unset: the Japanese machine of the default hives, unchanged.
  std::optional<text::CodePage> codePage = std::nullopt;
  // Keys holding a REG_BINARY value of nearly 64 KiB (a value's length is 16 bits), as
  // programs keep cached state there: an "MZ" header, then entries of a few bytes each
  // followed by a UTF-16 path. Each takes a block of its own. 0 leaves the hive as it was.
  int largeBinaries = 0;
};

// Words of each code page's script (UTF-8) that the "Words" key holds, for round-trip tests.
const std::vector<std::string>& WordsOf(text::CodePage codePage);

testkit::BuiltHive GenerateHive(const GeneratorOptions& options);

}  // namespace quarvex::tools
