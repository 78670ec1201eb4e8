// quarvex-hivegen: writes a synthetic Windows 98 style registry file.
#include <cstdlib>
#include <iostream>
#include <string>

#include "tools/hive_generator.h"

int main(int argc, char** argv) {
  quarvex::tools::GeneratorOptions options;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--kind" && hasValue) {
      const std::string kind = argv[++i];
      options.kind = kind == "system" ? quarvex::tools::HiveKind::System : quarvex::tools::HiveKind::User;
    } else if (a == "--keys" && hasValue) {
      options.keys = std::atoi(argv[++i]);
    } else if (a == "--seed" && hasValue) {
      options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else if (a == "--codepage" && hasValue) {
      options.codePage = quarvex::text::ParseCodePage(argv[++i]);
      if (!options.codePage) {
        std::cerr << "quarvex-hivegen: --codepage takes 874, 932, 936, 949, 950, 1250 to 1258 or none\n";
        return 2;
      }
    } else if (a == "--large-binaries" && hasValue) {
      options.largeBinaries = std::atoi(argv[++i]);
    } else if (a == "-o" && hasValue) {
      output = argv[++i];
    } else {
      std::cerr << "usage: quarvex-hivegen [--kind user|system] [--keys N] [--seed S] [--codepage CP]\n"
                   "                       [--large-binaries N] -o FILE\n";
      return 2;
    }
  }
  if (output.empty()) {
    std::cerr << "quarvex-hivegen: -o FILE is required\n";
    return 2;
  }
  try {
    quarvex::tools::GenerateHive(options).WriteFile(output);
  } catch (const std::exception& e) {
    std::cerr << "quarvex-hivegen: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
