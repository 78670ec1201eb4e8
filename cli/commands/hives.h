// `quarvex-cli hives [--deleted] IMAGE`: every registry file in a disk image (or the hives of a
// cabinet), one line each with its kind, size, FAT dates and the address that opens it.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quarvex::cli {

int RunHives(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// Its usage, for `help hives`, --help and after a usage error.
std::string HivesUsage();

// In a build that reads no disk images or cabinets (the Windows cross build, made without The
// Sleuth Kit and libmspack): `hives`, or any argument that addresses a file inside an existing
// image or cabinet (IMAGE::PATH), is refused up front with one clear line and exit status 2,
// before any subcommand runs. nullopt in a build that reads images, or when nothing asks for one.
std::optional<int> RefuseImagesWithoutSupport(const std::vector<std::string>& args, std::ostream& err);

}  // namespace quarvex::cli
