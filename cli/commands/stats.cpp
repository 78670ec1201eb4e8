// `quarvex-cli stats FILE...`: how many keys and values, of which types, how deep, the largest
// keys, the longest names, and how the file's bytes are used: in use, free (on the free lists)
// and dead gap, the three columns of the report's Using Rate table (salvage/counts.h).
#include "cli/commands/browse.h"

#include <string>

#include "cli/cli_args.h"
#include "cli/cli_subcommands.h"
#include "cli/cli_run.h"
#include "cli/hive_access.h"
#include "cli/line_prefix.h"
#include "browse/stats.h"
#include "browse/value_text.h"
#include "salvage/check_text.h"
#include "salvage/counts.h"
#include "text/json_text.h"

namespace quarvex::cli {

namespace {

using browse::HiveView;
using salvage::GroupThousands;
using text::JsonString;

const char* const kUsage =
    "usage: quarvex-cli stats [--json] [--codepage CP] FILE...\n"
    "  Numbers of keys and values (per type), the depth, the largest keys by values and by\n"
    "  bytes, the longest names, the largest values; the bytes in use, free (on the free lists)\n"
    "  and in dead gap (on no free list and in no record in use), as the report's Using Rate\n"
    "  table counts them; the findings by grade, as check counts them.\n"
    "  --json    one JSON document per file, a line each\n";

std::string UsageText() { return std::string(kUsage) + kCodePageHelp + kSeveralFilesHelp; }

std::string RankedJson(const HiveView& view, const std::vector<browse::RankedKey>& list) {
  std::string out = "[";
  for (std::size_t i = 0; i < list.size(); ++i) {
    out += (i ? ", " : "") + std::string("{\"path\": ") + JsonString(view.Path(list[i].key));
    if (list[i].value) out += ", \"value\": " + JsonString(browse::ValueName(*list[i].value, view.CodePage()));
    out += ", \"amount\": " + std::to_string(list[i].amount) + "}";
  }
  return out + "]";
}

std::string SpaceJson(const salvage::SpaceCounts& c) {
  return "{\"inUse\": " + std::to_string(c.inUse) + ", \"free\": " + std::to_string(c.free) +
         ", \"deadGap\": " + std::to_string(c.deadGap) + "}";
}

std::string StatsJson(const session::OpenedHive& hive, const browse::HiveStats& s, std::ostream& err) {
  const HiveView& view = hive.View();
  std::string out = "{" + FileMembers(hive) + ContainerMembers("stats", hive, err) +
                    ", \"bytes\": " + std::to_string(s.fileBytes) + ", \"keys\": " + std::to_string(s.keys) +
                    ", \"lostKeys\": " + std::to_string(s.lostKeys) +
                    ", \"unreadableKeys\": " + std::to_string(s.unreadableKeys) +
                    ", \"values\": " + std::to_string(s.values) + ", \"valuesByType\": [";
  bool first = true;
  for (const auto& [type, count] : s.byType) {
    out += std::string(first ? "" : ", ") + "{\"type\": " + JsonString(browse::TypeName(type)) +
           ", \"typeNumber\": " + std::to_string(type) + ", \"values\": " + std::to_string(count.values) +
           ", \"dataBytes\": " + std::to_string(count.dataBytes) + "}";
    first = false;
  }
  const salvage::HiveCounts& c = s.counts;
  std::string blocks;
  for (const salvage::SpaceCounts& block : c.dataBlocks) blocks += (blocks.empty() ? "" : ", ") + SpaceJson(block);
  out += "], \"depth\": " + std::to_string(s.depth) + ", \"deepestKey\": " + JsonString(view.Path(s.deepestKey)) +
         ", \"mostValues\": " + RankedJson(view, s.mostValues) + ", \"mostBytes\": " + RankedJson(view, s.mostBytes) +
         ", \"longestKeyNames\": " + RankedJson(view, s.longestKeyNames) +
         ", \"longestValueNames\": " + RankedJson(view, s.longestValueNames) +
         ", \"largestValues\": " + RankedJson(view, s.largestValues) +
         ", \"keyNodeBlockBytes\": " + std::to_string(s.keyNodeBlockBytes) +
         ", \"keyNodeBytesInUse\": " + std::to_string(s.keyNodeBytesInUse) +
         ", \"dataBlockBytes\": " + std::to_string(s.dataBlockBytes) +
         ", \"dataBytesInUse\": " + std::to_string(s.dataBytesInUse) +
         ", \"freeBytes\": " + std::to_string(s.FreeBytes()) +
         ", \"deadGapBytes\": " + std::to_string(s.DeadGapBytes()) +
         ", \"inUseBytes\": " + std::to_string(c.whole.inUse) + ", \"keyNodes\": " + std::to_string(c.keyNodes) +
         ", \"space\": {\"whole\": " + SpaceJson(c.whole) + ", \"keyNodeBlock\": " + SpaceJson(c.keyNodeBlock) +
         ", \"dataBlocks\": [" + blocks + "]}" + ", \"damage\": " + std::to_string(s.damage) +
         ", \"warnings\": " + std::to_string(s.warnings) + ", \"notes\": " + std::to_string(s.notes) + "}";
  return out;
}

// "in use:   48,467 of 53,859 bytes (90.0%)"
void SpaceLine(std::ostream& out, const char* label, std::int64_t part, std::int64_t whole, const char* what) {
  out << label << GroupThousands(static_cast<std::uint64_t>(part)) << " of "
      << GroupThousands(static_cast<std::uint64_t>(whole)) << " bytes (" << salvage::Share(part, whole) << "%)" << what
      << '\n';
}

void StatsLines(const std::string& file, const HiveView& view, const browse::HiveStats& s, std::ostream& out) {
  const text::CodePage cp = view.CodePage();
  auto ranked = [&](const char* title, const std::vector<browse::RankedKey>& list, const char* unit) {
    out << title << '\n';
    if (list.empty()) out << "  (none)\n";
    for (const browse::RankedKey& r : list) {
      out << "  " << GroupThousands(r.amount) << ' ' << unit << "  " << browse::EscapeControls(view.Path(r.key));
      if (r.value) out << ": " << DisplayValueName(*r.value, cp);
      out << '\n';
    }
  };
  out << "file:     " << file << " (" << GroupThousands(s.fileBytes) << " bytes)\n"
      << "keys:     " << GroupThousands(s.keys);
  if (s.lostKeys || s.unreadableKeys)
    out << " (" << GroupThousands(s.lostKeys) << " lost, " << GroupThousands(s.unreadableKeys) << " unreadable)";
  out << "\nvalues:   " << GroupThousands(s.values) << '\n';
  for (const auto& [type, count] : s.byType)
    out << "  " << browse::TypeName(type) << ": " << GroupThousands(count.values) << " ("
        << GroupThousands(count.dataBytes) << " bytes of data)\n";
  out << "depth:    " << s.depth;
  if (s.deepestKey != browse::kTop) out << " (" << browse::EscapeControls(view.Path(s.deepestKey)) << ")";
  out << '\n';
  ranked("most values:", s.mostValues, "values");
  ranked("most bytes (value names and data):", s.mostBytes, "bytes");
  ranked("longest key names:", s.longestKeyNames, "bytes");
  ranked("longest value names:", s.longestValueNames, "bytes");
  ranked("largest values:", s.largestValues, "bytes");
  const salvage::SpaceCounts& whole = s.counts.whole;
  SpaceLine(out, "in use:   ", whole.inUse, whole.Total(), ": headers, key nodes and records of the key tree");
  SpaceLine(out, "free:     ", whole.free, whole.Total(), ": on the free lists");
  SpaceLine(out, "dead gap: ", whole.deadGap, whole.Total(), ": in no record in use and on no free list");
  out << "findings: " << s.damage << " damage, " << s.warnings << " warning(s), " << s.notes << " note(s)\n";
}

}  // namespace

std::string StatsUsage() { return UsageText(); }

int RunStats(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine commandLine = ReadCommandLine("stats", args, out, err);
  if (!commandLine.args) return commandLine.status;
  const ParsedArgs& p = *commandLine.args;
  std::optional<text::CodePage> named;
  if (!CodePageArgument("stats", p, named, err)) return kExitUsage;
  if (p.positional.empty()) {
    err << "quarvex-cli stats: no file given\n" << UsageText();
    return kExitUsage;
  }
  const bool several = p.positional.size() > 1;
  int status = kExitOk;
  for (const std::string& file : p.positional) {
    std::optional<text::CodePage> cp = named;
    const auto opened = OpenHive("stats", session::HiveAddress::Parse(file), cp, session::ReportCheck::Always, err);
    if (!opened) {
      status = kExitJobFailed;
      continue;
    }
    const browse::HiveStats s = browse::ComputeStats(opened->View());
    if (p.Has("--json")) {
      out << WithProgram(StatsJson(*opened, s, err)) << '\n';
    } else {
      PrefixedStream lines(out, FilePrefix(file, several));
      StatsLines(file, opened->View(), s, lines);
    }
  }
  return FinishOutput(out) == kExitOk ? status : kExitWriteFailed;
}

}  // namespace quarvex::cli
