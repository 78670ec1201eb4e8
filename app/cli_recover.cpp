#include "app/cli_recover.h"
#include "app/cli_args.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

#include "app/checked_hive.h"
#include "app/cli_check.h"
#include "app/line_prefix.h"
#include "browse/value_data.h"
#include "export/regedit4_export.h"
#include "export/regedit4_lines.h"
#include "hive/finding.h"
#include "recover/recovery_text.h"
#include "salvage/check_text.h"
#include "salvage/salvage.h"
#include "text/report_file.h"
#include "text/text_encoding.h"

namespace quarvex::cli {

namespace {

const char* const kUsage =
    "usage: quarvex-cli recover [--json FILE|-] [--export OUT.reg] [--min-confidence high|medium|low]\n"
    "                           [--codepage CP|auto] FILE...\n"
    "  Lists the deleted keys and values the registry file still holds: one block of lines per\n"
    "  key (offset, path, confidence and why, then its values) and a summary line.\n"
    "  --json FILE       also write them as JSON to FILE ('-': standard output, in place of the\n"
    "                    lines); with several files one document per file, a line each\n"
    "  --export OUT.reg  write them as REGEDIT4 under their paths, each key after a comment with\n"
    "                    its offset and confidence (partial values as comments only; one FILE)\n"
    "  --min-confidence  list only keys of this confidence or higher (default: low, all)\n"
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

// The document of one file; oneLine: without the line ends between its keys (several files
// are written one document a line).
std::string Json(const std::string& file, const std::vector<const recover::RecoveredKey*>& keys, bool capReached,
                 text::CodePage cp, bool oneLine) {
  using salvage::JsonString;
  const std::string between = oneLine ? " " : "\n";
  std::string s = "{\"file\": " + JsonString(file) + ", \"keys\": [";
  bool firstKey = true;
  for (const recover::RecoveredKey* k : keys) {
    s += (firstKey ? "" : ",") + between;
    firstKey = false;
    s += "  {\"offset\": " + std::to_string(k->offset.value) + ", \"block\": " + std::to_string(k->block) +
         ", \"recordNumber\": " + (k->recordNumber ? std::to_string(*k->recordNumber) : "null") +
         ", \"source\": " + JsonString(recover::SourceName(k->source)) + ", \"name\": " + JsonString(Utf8(k->name, cp)) +
         ", \"path\": " + JsonString(text::CodePageToUtf8(k->path, cp)) +
         ", \"parentKnown\": " + (k->parentKnown ? "true" : "false") + ", \"pathGuessed\": " + (k->pathGuessed ? "true" : "false") +
         ", \"keyNode\": " + (k->node ? std::to_string(k->node->InFile().value) : "null") +
         ", \"confidence\": " + JsonString(recover::ConfidenceName(k->confidence)) +
         ", \"partial\": " + (k->partial ? "true" : "false") + ", \"valuesAnnounced\": " + std::to_string(k->valuesAnnounced) +
         ", \"reasons\": [";
    for (std::size_t i = 0; i < k->reasons.size(); ++i) s += (i ? ", " : "") + JsonString(k->reasons[i]);
    s += "], \"values\": [";
    for (std::size_t i = 0; i < k->values.size(); ++i) {
      const recover::RecoveredValue& v = k->values[i];
      std::string hex;
      char buffer[4];
      for (const std::uint8_t b : v.data) {
        std::snprintf(buffer, sizeof buffer, "%02x", b);
        hex += buffer;
      }
      s += std::string(i ? ", " : "") + "{\"offset\": " + std::to_string(v.offset.value) + ", \"type\": " +
           std::to_string(v.type) + ", \"name\": " + JsonString(Utf8(v.name, cp)) + ", \"nameLength\": " +
           std::to_string(v.nameLength) + ", \"dataLength\": " + std::to_string(v.dataLength) + ", \"data\": \"" + hex +
           "\", \"partial\": " + (v.partial ? "true" : "false") + browse::DecodedDataJson(v.type, v.data, cp) + "}";
    }
    s += "]}";
  }
  s += std::string(firstKey ? "" : between) + "], \"summary\": " + JsonString(recover::RecoverySummaryLine(keys)) +
       ", \"workCapReached\": " + (capReached ? "true" : "false") + "}";
  return s;
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
               (k.pathGuessed ? ", path guessed" : "") + (k.parentKnown ? "" : ", parent unknown"));
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

int RunRecover(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::optional<ParsedArgs> parsed =
      ParseArgs("recover", args, {}, {"--json", "--export", "--min-confidence", "--codepage"}, kUsage, err);
  if (!parsed) return kExitUsage;
  if (parsed->Has("--help")) {
    out << kUsage;
    return kExitOk;
  }
  std::optional<text::CodePage> named;  // --codepage; empty: auto, detected for the file
  if (!CodePageArgument("recover", *parsed, named, kUsage, err)) return kExitUsage;
  recover::Confidence minimum = recover::Confidence::Low;
  if (const std::optional<std::string> value = parsed->Value("--min-confidence")) {
    const auto c = recover::ParseConfidence(*value);
    if (!c) {
      err << "quarvex-cli recover: unknown confidence '" << *value << "'\n" << kUsage;
      return kExitUsage;
    }
    minimum = *c;
  }
  const std::optional<std::string> json = parsed->Value("--json");
  const std::optional<std::string> exportFile = parsed->Value("--export");
  const std::vector<std::string>& files = parsed->positional;
  if (files.empty()) {
    err << "quarvex-cli recover: no file given\n" << kUsage;
    return kExitUsage;
  }
  if (const std::string clash = OutputClash({{"--json", json.value_or("")}, {"--export", exportFile.value_or("")}});
      !clash.empty()) {
    err << "quarvex-cli recover: " << clash << '\n' << kUsage;
    return kExitUsage;
  }
  for (const std::string& file : files)
    for (const std::optional<std::string>* output : {&json, &exportFile}) {
      if (*output && **output != "-" && SameFile(DiskFileOf(file), **output)) {
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
  for (const std::string& file : files) {
    std::string error;
    CheckOptions checkOptions;
    checkOptions.codePage = named;
    checkOptions.report = ReportCheck::Never;
    const std::unique_ptr<CheckedHive> checked = CheckFile(file, checkOptions, error);
    if (!checked) {
      err << "quarvex-cli recover: " << file << ": cannot read: " << error << '\n';
      status = kExitJobFailed;
      continue;
    }
    if (!checked->IsHive()) {
      err << "quarvex-cli recover: " << file << ": " << checked->NotAHiveText() << '\n';
      if (const std::string hint = HivesHint(file, checked->other); !hint.empty())
        err << "quarvex-cli recover: " << hint << '\n';
      status = kExitJobFailed;
      continue;
    }
    const text::CodePage codePage = checked->codePage.codePage;
    recover::RecoverOptions options;
    options.codePage = codePage;
    recover::Recovery recovery = recover::Recover(checked->hive, options);
    std::vector<recover::RecoveredKey> kept;
    for (recover::RecoveredKey& k : recovery.keys)
      if (k.confidence >= minimum) kept.push_back(std::move(k));
    recovery.keys = std::move(kept);
    std::vector<const recover::RecoveredKey*> keys;
    for (const recover::RecoveredKey& k : recovery.keys) keys.push_back(&k);

    if (!jsonToOut) {
      PrefixedStream lines(out, FilePrefix(file, several));
      WriteText(keys, codePage, lines);
      lines << (several ? "" : file + ": ") << recover::RecoverySummaryLine(keys) << '\n';
      if (recovery.summary.workCapReached)
        lines << (several ? "" : file + ": ")
              << "the scan of free space stopped at its work cap; some free space was not searched\n";
    }
    if (json) {
      const std::string document = WithProgram(Json(file, keys, recovery.summary.workCapReached, codePage, several));
      if (jsonToOut)
        out << document << '\n';
      else
        documents += document + '\n';
    }
    if (exportFile) {
      text::ReportLines lines;
      RecoveredRegedit4(recovery, text::Utf8ToCodePage(exporter::RootKeyForFileName(InnermostName(file)), codePage),
                        codePage, lines);
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
