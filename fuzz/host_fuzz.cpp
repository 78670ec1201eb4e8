// Fuzz target: the host probe's two file readers on arbitrary bytes — the version resource
// of a PE or NE file (found, then queried as the probe queries it, and the bytes read as a
// version block themselves) and a system.dat read as the probe reads it, by key path.
// Whatever the bytes, each reader must answer "found" or "not found" and never read outside.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "host/registry_lookup.h"
#include "host/version_resource.h"

namespace {

using namespace quarvex::host;

constexpr std::string_view kQueries[] = {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\041103A4\\FileVersion",
                                         "\\StringFileInfo\\040904E4\\FileVersion",
                                         "\\StringFileInfo\\040904B0\\FileVersion"};

constexpr std::string_view kKeys[] = {"", "ENUM\\Root\\*PNP0C01\\0000", "SOFTWARE\\Microsoft\\Internet Explorer",
                                      "System\\CurrentControlSet\\control\\ComputerName\\ComputerName"};

void Query(ByteSpan block) {
  for (std::string_view query : kQueries) (void)QueryVersionBlock(block, query);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteSpan bytes(data, size);
  if (const auto block = FindVersionBlock(bytes)) Query(*block);
  Query(bytes);

  RegistryFile file(quarvex::hive::HiveImage(std::vector<std::uint8_t>(data, data + size)));
  if (file.Usable())
    for (std::string_view key : kKeys) (void)file.KeyValues(key);
  return 0;
}
