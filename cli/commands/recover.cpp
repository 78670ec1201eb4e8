#include "cli/commands/recover.h"
#include "cli/cli_args.h"
#include "cli/cli_subcommands.h"
#include "cli/carved_fragment.h"
#include "cli/hive_access.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

#include "session/opened_hive.h"
#include "cli/commands/check.h"
#include "cli/line_prefix.h"
#include "browse/value_data.h"
#include "detect/hive_root.h"
#include "export/regedit4_export.h"
#include "export/regedit4_lines.h"
#include "hive/finding.h"
#include "recover/recovery_text.h"
#include "salvage/check_text.h"
#include "salvage/salvage.h"
#include "text/report_file.h"
#include "text/text_encoding.h"
#include "text/json_text.h"

namespace quarvex::cli {

namespace {

const char* const kUsage =
    "usage: quarvex-cli recover [--json FILE|-] [--export OUT.reg] [--export-root NAME]\n"
    "                           [--min-confidence high|medium|low] [--all] [--codepage CP|auto] FILE...\n"
    "  Lists the deleted keys and values the registry file still holds: one block of lines per\n"
    "  key (offset, path, confidence and why, then its values), the earlier values of live keys\n"
    "  (\"was: ...\") and a summary line. A fragment carved from a disk image (its address in the\n"
    "  carving listing of `hives`, IMAGE::@0xOFFSET) gives the deleted keys its free space keeps,\n"
    "  at their offsets in the image, after lines that say what the fragment keeps and lacks.\n"
    "  --json FILE       also write them as JSON to FILE ('-': standard output, in place of the\n"
    "                    lines); with several files one document per file, a line each\n"
    "  --export OUT.reg  write them as REGEDIT4 under their paths, each key after a comment with\n"
    "                    its offset and confidence (partial values as comments only; one FILE)\n"
    "  --export-root NAME  the root key in front of each path (default: told by the hive's top\n"
    "                    keys, else by the file's name)\n"
    "  --min-confidence  list only keys of this confidence or higher (default: low, all)\n"
    "  --all             also list older copies identical to a live key (counted in the summary)\n"
    "  With several files, each line starts with its file's name, as grep writes it.\n"
    "  Exit status: 0 (also when nothing is found), 1 a file is not readable as a hive,\n"
    "  2 usage error, 3 an output file could not be written.\n";

std::string Utf8(hive::Bytes bytes, text::CodePage cp) {
  return text::CodePageToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), cp);
}

void WriteText(const std::vector<const recover::RecoveredKey*>& keys, text::CodePage cp, std::ostream& out) {
  for (const recover::RecoveredKey* k : keys)
    for (const std::string& line : recover::RecoveredKeyLines(*k, cp)) out << line << '\n';
}

// One value's members; extra: more members, with their leading comma.
std::string ValueJson(const recover::RecoveredValue& v, const std::string& extra, text::CodePage cp) {
  using text::JsonString;
  std::string hex;
  char buffer[4];
  for (const std::uint8_t b : v.data) {
    std::snprintf(buffer, sizeof buffer, "%02x", b);
    hex += buffer;
  }
  return "{\"offset\": " + std::to_string(v.offset.value) + ", \"type\": " + std::to_string(v.type) +
         ", \"name\": " + JsonString(Utf8(v.name, cp)) + ", \"nameLength\": " + std::to_string(v.nameLength) +
         ", \"dataLength\": " + std::to_string(v.dataLength) + ", \"data\": \"" + hex +
         "\", \"partial\": " + (v.partial ? "true" : "false") + extra + browse::DecodedDataJson(v.type, v.data, cp) +
         "}";
}

std::string CounterpartJson(const recover::RecoveredKey& k, text::CodePage cp) {
  using text::JsonString;
  if (!k.liveCounterpart) return "null";
  const recover::LiveCounterpart& lc = *k.liveCounterpart;
  std::string s = "{\"path\": " + JsonString(text::CodePageToUtf8(lc.path, cp)) +
                  ", \"identical\": " + (lc.identical ? "true" : "false") + ", \"changed\": [";
  for (std::size_t i = 0; i < lc.changed.size(); ++i)
    s += std::string(i ? ", " : "") + "{\"value\": " + JsonString(text::CodePageToUtf8(lc.changed[i].name, cp)) +
         ", \"change\": " + JsonString(recover::ValueChangeName(lc.changed[i].kind)) + "}";
  return s + "]}";
}

