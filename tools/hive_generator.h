// Synthetic registry files in the style of a Windows 98 machine, for the bundled sample,
// the benchmarks and the tests: a user.dat-like or system.dat-like key tree with realistic
// names (Japanese double-byte ones among them), text, DWORD and binary values, blocks of
// 20-60 KiB holding at most 255 records each in shuffled chain order, free records, free key
// nodes, orphan records, a few record slacks and one ghost key. Every file is synthetic.
#pragma once

#include <cstdint>
#include <string>

#include "testkit/hive_builder.h"

namespace quarvex::tools {

enum class HiveKind { User, System };

struct GeneratorOptions {
  HiveKind kind = HiveKind::User;
  int keys = 800;            // total keys, the skeleton included
  unsigned seed = 1998;
  int recordsPerBlock = 250; // at most; real files never number a record above 254
  int blockBytes = 48 * 1024;
};

testkit::BuiltHive GenerateHive(const GeneratorOptions& options);

}  // namespace quarvex::tools
