// The hive every benchmark measures: a generated system.dat-style file of about 12 MB with
// 100,000 keys (the same seed everywhere, so the figures compare), made once per program; and
// a damaged copy of it.
#pragma once

#include <filesystem>
#include <string>

#include "tools/hive_generator.h"

namespace quarvex::bench {

inline const std::string& LargeSystemHive() {
  static const std::string path = [] {
    const auto file = std::filesystem::temp_directory_path() / "quarvex-bench-12mb.dat";
    tools::GeneratorOptions options;
    options.kind = tools::HiveKind::System;
    options.keys = 100000;
    options.seed = 12;
    tools::GenerateHive(options).WriteFile(file.string());
    return file.string();
  }();
  return path;
}

// The same hive written on a machine that names its ACP (932) in Nls\Codepage, with one key far
// from the code page's keys made a ghost (its record link finds nothing): damage the readers
// report and read past, so the light read of a whole hive no longer answers for all of it.
inline const std::string& LargeDamagedSystemHive() {
  static const std::string path = [] {
    const auto file = std::filesystem::temp_directory_path() / "quarvex-bench-12mb-ghost.dat";
    tools::GeneratorOptions options;
    options.kind = tools::HiveKind::System;
    options.keys = 100000;
    options.seed = 12;
    options.codePage = text::CodePage::Cp932;
    testkit::BuiltHive hive = tools::GenerateHive(options);
    const int last = static_cast<int>(hive.keyNode.size()) - 1;
    hive.PutU16(hive.KeyNodeFileOffset(last) + 24, 0x0300);
    hive.WriteFile(file.string());
    return file.string();
  }();
  return path;
}

}  // namespace quarvex::bench