// The document of one file; oneLine: without the line ends between its keys (several files
// are written one document a line).
std::string Json(const std::string& fileMembers, const std::vector<const recover::RecoveredKey*>& keys,
                 const recover::Recovery& recovery, std::size_t copiesNotListed, text::CodePage cp, bool oneLine) {
  using text::JsonString;
  const std::string between = oneLine ? " " : "\n";
  std::string s = "{" + fileMembers + ", \"keys\": [";
  bool firstKey = true;
  for (const recover::RecoveredKey* k : keys) {
    s += (firstKey ? "" : ",") + between;
    firstKey = false;
    s += "  {\"offset\": " + std::to_string(k->offset.value) + ", \"block\": " + std::to_string(k->block) +
         ", \"recordNumber\": " + (k->recordNumber ? std::to_string(*k->recordNumber) : "null") +
         ", \"source\": " + JsonString(recover::SourceName(k->source)) +
         ", \"name\": " + JsonString(Utf8(k->name, cp)) +
         ", \"path\": " + JsonString(text::CodePageToUtf8(k->path, cp)) +
         ", \"parentKnown\": " + (k->parentKnown ? "true" : "false") +
         ", \"pathGuessed\": " + (k->pathGuessed ? "true" : "false") +
         ", \"keyNode\": " + (k->node ? std::to_string(k->node->InFile().value) : "null") +
         ", \"confidence\": " + JsonString(recover::ConfidenceName(k->confidence)) +
         ", \"partial\": " + (k->partial ? "true" : "false") +
         ", \"valuesAnnounced\": " + std::to_string(k->valuesAnnounced) +
         ", \"link\": " + JsonString(recover::LinkName(k->link)) +
         ", \"olderCopy\": " + (k->olderCopy ? "true" : "false") + ", \"liveCounterpart\": " + CounterpartJson(*k, cp) +
         ", \"reasons\": [";
    for (std::size_t i = 0; i < k->reasons.size(); ++i) s += (i ? ", " : "") + JsonString(k->reasons[i]);
    s += "], \"values\": [";
    for (std::size_t i = 0; i < k->values.size(); ++i)
      s += std::string(i ? ", " : "") + ValueJson(k->values[i], "", cp);
    s += "]}";
  }
  s += std::string(firstKey ? "" : between) + "], \"liveKeys\": [";
  for (std::size_t r = 0; r < recovery.liveKeys.size(); ++r) {
    const recover::LiveKeyRemains& remains = recovery.liveKeys[r];
    s += (r ? "," : "") + between + "  {\"path\": " + JsonString(text::CodePageToUtf8(remains.path, cp)) +
         ", \"values\": [";
    for (std::size_t i = 0; i < remains.values.size(); ++i) {
      const recover::EarlierValue& e = remains.values[i];
      s += std::string(i ? ", " : "") +
           ValueJson(e.value,
                     ", \"where\": " + JsonString(e.where == recover::EarlierValue::Slack ? "slack" : "older copy") +
                         ", \"record\": " + std::to_string(e.record.value) +
                         ", \"confidence\": " + JsonString(recover::ConfidenceName(e.confidence)),
                     cp);
    }
    s += "]}";
  }
  s += std::string(recovery.liveKeys.empty() ? "" : between) +
       "], \"identicalCopiesNotListed\": " + std::to_string(copiesNotListed) + ", \"summary\": " +
       JsonString(recover::RecoverySummaryLine(keys, copiesNotListed, recovery.summary.earlierValues)) +
       ", \"workCapReached\": " + (recovery.summary.workCapReached ? "true" : "false") + "}";
  return s;
}

// What recover reads one file as: a hive (session/opened_hive.h), or a fragment carved from a
// disk image (IMAGE::@0xOFFSET where no whole file lies), whose deleted keys are those its
// free space keeps by the carver's rules, placed in the image and marked carved.
struct RecoverySource {
  std::unique_ptr<session::OpenedHive> hive;
  std::unique_ptr<LoadedFragment> fragment;
  text::CodePage codePage = text::CodePage::Cp1252;
  std::string fileMembers;               // "\"file\": ..." and what else names it in the JSON
  std::vector<std::string> carvedNotes;  // for a fragment: what it is, keeps and lacks

  const recover::Recovery& Recovery() const { return hive ? hive->Recovery() : fragment->recovery; }
  const salvage::SalvagedHive& Hive() const { return hive ? hive->hive : fragment->read.contents.hive; }
};

