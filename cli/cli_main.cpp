// quarvex-cli: the analysis job without a window, for scripts and batch work.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_run.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  return quarvex::cli::RunCli(args, std::cout, std::cerr);
}
