#include "cli/commands/timeline.h"

#include <map>
#include <memory>
#include <optional>

#include "session/opened_hive.h"
#include "cli/hive_sources.h"
#include "session/file_digest.h"
#include "cli/cli_args.h"
#include "cli/cli_subcommands.h"
#include "cli/commands/check.h"
#include "cli/cli_run.h"
#include "session/other_file.h"
#include "browse/hive_view.h"
#include "browse/value_text.h"
#include "image/disk_image.h"
#include "image/container_kind.h"
#include "image/hive_copies.h"
#include "image/hive_source.h"
#include "image/image_address.h"
#include "recover/recover.h"
#include "text/report_file.h"
#include "text/report_lines.h"
#include "timeline/timeline_output.h"

namespace quarvex::cli {

namespace {

const char* const kUsage =
    "usage: quarvex-cli timeline [--json FILE|-] [--csv FILE|-] [--bodyfile FILE|-]\n"
    "                            [--no-recovered] [--codepage CP|auto] FILE...\n"
    "  Lists every time the registry files hold, one event per line in time order: when, what\n"
    "  it means (program last run, Windows first installed, program installed ...), the hive,\n"
    "  key and value, and how it was read (FILETIME, DOS date and time, SYSTEMTIME, text date).\n"
    "  Times are in UTC. Windows 9x keeps some times in local time: give the machine's\n"
    "  system.dat with its user.dat and they are placed through the time zone it names (stated\n"
    "  once at the top); without one they are listed apart. Times found only by their shape in\n"
    "  values no definition reads (a FILETIME in an 8-byte value, 1990 to 2037) are listed\n"
    "  apart, at low confidence. FILE may be IMAGE::PATH, a hive inside a disk image: the dates\n"
    "  of its FAT directory entry join in; for a member of a backup cabinet, the member's date\n"
    "  (when the hive was packed) and the cabinet's entry. Each hive is named with its size,\n"
    "  SHA-256 and MD5.\n"
    "  --json FILE      also write every event as JSON ('-': standard output)\n"
    "  --csv FILE       also write them as CSV ('-': standard output)\n"
    "  --bodyfile FILE  also write them as a body file of The Sleuth Kit, for mactime ('-':\n"
    "                   standard output); each time is the entry's mtime\n"
    "  --no-recovered   leave out the keys recovered from free space\n"
    "  Exit status: 0, 1 a file is not readable as a hive (the others are still listed; with\n"
    "  none readable nothing is written), 2 usage error, 3 an output file could not be written.\n";

// The dates of the directory entry of a hive read as IMAGE::PATH (not of a cabinet member or a
// carved hive, which have no entry of their own here); images opened once per run.
std::optional<timeline::FileTimes> FatTimesOf(const std::string& file, std::size_t hive,
                                              std::map<std::string, std::unique_ptr<image::DiskImage>>& images,
                                              std::ostream& err) {
  const std::optional<image::ImageAddress> address = image::ParseImageAddress(file);
  if (!address || address->parts.size() != 1 || address->parts[0].starts_with("@")) return std::nullopt;
  std::string error;
  const std::optional<image::InnerPath> inner = image::ParseInnerPath(address->parts[0], error);
  if (!inner) return std::nullopt;
  auto it = images.find(address->container);
  if (it == images.end())
    it = images.emplace(address->container, image::DiskImage::Open(address->container, error)).first;
  if (!it->second) return std::nullopt;  // a cabinet, or an image read before but no longer
  std::vector<std::string> notes;
  const std::vector<image::FoundFile> files = it->second->FindHives(false, notes);
  // The live files only: reading a path reads the live file of that name.
  for (const image::FoundFile& found : files) {
    if ((inner->fileSystem != 0 && found.fileSystem != inner->fileSystem) ||
        browse::FoldAscii(found.path) != browse::FoldAscii(inner->path))
      continue;
    timeline::FileTimes times;
    times.hive = hive;
    times.entry = found.path + " in file system " + std::to_string(found.fileSystem) + " of " +
                  image::DisplayName(address->container);
    times.created = found.created;
    times.written = found.written;
    times.accessed = found.accessed;
    return times;
  }
  err << "quarvex-cli timeline: " << file << ": the directory entry's dates were not found\n";
  return std::nullopt;
}

// For a hive read from a backup cabinet (CABINET::MEMBER, IMAGE::PATH::MEMBER): the member's
// own date, when Windows packed the hive, and the dates of the cabinet's directory entry in the
// image. Each container is listed once per run.
std::optional<timeline::FileTimes> MemberTimesOf(const std::string& file, std::size_t hive,
                                                 std::map<std::string, std::optional<image::HiveListing>>& listings) {
  const std::optional<image::ImageAddress> address = image::ParseImageAddress(file);
  if (!address || address->parts.empty() || address->parts.size() > 2 || address->parts[0].starts_with("@"))
    return std::nullopt;
  const bool inImage = address->parts.size() == 2;
  if (!inImage && image::ContainerKindOf(address->container) != image::ContainerKind::Cabinet) return std::nullopt;
  auto it = listings.find(address->container);
  if (it == listings.end()) {
    std::string error;
    it = listings.emplace(address->container, image::ListHives(address->container, false, error)).first;
  }
  if (!it->second) return std::nullopt;
  const std::string wanted =
      browse::FoldAscii(inImage ? address->parts[0] + "::" + address->parts[1] : address->parts[0]);
  for (const image::ListedHive& listed : it->second->hives) {
    if (!listed.member || browse::FoldAscii(listed.address) != wanted) continue;
    timeline::FileTimes times;
    times.hive = hive;
    times.cabinet = true;
    const std::string cabinet = inImage ? listed.file.path : image::DisplayName(address->container);
    times.member = listed.member->name + " of " + cabinet;
    times.packed = image::CabinetMemberTime(*listed.member);
    if (inImage) {
      times.entry = listed.file.path + " in file system " + std::to_string(listed.file.fileSystem) + " of " +
                    image::DisplayName(address->container);
      times.created = listed.file.created;
      times.written = listed.file.written;
      times.accessed = listed.file.accessed;
    }
    return times;
  }
  return std::nullopt;
}

}  // namespace

std::string TimelineUsage() { return kUsage; }

int RunTimeline(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine commandLine = ReadCommandLine("timeline", args, out, err);
  if (!commandLine.args) return commandLine.status;
  const ParsedArgs& parsed = *commandLine.args;
  std::optional<text::CodePage> named;
  if (!CodePageArgument("timeline", parsed, named, err)) return kExitUsage;
  const bool withRecovered = !parsed.Has("--no-recovered");
  const std::optional<std::string> json = parsed.Value("--json"), csv = parsed.Value("--csv"),
                                   body = parsed.Value("--bodyfile");
  const std::vector<std::string>& files = parsed.positional;
  if (files.empty()) {
    err << "quarvex-cli timeline: no file given\n" << kUsage;
    return kExitUsage;
  }
  if (const std::string clash =
          OutputClash({{"--json", json.value_or("")}, {"--csv", csv.value_or("")}, {"--bodyfile", body.value_or("")}});
      !clash.empty()) {
    err << "quarvex-cli timeline: " << clash << '\n';
    return kExitUsage;
  }
  for (const std::string& file : files)
    for (const std::optional<std::string>* output : {&json, &csv, &body})
      if (*output && **output != "-" && SameFile(file, **output)) {
        err << "quarvex-cli timeline: the output file " << **output << " is a file to read; not overwriting it\n";
        return kExitUsage;
      }

  int status = kExitOk;
  LoadedHives loaded = LoadHives("timeline", files, named, withRecovered, err);
  if (loaded.someFailed) status = kExitJobFailed;
  if (loaded.hives.empty()) return status;
  const std::vector<facts::HiveSource> sources = FactSources(loaded, withRecovered);
  std::vector<timeline::FileTimes> fileTimes;
  std::map<std::string, std::unique_ptr<image::DiskImage>> images;
  std::map<std::string, std::optional<image::HiveListing>> listings;
  for (std::size_t i = 0; i < loaded.hives.size(); ++i) {
    if (std::optional<timeline::FileTimes> t = MemberTimesOf(loaded.hives[i]->file, i, listings))
      fileTimes.push_back(*t);
    else if (std::optional<timeline::FileTimes> f = FatTimesOf(loaded.hives[i]->file, i, images, err))
      fileTimes.push_back(*f);
  }
  const timeline::Timeline result = timeline::BuildTimeline(sources, fileTimes);

  const bool toOut = (json && *json == "-") || (csv && *csv == "-") || (body && *body == "-");
  if (!toOut) out << timeline::TimelineText(sources, result);
  struct Output {
    const std::optional<std::string>* path;
    std::string document;
    std::string_view lineEnd;
  };
  const Output outputs[] = {
      {&json, json ? WithProgram(timeline::TimelineJson(sources, result)) : std::string(), "\n"},
      {&csv, csv ? timeline::TimelineCsv(sources, result) : std::string(), "\r\n"},
      {&body, body ? timeline::TimelineBodyfile(sources, result) : std::string(), "\n"},
  };
  for (const Output& o : outputs) {
    if (!*o.path) continue;
    std::string error;
    if (**o.path == "-") {
      out << o.document;
    } else if (!SaveDocument(o.document, o.lineEnd, **o.path, error)) {
      err << "quarvex-cli timeline: cannot write " << **o.path << ": " << error << '\n';
      status = kExitWriteFailed;
    }
  }
  out.flush();
  return status == kExitOk && !out ? kExitWriteFailed : status;
}

}  // namespace quarvex::cli
