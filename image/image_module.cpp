// The programs' side of the image module: it is loaded on the first image or cabinet a run
// opens, found beside the running program, and kept loaded to the end of the process (the
// images it opened point into its code).
#include "image/image_module.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#include <utility>

namespace quarvex::image {

namespace {

struct LoadedModule {
  const ImageModuleEntries* entries = nullptr;
  std::string failure;
};

std::string& NamedPath() {
  static std::string path;
  return path;
}

LoadedModule Load() {
  LoadedModule loaded;
  std::filesystem::path path = NamedPath();
  if (path.empty()) {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
      loaded.failure = "the image reader cannot be found: the running program's path is unknown (" + ec.message() + ")";
      return loaded;
    }
    path = (program.parent_path() / kImageModuleFromProgram).lexically_normal();
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    loaded.failure = "the image reader " + path.string() + " cannot be loaded" + (why ? std::string(": ") + why : "");
    return loaded;
  }
  using EntryFunction = const ImageModuleEntries* (*)();
  auto entry = reinterpret_cast<EntryFunction>(dlsym(handle, kImageModuleEntryName));
  const ImageModuleEntries* entries = entry ? entry() : nullptr;
  if (!entries || entries->version != kImageModuleVersion || !entries->openDiskImage || !entries->openImageBytes ||
      !entries->listCabinet || !entries->extractCabinetMember) {
    loaded.failure = "the image reader " + path.string() + " is not of this build of Quarvex";
    dlclose(handle);
    return loaded;
  }
  loaded.entries = entries;
  return loaded;
}

}  // namespace

void UseImageModuleAt(std::string path) { NamedPath() = std::move(path); }

const ImageModuleEntries* ImageModule(std::string& error) {
  static const LoadedModule loaded = Load();
  if (!loaded.entries) error = loaded.failure;
  return loaded.entries;
}

bool ImagesSupported() { return true; }

}  // namespace quarvex::image
