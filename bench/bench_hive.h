// The hive every benchmark measures: a generated system.dat-style file of about 12 MB with
// 100,000 keys (the same seed everywhere, so the figures compare), made once per program.
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

}  // namespace quarvex::bench
