#include "app/cli_hives.h"

#include "app/cli_args.h"

#include <cstdio>
#include <ctime>

#include "app/cli_run.h"
#include "image/hive_source.h"

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
    "  Exit status: 0 listed, 1 the image cannot be read, 2 usage error.\n";

// FAT keeps local wall-clock time; The Sleuth Kit turned it into a time_t through the local
// zone, so the local zone gives it back as it was written.
std::string DateTime(std::time_t when, bool withTime) {
  if (when == 0) return withTime ? "-                  " : "-         ";
  std::tm local{};
#if defined(_WIN32)
  if (localtime_s(&local, &when) != 0) return "?";
#else
  if (!localtime_r(&when, &local)) return "?";
#endif
  char text[32];
  std::strftime(text, sizeof text, withTime ? "%Y-%m-%d %H:%M:%S" : "%Y-%m-%d", &local);
  return text;
}

std::string MemberDate(const image::CabinetMember& m) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", m.year, m.month, m.day, m.hour, m.minute, m.second);
  return text;
}

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string KindText(const image::ListedHive& hive) {
  std::string kind(image::HiveKindText(hive.file.kind));
  return hive.file.deleted ? "deleted " + kind : kind;
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
  std::string error;
  const std::optional<image::HiveListing> listing = image::ListHives(container, deleted, error);
  if (!listing) {
    err << "quarvex-cli hives: " << error << '\n';
    return kExitJobFailed;
  }
  out << container << ": " << listing->format << ", " << listing->size << " bytes, partition table "
      << listing->partitionTable << '\n';
  for (const image::FileSystemInfo& fs : listing->fileSystems)
    out << "  file system " << fs.number << ": " << fs.type << " at byte " << fs.offset << ", " << fs.size << " bytes\n";
  out << Padded("KIND", 26) << Padded("SIZE", 11) << Padded("CREATED", 21) << Padded("WRITTEN", 21)
      << Padded("ACCESSED", 12) << "ADDRESS\n";
  for (const image::ListedHive& hive : listing->hives) {
    const bool member = hive.member.has_value();
    std::string size = std::to_string(hive.file.size);
    out << Padded(KindText(hive), 26) << Padded(size, 11) << Padded(member ? "-" : DateTime(hive.file.created, true), 21)
        << Padded(member ? MemberDate(*hive.member) : DateTime(hive.file.written, true), 21)
        << Padded(member ? "-" : DateTime(hive.file.accessed, false), 12) << container << "::" << hive.address << '\n';
  }
  for (const std::string& note : listing->notes) out << "note: " << note << '\n';
  return kExitOk;
}

}  // namespace quarvex::cli
