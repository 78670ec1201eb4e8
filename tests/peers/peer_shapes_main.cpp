// quarvex-peer-shapes DIR: writes every cross-check shape as DIR/<shape>.dat.
#include <iostream>

#include "tests/peers/peer_shapes.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: quarvex-peer-shapes DIR\n";
    return 2;
  }
  for (const auto& shape : quarvex::testing::PeerShapes())
    shape.build().WriteFile(std::string(argv[1]) + "/" + shape.name + ".dat");
  return 0;
}
