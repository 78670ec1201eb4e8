// Replays fuzz inputs without libFuzzer: every file named, or every file in a directory
// named, goes through the fuzz target once. The tests run it over fuzz/regressions/ and the
// seed corpus, so every input a fuzzer once broke us with stays a test.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::size_t runs = 0;
  auto replay = [&runs](const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    ++runs;
  };
  for (int i = 1; i < argc; ++i) {
    const fs::path path(argv[i]);
    if (fs::is_directory(path)) {
      for (const auto& entry : fs::recursive_directory_iterator(path))
        if (entry.is_regular_file()) replay(entry.path());
    } else {
      replay(path);
    }
  }
  std::cout << "replayed " << runs << " input(s)\n";
  return 0;
}
