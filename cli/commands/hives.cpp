#include "cli/commands/hives.h"

#include "cli/cli_args.h"
#include "cli/cli_subcommands.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "cli/cli_run.h"
#include "carve/carve_text.h"
#include "carve/carver.h"
#include "carve/fragment_reader.h"
#include "carve/fragment_recovery.h"
#include "image/carve_scope.h"
#include "salvage/check_text.h"
#include "text/report_file.h"
#include "text/report_lines.h"
#include "image/container_kind.h"
#include "image/hive_listing_text.h"
#include "image/image_address.h"
#include "text/json_text.h"

namespace quarvex::cli {

namespace {

const char* const kUsage =
    "usage: quarvex-cli hives [--deleted] IMAGE\n"
    "       quarvex-cli hives --carve|--carve-all [--json FILE|-] [--codepage CP] IMAGE\n"
    "  Lists every registry file in a disk image (raw, split raw, E01, VMDK, VHD; DOS partitions;\n"
    "  FAT12/16/32) or the hives of a cabinet backup (RBnnn.CAB): kind (live, setup copy,\n"
    "  Windows 95 backup, cabinet backup and the hives in it), size, the FAT dates (created,\n"
    "  written, accessed; a cabinet's member has the date the cabinet keeps) and the address that\n"
    "  opens it, e.g. quarvex-cli check 'IMAGE::WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT'.\n"
    "  --deleted  also list deleted registry files whose directory entries survive\n"
    "  --carve    search the image's unallocated clusters for registry files no directory entry\n"
    "             names any more: whole ones are listed with an address that opens them\n"
    "             ('IMAGE::@0x01A2B000'), broken ones as fragments with what they lack and the\n"
    "             keys and values their surviving data blocks hold, then the deleted keys\n"
    "             recovered from their free space (marked carved, with their confidence);\n"
    "             a fragment's offset makes an address too, 'IMAGE::@0x0002E800', which\n"
    "             quarvex-cli facts and the browser window read\n"
    "  --carve-all  the same over every byte of the image (allocated clusters too), or of a raw\n"
    "             device or file with no file system; the registry files the directories name\n"
    "             are left out of both\n"
    "  --json FILE  with --carve: also write the result as JSON to FILE ('-': standard output,\n"
    "             in place of the text)\n"
    "  --codepage CP  the code page of the fragments' names and texts (default auto: their\n"
    "             key nodes' name checksums where the key-node block survives, else 1252)\n"
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

// `hives --carve`: whole hives with their addresses, then fragments with their keys.
int RunCarve(const std::string& container, bool everything, const std::optional<std::string>& json,
             std::optional<text::CodePage> codePage, std::ostream& out, std::ostream& err) {
  std::string error;
  std::optional<image::CarveScope> scope = image::OpenCarveScope(container, everything, error);
  if (!scope) {
    err << "quarvex-cli hives: " << error << '\n';
    return kExitJobFailed;
  }
  const carve::CarveResult result = carve::Carve(*scope->source, scope->scan);
  const bool jsonToOut = json && IsStandardStream(*json);
  std::vector<std::string> lines;
  std::string document = "{\"image\": " + text::JsonString(container) +
                         ", \"format\": " + text::JsonString(scope->format) +
                         ", \"searched\": " + text::JsonString(scope->searched) +
                         ", \"bytesSearched\": " + std::to_string(result.bytesScanned) + ", \"hives\": [";
  lines.push_back(container + ": " + scope->format + ", " + std::to_string(scope->source->Size()) +
                  " bytes; searched " + scope->searched + ", " + std::to_string(result.bytesScanned) + " bytes");
  if (result.hives.empty() && result.fragments.empty())
    lines.push_back("no registry file and no fragment of one found");
  else
    lines.push_back(Padded("KIND", 10) + Padded("SIZE", 11) + "ADDRESS");
  for (std::size_t i = 0; i < result.hives.size(); ++i) {
    const carve::HiveChain& hive = result.hives[i];
    const std::string address = container + "::@" + carve::OffsetText(hive.start);
    lines.push_back(Padded("carved", 10) + Padded(std::to_string(hive.End() - hive.start), 11) + address);
    document += (i ? ", " : "") + carve::CarvedHiveJson(hive, address);
  }
  document += "], \"fragments\": [";
  for (std::size_t i = 0; i < result.fragments.size(); ++i) {
    const carve::Fragment& fragment = result.fragments[i];
    const carve::FragmentContents contents = carve::ReadFragment(*scope->source, fragment, codePage);
    lines.push_back(Padded("fragment", 10) + Padded(std::to_string(carve::FragmentBytes(fragment)), 11) + "at " +
                    carve::OffsetText(fragment.offset) + ": " + carve::FragmentHas(fragment));
    for (std::string& line : carve::FragmentLines(fragment, contents)) lines.push_back(std::move(line));
    const carve::CarvedRecovery recovered = carve::RecoverInFragment(contents);
    for (std::string& line : carve::CarvedRecoveryLines(recovered, contents.codePage)) lines.push_back(std::move(line));
    std::string object = carve::FragmentJson(fragment, contents);
    object.pop_back();  // the closing brace: the recovered keys go inside
    document +=
        (i ? ", " : "") + object + ", \"recovered\": " + carve::CarvedRecoveryJson(recovered, contents.codePage) + "}";
  }
  document += "], \"notes\": [";
  std::vector<std::string> notes = scope->notes;
  notes.insert(notes.end(), result.notes.begin(), result.notes.end());
  for (std::size_t i = 0; i < notes.size(); ++i) {
    lines.push_back("note: " + notes[i]);
    document += (i ? ", " : "") + text::JsonString(notes[i]);
  }
  document = WithProgram(document + "]}");
  if (jsonToOut) {
    out << document << '\n';
    return kExitOk;
  }
  for (const std::string& line : lines) out << line << '\n';
  if (json) {
    text::ReportLines file;
    file.Append(document);
    if (!text::SaveReportLines(file, *json, error, std::nullopt, "\n")) {
      err << "quarvex-cli hives: cannot write " << *json << ": " << error << '\n';
      return kExitWriteFailed;
    }
  }
  return kExitOk;
}

}  // namespace

std::string HivesUsage() { return kUsage; }

int RunHives(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine commandLine = ReadCommandLine("hives", args, out, err);
  if (!commandLine.args) return commandLine.status;
  const ParsedArgs& parsed = *commandLine.args;
  const bool deleted = parsed.Has("--deleted");
  const std::vector<std::string>& files = parsed.positional;
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
  const bool carveUnallocated = parsed.Has("--carve"), carveAll = parsed.Has("--carve-all");
  const std::optional<std::string> json = parsed.Value("--json");
  if ((carveUnallocated || carveAll) && !deleted) {
    if (carveUnallocated && carveAll) {
      err << "quarvex-cli hives: --carve and --carve-all: give one (--carve-all includes what --carve searches)\n";
      return kExitUsage;
    }
    std::optional<text::CodePage> named;
    if (!CodePageArgument("hives", parsed, named, err)) return kExitUsage;
    if (json && !IsStandardStream(*json) && SameFile(*json, container)) {
      err << "quarvex-cli hives: --json " << *json << " is the image itself\n";
      return kExitUsage;
    }
    return RunCarve(container, carveAll, json, named, out, err);
  }
  if (carveUnallocated || carveAll) {
    err << "quarvex-cli hives: --deleted lists files by their directory entries, --carve finds those with none: give "
           "one\n";
    return kExitUsage;
  }
  if (json || parsed.Value("--codepage")) {
    err << "quarvex-cli hives: --json and --codepage go with --carve or --carve-all\n" << kUsage;
    return kExitUsage;
  }
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