std::optional<RecoverySource> OpenForRecovery(const session::HiveAddress& address, std::optional<text::CodePage> named,
                                              std::ostream& err) {
  const std::string& file = address.Text();
  RecoverySource source;
  if (AddressesFragment(file)) {
    source.fragment = LoadFragment("recover", file, named, true, err);
    if (!source.fragment) return std::nullopt;
    const carve::AddressedFragment& read = source.fragment->read;
    source.codePage = read.contents.codePage;
    source.carvedNotes = carve::FragmentMark(read.fragment, read.contents);
    std::string notes;
    for (const std::string& note : source.carvedNotes) notes += (notes.empty() ? "" : ", ") + text::JsonString(note);
    source.fileMembers = "\"file\": " + text::JsonString(file) + ", \"carved\": true, \"notes\": [" + notes + "]";
    return source;
  }
  std::string error;
  source.hive = session::Open(address, session::OpenOptions::With(named, session::ReportCheck::Never), error);
  if (!source.hive) {
    err << "quarvex-cli recover: " << file << ": cannot read: " << error << '\n';
    return std::nullopt;
  }
  if (!source.hive->IsHive()) {
    err << "quarvex-cli recover: " << file << ": " << source.hive->NotAHiveText() << '\n';
    if (const std::string hint = session::HivesHint(file, source.hive->other); !hint.empty())
      err << "quarvex-cli recover: " << hint << '\n';
    return std::nullopt;
  }
  source.codePage = source.hive->codePage.codePage;
  source.fileMembers = FileMembers(*source.hive) + ContainerMembers("recover", *source.hive, err);
  return source;
}

}  // namespace

void RecoveredRegedit4(const recover::Recovery& recovery, const std::string& rootKey, text::CodePage codePage,
                       text::ReportLines& out) {
  const text::LeadByteSet leadBytes = text::LeadByteSet::For(codePage);
  out.Append("REGEDIT4");
  for (const recover::RecoveredKey& k : recovery.keys) {
    out.Append("");
    out.Append("; recovered from " + hive::Hex32(static_cast<std::uint32_t>(k.offset.value)) + " (" +
               std::string(recover::SourceName(k.source)) + "), confidence " +
               std::string(recover::ConfidenceName(k.confidence)) + (k.partial ? ", partial" : "") +
               (k.pathGuessed ? ", path guessed" : "") + (k.parentKnown ? "" : ", parent unknown") +
               (k.olderCopy ? ", an older copy of the live key" : ""));
    out.Append("[" + rootKey + (k.path.empty() ? "" : "\\" + k.path) + "]");
    for (const recover::RecoveredValue& v : k.values) {
      if (v.partial) {
        out.Append("; partial value, not written: " + std::to_string(v.data.size()) + " of " +
                   std::to_string(v.dataLength) + " data bytes survive at " +
                   hive::Hex32(static_cast<std::uint32_t>(v.offset.value)));
        continue;
      }
      exporter::AppendValueLines(out, v.name, v.type, v.data, leadBytes);
    }
  }
}

std::string RecoverUsage() { return kUsage; }

