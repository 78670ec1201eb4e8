#include "app/cli_history.h"

#include <filesystem>
#include <memory>
#include <optional>

#include "app/cli_args.h"
#include "app/cli_run.h"
#include "app/diff_lines.h"
#include "app/file_digest.h"
#include "app/hive_access.h"
#include "app/value_json.h"
#include "browse/diff.h"
#include "browse/value_text.h"
#include "image/container_kind.h"
#include "image/hive_copies.h"
#include "salvage/check_text.h"

namespace quarvex::cli {

namespace {

const char* const kUsage =
    "usage: quarvex-cli history [--key KEY] [--json] [--codepage CP|auto] FILE...|IMAGE\n"
    "  The same hive through time: what changed from each copy to the next (keys and values\n"
    "  added, removed and changed, with old and new data). Files are taken in the order named,\n"
    "  oldest first. An image or a cabinet backup gives every copy of each hive it holds (the\n"
    "  live file, SYSTEM.1ST, SYSTEM.DA0/USER.DA0, the members of RB00n.CAB, deleted files),\n"
    "  ordered by their dates: a cabinet member's own date, else the FAT entry's written date\n"
    "  (local time, as the disk holds them).\n"
    "  --key KEY  only the changes at and below KEY, and KEY's values in each copy\n"
    "  --json     the copies, the changes of each step and the key's story as JSON\n"
    "  Exit status: 0, 1 a copy is not readable as a hive (the others are still compared),\n"
    "  2 usage error.\n";

struct Copy {
  std::string address;
  std::string when;  // "2001-06-10 09:00:00 (cabinet member)", "" unknown
  std::string note;
  std::unique_ptr<OpenedHive> hive;  // null: could not be read
};

struct History {
  std::string hive;
  std::vector<Copy> copies;
};

// The loose file's own last-written time, in UTC as the file system keeps it.
std::string FileWritten(const std::string& file) {
  std::error_code error;
  const auto written = std::filesystem::last_write_time(file, error);
  if (error) return {};
  const auto system = std::chrono::file_clock::to_sys(written);
  return image::WallClockText(std::chrono::system_clock::to_time_t(system)) + " UTC (file written)";
}

// Whether path is key or lies below it (names compared as Windows 9x compares them: ASCII
// letters folded).
bool AtOrBelow(const std::string& path, const std::string& key) {
  if (path.size() < key.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(path[i])) != std::tolower(static_cast<unsigned char>(key[i])))
      return false;
  return path.size() == key.size() || path[key.size()] == '\\';
}

std::string KeyState(const OpenedHive& hive, const std::string& key, text::CodePage cp, bool json) {
  const browse::HiveView& view = *hive.view;
  const browse::Lookup found = view.Find(key);
  if (!found.key) return json ? "{\"present\": false}" : "absent";
  const auto values = view.Values(*found.key);
  if (json) {
    std::string s = "{\"present\": true, \"values\": [";
    for (std::size_t i = 0; i < values.size(); ++i) s += (i ? ", " : "") + ValueJson(values[i], view);
    return s + "]}";
  }
  std::string s = values.empty() ? "present, no values" : "present";
  for (const salvage::SalvagedValue& v : values)
    s += "\n      " + DisplayValueName(v, cp) + " = " + browse::DataText(v, cp, 80);
  return s;
}

}  // namespace

