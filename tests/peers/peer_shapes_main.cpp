// quarvex-peer-shapes DIR: writes every cross-check shape as DIR/<shape>.dat.
// quarvex-peer-shapes --bench DIR: writes the three benchmark hives instead.
#include <iostream>
#include <string>

#include "tests/peers/peer_shapes.h"
#include "tests/support/test_namespaces.h"

int main(int argc, char** argv) {
  using namespace quarvex::testing;
  const bool bench = argc == 3 && std::string(argv[1]) == "--bench";
  if (argc != 2 && !bench) {
    std::cerr << "usage: quarvex-peer-shapes [--bench] DIR\n";
    return 2;
  }
  const std::string dir = argv[argc - 1];
  if (bench) {
    for (const auto& [name, options] : BenchHives()) {
      BuiltHive hive = quarvex::tools::GenerateHive(options);
      AbsorbSmallFreeRecords(hive);
      hive.WriteFile(dir + "/" + name + ".dat");
    }
    return 0;
  }
  for (const auto& shape : PeerShapes()) shape.build().WriteFile(dir + "/" + shape.name + ".dat");
  return 0;
}