int RunRecover(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine commandLine = ReadCommandLine("recover", args, out, err);
  if (!commandLine.args) return commandLine.status;
  const ParsedArgs& parsed = *commandLine.args;
  std::optional<text::CodePage> named;  // --codepage; empty: auto, detected for the file
  if (!CodePageArgument("recover", parsed, named, err)) return kExitUsage;
  recover::Confidence minimum = recover::Confidence::Low;
  if (const std::optional<std::string> value = parsed.Value("--min-confidence")) {
    const auto c = recover::ParseConfidence(*value);
    if (!c) {
      err << "quarvex-cli recover: unknown confidence '" << *value << "'\n" << kUsage;
      return kExitUsage;
    }
    minimum = *c;
  }
  const std::optional<std::string> json = parsed.Value("--json");
  const std::optional<std::string> exportFile = parsed.Value("--export");
  const std::optional<std::string> exportRoot = parsed.Value("--export-root");
  const bool listCopies = parsed.Has("--all");
  if (exportRoot && (exportRoot->empty() || exportRoot->find_first_of("[]\\\r\n") != std::string::npos)) {
    err << "quarvex-cli recover: --export-root needs a root key name without brackets, backslashes or line ends\n"
        << kUsage;
    return kExitUsage;
  }
  if (exportRoot && !exportFile) {
    err << "quarvex-cli recover: --export-root goes with --export\n" << kUsage;
    return kExitUsage;
  }
  const std::vector<std::string>& files = parsed.positional;
  if (files.empty()) {
    err << "quarvex-cli recover: no file given\n" << kUsage;
    return kExitUsage;
  }
  if (const std::string clash = OutputClash({{"--json", json.value_or("")}, {"--export", exportFile.value_or("")}});
      !clash.empty()) {
    err << "quarvex-cli recover: " << clash << '\n' << kUsage;
    return kExitUsage;
  }
  std::vector<session::HiveAddress> addresses;
  for (const std::string& file : files) addresses.push_back(session::HiveAddress::Parse(file));
  for (const session::HiveAddress& address : addresses)
    for (const std::optional<std::string>* output : {&json, &exportFile}) {
      if (*output && **output != "-" && SameFile(address.DiskFile(), **output)) {
        err << "quarvex-cli recover: the output file " << **output << " is a file to read; not overwriting it\n";
        return kExitUsage;
      }
    }
  if (exportFile && *exportFile == "-") {
    err << "quarvex-cli recover: --export needs a file name\n" << kUsage;
    return kExitUsage;
  }
  if (exportFile && files.size() > 1) {
    err << "quarvex-cli recover: --export writes the keys of one FILE\n" << kUsage;
    return kExitUsage;
  }

  const bool several = files.size() > 1;
  const bool jsonToOut = json && *json == "-";
  int status = kExitOk;
  std::string documents;  // --json to a file: every file's document
  for (const session::HiveAddress& address : addresses) {
    const std::string& file = address.Text();
    std::string error;
    const std::optional<RecoverySource> source = OpenForRecovery(address, named, err);
    if (!source) {
      status = kExitJobFailed;
      continue;
    }
    const text::CodePage codePage = source->codePage;
    recover::Recovery recovery = source->Recovery();
    std::vector<recover::RecoveredKey> kept;
    std::size_t copiesNotListed = 0;  // older copies identical to a live key, without --all
    for (recover::RecoveredKey& k : recovery.keys) {
      if (k.confidence < minimum) continue;
      if (k.IdenticalCopy() && !listCopies) {
        ++copiesNotListed;
        continue;
      }
      kept.push_back(std::move(k));
    }
    recovery.keys = std::move(kept);
    std::vector<const recover::RecoveredKey*> keys;
    for (const recover::RecoveredKey& k : recovery.keys) keys.push_back(&k);

    if (!jsonToOut) {
      PrefixedStream lines(out, FilePrefix(file, several));
      for (const std::string& note : source->carvedNotes) lines << (several ? "" : file + ": ") << note << '\n';
      WriteText(keys, codePage, lines);
      for (const recover::LiveKeyRemains& remains : recovery.liveKeys)
        for (const std::string& line : recover::LiveKeyRemainsLines(remains, codePage)) lines << line << '\n';
      lines << (several ? "" : file + ": ")
            << recover::RecoverySummaryLine(keys, copiesNotListed, recovery.summary.earlierValues)
            << (copiesNotListed > 0 ? " (--all lists them)" : "") << '\n';
      if (recovery.summary.workCapReached)
        lines << (several ? "" : file + ": ")
              << "the scan of free space stopped at its work cap; some free space was not searched\n";
    }
    if (json) {
      const std::string document =
          WithProgram(Json(source->fileMembers, keys, recovery, copiesNotListed, codePage, several));
      if (jsonToOut)
        out << document << '\n';
      else
        documents += document + '\n';
    }
    if (exportFile) {
      text::ReportLines lines;
      // The root key as the export of the live keys tells it: from the hive's top keys, the
      // file's name only when they do not tell.
      std::string root = exportRoot.value_or("");
      if (root.empty()) {
        const auto byContent = detect::RootKeyForContent(source->Hive());
        root = byContent ? byContent->rootKey : exporter::RootKeyForFileName(address.InnermostName());
      }
      RecoveredRegedit4(recovery, text::Utf8ToCodePage(root, codePage), codePage, lines);
      if (!text::SaveReportLines(lines, *exportFile, error)) {
        err << "quarvex-cli recover: cannot write " << *exportFile << ": " << error << '\n';
        status = kExitWriteFailed;
      }
    }
  }
  if (json && !jsonToOut && !documents.empty()) {
    text::ReportLines lines;
    std::size_t begin = 0;
    while (begin < documents.size()) {
      const std::size_t end = documents.find('\n', begin);
      lines.Append(std::string_view(documents).substr(begin, end - begin));
      begin = end + 1;
    }
    std::string error;
    if (!text::SaveReportLines(lines, *json, error, std::nullopt, "\n")) {
      err << "quarvex-cli recover: cannot write " << *json << ": " << error << '\n';
      status = kExitWriteFailed;
    }
  }
  out.flush();
  return status == kExitOk && !out ? kExitWriteFailed : status;
}

}  // namespace quarvex::cli