int RunHistory(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::optional<ParsedArgs> parsed = ParseArgs("history", args, {"--json"}, {"--key", "--codepage"}, kUsage, err);
  if (!parsed) return kExitUsage;
  if (parsed->Has("--help")) {
    out << kUsage;
    return kExitOk;
  }
  std::optional<text::CodePage> named;
  if (!CodePageArgument("history", *parsed, named, kUsage, err)) return kExitUsage;
  const std::vector<std::string>& files = parsed->positional;
  const std::optional<std::string> key = parsed->Value("--key");
  const bool json = parsed->Has("--json");
  if (files.empty()) {
    err << "quarvex-cli history: no file given\n" << kUsage;
    return kExitUsage;
  }

  // The histories to tell: an image's (or cabinet's) copies of each hive, or the files named.
  std::vector<History> histories;
  const bool container = files.size() == 1 && image::ContainerKindOf(files[0]) != image::ContainerKind::None;
  if (container) {
    std::string error;
    const std::optional<image::HiveListing> listing = image::ListHives(files[0], true, error);
    if (!listing) {
      err << "quarvex-cli history: " << files[0] << ": " << error << '\n';
      return kExitJobFailed;
    }
    for (const image::HiveHistory& h : image::HistoriesOf(files[0], *listing)) {
      History& history = histories.emplace_back();
      history.hive = h.hive;
      for (const image::HiveCopy& c : h.copies)
        history.copies.push_back({c.address, c.when ? image::WallClockText(c.when) + " (" + c.whenSource + ")" : "",
                                  c.note, nullptr});
    }
  } else {
    History& history = histories.emplace_back();
    history.hive = "as named";
    for (const std::string& file : files) history.copies.push_back({file, FileWritten(file), "", nullptr});
  }

  int status = kExitOk;
  std::string document;
  for (History& history : histories) {
    // One code page for every copy of a hive: the first readable copy's (or the one named).
    std::optional<text::CodePage> cp = named;
    for (Copy& c : history.copies) {
      c.hive = OpenHive("history", c.address, cp, ReportCheck::WhenDamaged, err);
      if (!c.hive) status = kExitJobFailed;
    }
    const text::CodePage codePage = cp.value_or(text::CodePage::Cp932);
    std::string copiesJson, stepsJson, storyJson;
    if (!json) {
      out << "History of " << history.hive << ": " << history.copies.size()
          << (history.copies.size() == 1 ? " copy\n" : " copies\n");
    }
    for (std::size_t i = 0; i < history.copies.size(); ++i) {
      const Copy& c = history.copies[i];
      // Each copy read is named by its size and digests, as facts and timeline name a hive.
      const std::optional<FileDigests> digests =
          c.hive ? std::optional<FileDigests>(DigestsOf(c.hive->checked->bytes)) : std::nullopt;
      const std::size_t size = c.hive ? c.hive->checked->bytes.size() : 0;
      if (json) {
        copiesJson += std::string(i ? ", " : "") + "{\"copy\": " + std::to_string(i + 1) +
                      ", \"file\": " + salvage::JsonString(c.address) +
                      ", \"when\": " + salvage::JsonString(c.when) + ", \"note\": " + salvage::JsonString(c.note) +
                      ", \"readable\": " + (c.hive ? "true" : "false");
        if (digests)
          copiesJson += ", \"size\": " + std::to_string(size) + ", \"sha256\": \"" + digests->sha256 +
                        "\", \"md5\": \"" + digests->md5 + "\"";
        copiesJson += "}";
      } else {
        out << "  [" << i + 1 << "] " << c.address << (c.when.empty() ? "" : "  " + c.when)
            << (c.note.empty() ? "" : "  (" + c.note + ")") << (c.hive ? "" : "  (not readable)") << '\n';
        if (digests)
          out << "      " << size << " bytes, SHA-256 " << digests->sha256 << ", MD5 " << digests->md5 << '\n';
      }
    }
    // Each step: from the last readable copy to the next readable one.
    std::optional<std::size_t> from;
    bool firstStep = true;
    for (std::size_t i = 0; i < history.copies.size(); ++i) {
      if (!history.copies[i].hive) continue;
      if (from) {
        const OpenedHive& a = *history.copies[*from].hive;
        const OpenedHive& b = *history.copies[i].hive;
        std::vector<browse::Difference> diffs = browse::Diff(*a.view, *b.view);
        if (key)
          std::erase_if(diffs, [&](const browse::Difference& d) { return !AtOrBelow(DifferencePath(d, *a.view, *b.view), *key); });
        if (json) {
          stepsJson += std::string(firstStep ? "" : ", ") + "{\"from\": " + std::to_string(*from + 1) +
                       ", \"to\": " + std::to_string(i + 1) + ", \"changes\": [";
          for (std::size_t n = 0; n < diffs.size(); ++n)
            stepsJson += (n ? ", " : "") + DifferenceJson(diffs[n], *a.view, *b.view);
          stepsJson += "]}";
        } else {
          out << "\n== [" << *from + 1 << "] -> [" << i + 1 << "]: " << diffs.size()
              << (diffs.size() == 1 ? " change\n" : " changes\n");
          for (const browse::Difference& d : diffs) out << DifferenceLine(d, *a.view, *b.view, codePage) << '\n';
        }
        firstStep = false;
      }
      from = i;
    }
    if (key) {
      if (!json) out << "\n" << *key << " in each copy:\n";
      for (std::size_t i = 0; i < history.copies.size(); ++i) {
        const Copy& c = history.copies[i];
        if (json) {
          storyJson += std::string(i ? ", " : "") + "{\"copy\": " + std::to_string(i + 1) + ", \"state\": " +
                       (c.hive ? KeyState(*c.hive, *key, codePage, true) : std::string("null")) + "}";
        } else {
          out << "  [" << i + 1 << "] " << (c.hive ? KeyState(*c.hive, *key, codePage, false) : "not readable") << '\n';
        }
      }
    }
    if (json) {
      document += std::string(document.empty() ? "" : ", ") + "{\"hive\": " + salvage::JsonString(history.hive) +
                  ", \"copies\": [" + copiesJson + "], \"steps\": [" + stepsJson + "]" +
                  (key ? ", \"key\": {\"path\": " + salvage::JsonString(*key) + ", \"states\": [" + storyJson + "]}" : "") +
                  "}";
    } else if (&history != &histories.back()) {
      out << '\n';
    }
  }
  if (json) out << WithProgram("{\"histories\": [" + document + "]}") << '\n';
  if (FinishOutput(out) != kExitOk) return kExitJobFailed;
  return status;
}

}  // namespace quarvex::cli
