#include "app/cli_hives.h"

#include "app/cli_args.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "app/cli_run.h"
#include "image/container_kind.h"
#include "image/hive_listing_text.h"
#include "image/image_address.h"

namespace quarvex::cli {

namespace {

const char* const kUsage =
    "usage: quarvex-cli hives [--deleted] IMAGE\n"
    "  Lists every registry file in a disk image (raw, split raw, E01, VMDK, VHD; DOS partitions;\n"
    "  FAT12/16/32) or the hives of a cabinet backup (RBnnn.CAB): kind (live, setup copy,\n"
    "  Windows 95 backup, cabinet backup and the hives in it), size, the FAT dates (created,\n"
    "  written, accessed; a cabinet's member has the date the cabinet keeps) and the address that\n"
    "  opens it, e.g. quarvex-cli check 'IMAGE::WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT'.\n"
    "  --deleted  also list deleted registry files whose directory entries survive\n"
    "  Exit status: 0 listed, 1 the image cannot be read, 2 usage error (or a build that reads no\n"
    "  images, as the Windows build).\n";

constexpr const char* kNoImagesHere =
    "this build of quarvex-cli reads no disk images or cabinets (it is made without The Sleuth Kit and "
    "libmspack, as the Windows build is): copy the hive out of the image first, or use the Linux build";

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(path), ec) && !ec;
}

// Whether the file is a registry file itself: "CREG" at its start, or (its header damaged)
// "RGKN" at 0x20, as the image layer tells a hive from a container.
bool IsHiveFile(const std::string& path) {
  if (!IsRegularFile(path)) return false;
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  char head[0x24] = {};
  in.read(head, sizeof head);
  const auto got = in.gcount();
  return (got >= 4 && std::string_view(head, 4) == "CREG") ||
         (got >= 0x24 && std::string_view(head + 0x20, 4) == "RGKN");
}

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

}  // namespace

int RunHives(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::optional<ParsedArgs> parsed = ParseArgs("hives", args, {"--deleted"}, {}, kUsage, err);
  if (!parsed) return kExitUsage;
  if (parsed->Has("--help")) {
    out << kUsage;
    return kExitOk;
  }
  const bool deleted = parsed->Has("--deleted");
  const std::vector<std::string>& files = parsed->positional;
  if (files.size() != 1) {
    err << "quarvex-cli hives: " << (files.empty() ? "no image given" : "one image at a time") << '\n' << kUsage;
    return kExitUsage;
  }
  // An image is read where it lies, a part at a time; standard input has no places to seek to.
  if (IsStandardStream(files.front())) {
    err << "quarvex-cli hives: an image is read by its file name, not from standard input\n";
    return kExitUsage;
  }
  const std::string& container = files.front();
  if (IsHiveFile(container)) {
    err << "quarvex-cli hives: " << container
        << " is a registry file itself, not a disk image or cabinet: read it with quarvex-cli check, ls, get, "
           "find, stats, recover or facts, or 'quarvex-cli "
        << container << "' for its report\n";
    return kExitJobFailed;
  }
  std::string error;
  const std::optional<image::HiveListing> listing = image::ListHives(container, deleted, error);
  if (!listing) {
    err << "quarvex-cli hives: " << error << '\n';
    return kExitJobFailed;
  }
  out << image::ListingSummary(container, *listing) << '\n';
  for (const image::FileSystemInfo& fs : listing->fileSystems) out << "  " << image::FileSystemText(fs) << '\n';
  out << Padded("KIND", 26) << Padded("SIZE", 11) << Padded("CREATED", 21) << Padded("WRITTEN", 21)
      << Padded("ACCESSED", 12) << "ADDRESS\n";
  for (const image::ListedHive& hive : listing->hives) {
    const image::HiveRowText row = image::RowText(hive);
    out << Padded(row.kind, 26) << Padded(row.size, 11) << Padded(row.created, 21) << Padded(row.written, 21)
        << Padded(row.accessed, 12) << container << "::" << row.address << '\n';
  }
  for (const std::string& note : listing->notes) out << "note: " << note << '\n';
  return kExitOk;
}

std::optional<int> RefuseImagesWithoutSupport(const std::vector<std::string>& args, std::ostream& err) {
  if (image::ImagesSupported() || args.empty()) return std::nullopt;
  for (const std::string& a : args)
    if (a == "--help" || a == "-h") return std::nullopt;
  if (args[0] == "hives") {
    err << "quarvex-cli hives: " << kNoImagesHere << '\n';
    return kExitUsage;
  }
  for (const std::string& a : args) {
    if (a.empty() || a[0] == '-') continue;
    // Only an address whose image exists: a key path such as "::{20D04FE0-...}" is no image.
    const std::optional<image::ImageAddress> address = image::ParseImageAddress(a);
    if (!address || !IsRegularFile(address->container)) continue;
    err << "quarvex-cli: " << a << " names a file inside a disk image or cabinet, but " << kNoImagesHere << '\n';
    return kExitUsage;
  }
  return std::nullopt;
}

}  // namespace quarvex::cli
