// Fuzz target: the image path on arbitrary bytes. The first byte chooses what the rest is: even,
// a disk image (written to a temporary file, as The Sleuth Kit opens images by name), whose
// hives are listed with the deleted ones and each read through its address; odd, a cabinet,
// listed and each member extracted. The image's kind is told from its signatures first, as
// the windows tell it. A damaged FAT, directory or cabinet must give a reason,
// never crash, hang or allocate without bound.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "image/cabinet.h"
#include "image/container_kind.h"
#include "image/hive_source.h"
#include "image/image_module.h"

namespace {

// One temporary file per process, rewritten for every input and removed at exit.
const std::string& ScratchPath() {
  static const std::string path = [] {
    char name[] = "/tmp/quarvex-image-fuzz-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) std::abort();
    ::close(fd);
    std::atexit([] { std::remove(ScratchPath().c_str()); });
    return std::string(name);
  }();
  return path;
}

}  // namespace

// A damaged VMDK (or VHD, E01) that its library fails to open leaves that library's handle and
// The Sleuth Kit's name table behind: The Sleuth Kit 4.11 frees neither on that path. The leak is
// theirs, a few hundred bytes per failed open. Their stacks end in the libraries' allocators
// (the system libraries keep no frame pointers), so the TSK one hides any TSK allocation; ours
// are all freed by the owners in disk_image_reader.cpp (image, volume system, file systems, files).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libvmdk.so\nleak:libvhdi.so\nleak:libewf.so\nleak:libcthreads\nleak:tsk_malloc\n";
}

// The readers are a module the programs load on first use: loaded here, before the first input,
// so that its code counts for coverage from the start, and a fuzzer without it stops at once.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string error;
  if (!quarvex::image::ImageModule(error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quarvex::image;
  if (size < 1) return 0;
  const std::vector<std::uint8_t> rest(data + 1, data + size);
  std::string error;
  if (data[0] & 1) {
    if (const auto members = ListCabinet(rest, error))
      for (const CabinetMember& m : *members) {
        const auto bytes = ExtractCabinetMember(rest, m.name, error, 1u << 20);
        if (bytes && bytes->size() != m.size) std::abort();
      }
    return 0;
  }
  const std::string& path = ScratchPath();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  if (!rest.empty() && std::fwrite(rest.data(), 1, rest.size(), file) != rest.size()) std::abort();
  std::fclose(file);
  // What the windows ask of a chosen file before they offer its hives.
  const ContainerKind kind = ContainerKindOf(path);
  if (kind == ContainerKind::Cabinet && (rest.size() < 4 || rest[0] != 'M')) std::abort();
  const auto listing = ListHives(path, true, error);
  if (!listing) return 0;
  for (const ListedHive& hive : listing->hives) {
    std::string why;
    const auto bytes = ReadAddressedFile(ParseImageAddress(path + "::" + hive.address).value(), why);
    // Nothing read is larger than the image it came from, but for what a cabinet unpacks.
    if (bytes && !hive.member && bytes->size() > rest.size()) std::abort();
  }
  return 0;
}
