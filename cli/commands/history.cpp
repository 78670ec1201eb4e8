#include "cli/commands/history.h"

#include <filesystem>
#include <memory>
#include <optional>

#include "cli/cli_args.h"
#include "cli/cli_subcommands.h"
#include "cli/cli_run.h"
#include "cli/diff_lines.h"
#include "session/file_digest.h"
#include "cli/hive_access.h"
#include "session/container_digests.h"
#include "cli/value_json.h"
#include "browse/diff.h"
#include "browse/value_text.h"
#include "image/container_kind.h"
#include "image/hive_copies.h"
#include "image/file_time.h"
#include "salvage/check_text.h"
#include "timeline/key_story.h"
#include "text/json_text.h"

namespace quarvex::cli {

namespace {

const char* const kUsage =
    "usage: quarvex-cli history [--key KEY] [--json] [--codepage CP|auto] FILE...|IMAGE\n"
    "  The same hive through time: what changed from each copy to the next (keys and values\n"
    "  added, removed and changed, with old and new data). Files are taken in the order named,\n"
    "  oldest first. An image or a cabinet backup gives every copy of each hive it holds (the\n"
    "  live file, SYSTEM.1ST, SYSTEM.DA0/USER.DA0, the members of RB00n.CAB, deleted files),\n"
    "  ordered by their dates: a cabinet member's own date, else the FAT entry's written date\n"
    "  (local time, as the disk holds them). One hive named alone (SYSTEM.DAT, or IMAGE::PATH)\n"
    "  gives its copies beside it: in its image, or in its folder and a SYSBCKUP folder there\n"
    "  (SYSTEM.DA0, SYSTEM.1ST, RB00n.CAB members; loose files dated by their written time, UTC).\n"
    "  --key KEY  only the changes at and below KEY, and KEY's values in each copy, each\n"
    "             marked present, added, removed or changed against the copy before\n"
    "  --json     the copies, the changes of each step and the key's story as JSON\n"
    "  Exit status: 0, 1 a copy is not readable as a hive (the others are still compared),\n"
    "  2 usage error.\n";

struct Copy {
  std::string address;
  std::string when;  // "2001-06-10 09:00:00 (cabinet member)", "" unknown
  std::string note;
  std::unique_ptr<session::OpenedHive> hive;  // null: could not be read
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
  return image::WallClockText(image::FileTimeUtc(written)) + " UTC (file written)";
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

// The key's state in one copy as JSON: present, and its values.
std::string KeyJson(const session::OpenedHive& hive, const std::string& key) {
  const browse::HiveView& view = hive.View();
  const browse::Lookup found = view.Find(key);
  if (!found.key) return "{\"present\": false}";
  const auto values = view.Values(*found.key);
  std::string s = "{\"present\": true, \"values\": [";
  for (std::size_t i = 0; i < values.size(); ++i) s += (i ? ", " : "") + ValueJson(values[i], view);
  return s + "]}";
}

// The copies of the one hive named (image/hive_copies.h: in its image, or its folder), when
// there are others than itself.
bool CopiesBesideOne(const std::string& file, std::vector<History>& histories, std::string& error) {
  const std::optional<image::HiveHistory> found = image::CopiesOf(file, error);
  if (!found || found->copies.size() < 2) return false;
  History& history = histories.emplace_back();
  history.hive = found->hive;
  for (const image::HiveCopy& c : found->copies)
    history.copies.push_back({c.address, c.when ? image::CopyWhenText(c) : "", c.note, nullptr});
  return true;
}

// "present", "changed" ... with the key's values under it, each marked when it changed from the
// copy before, and the values that copy had and this one lacks.
std::string StoryText(const timeline::KeyInCopy& k) {
  std::string s = timeline::KeyStateName(k.state);
  if (k.state != timeline::KeyState::NotReadable && k.state != timeline::KeyState::Absent &&
      k.state != timeline::KeyState::Removed && k.values.empty())
    s += ", no values";
  for (const timeline::ValueInCopy& v : k.values)
    s += "\n      " + (v.name.empty() ? std::string("@") : v.name) + " = " + v.data +
         (v.mark == timeline::ValueMark::Added     ? "  (added)"
          : v.mark == timeline::ValueMark::Changed ? "  (changed)"
                                                   : "");
  for (const std::string& name : k.removedValues)
    s += "\n      " + (name.empty() ? std::string("@") : name) + "  (removed)";
  return s;
}

}  // namespace

std::string HistoryUsage() { return kUsage; }

int RunHistory(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine commandLine = ReadCommandLine("history", args, out, err);
  if (!commandLine.args) return commandLine.status;
  const ParsedArgs& parsed = *commandLine.args;
  std::optional<text::CodePage> named;
  if (!CodePageArgument("history", parsed, named, err)) return kExitUsage;
  const std::vector<std::string>& files = parsed.positional;
  const std::optional<std::string> key = parsed.Value("--key");
  const bool json = parsed.Has("--json");
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
        history.copies.push_back(
            {c.address, c.when ? image::WallClockText(c.when) + " (" + c.whenSource + ")" : "", c.note, nullptr});
    }
  } else if (std::string error; files.size() == 1 && CopiesBesideOne(files[0], histories, error)) {
    // One hive named alone: its copies in the same image, or in its folder and SYSBCKUP.
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
      c.hive = OpenHive("history", session::HiveAddress::Parse(c.address), cp, session::ReportCheck::WhenDamaged, err);
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
      const session::FileDigests* digests = c.hive ? &c.hive->Digests() : nullptr;
      const std::size_t size = c.hive ? c.hive->bytes.size() : 0;
      if (json) {
        copiesJson += std::string(i ? ", " : "") + "{\"copy\": " + std::to_string(i + 1) +
                      ", \"file\": " + text::JsonString(c.address) + ", \"when\": " + text::JsonString(c.when) +
                      ", \"note\": " + text::JsonString(c.note) + ", \"readable\": " + (c.hive ? "true" : "false");
        if (digests)
          copiesJson += ", \"size\": " + std::to_string(size) + ", \"sha256\": \"" + digests->sha256 +
                        "\", \"md5\": \"" + digests->md5 + "\"" + ContainerMembers("history", *c.hive, err);
        copiesJson += "}";
      } else {
        out << "  [" << i + 1 << "] " << c.address << (c.when.empty() ? "" : "  " + c.when)
            << (c.note.empty() ? "" : "  (" + c.note + ")") << (c.hive ? "" : "  (not readable)") << '\n';
        if (digests) {
          out << "      " << size << " bytes, SHA-256 " << digests->sha256 << ", MD5 " << digests->md5 << '\n';
          std::string unread;  // a container that cannot be read again is left out
          for (const session::ContainerDigest& d : session::ContainerDigests(c.hive->address, unread))
            out << "      read out of " << d.file << ": " << d.digests.size << " bytes, SHA-256 "
                << d.digests.digests.sha256 << ", MD5 " << d.digests.digests.md5 << '\n';
        }
      }
    }
    // Each step: from the last readable copy to the next readable one.
    std::optional<std::size_t> from;
    bool firstStep = true;
    for (std::size_t i = 0; i < history.copies.size(); ++i) {
      if (!history.copies[i].hive) continue;
      if (from) {
        const session::OpenedHive& a = *history.copies[*from].hive;
        const session::OpenedHive& b = *history.copies[i].hive;
        std::vector<browse::Difference> diffs = browse::Diff(a.View(), b.View());
        if (key)
          std::erase_if(diffs, [&](const browse::Difference& d) {
            return !AtOrBelow(DifferencePath(d, a.View(), b.View()), *key);
          });
        if (json) {
          stepsJson += std::string(firstStep ? "" : ", ") + "{\"from\": " + std::to_string(*from + 1) +
                       ", \"to\": " + std::to_string(i + 1) + ", \"changes\": [";
          for (std::size_t n = 0; n < diffs.size(); ++n)
            stepsJson += (n ? ", " : "") + DifferenceJson(diffs[n], a.View(), b.View());
          stepsJson += "]}";
        } else {
          out << "\n== [" << *from + 1 << "] -> [" << i + 1 << "]: " << diffs.size()
              << (diffs.size() == 1 ? " change\n" : " changes\n");
          for (const browse::Difference& d : diffs) out << DifferenceLine(d, a.View(), b.View(), codePage) << '\n';
        }
        firstStep = false;
      }
      from = i;
    }
    if (key) {
      // The key in each copy, against the readable copy before (timeline/key_story.h).
      std::vector<const browse::HiveView*> views;
      for (const Copy& c : history.copies) views.push_back(c.hive ? &c.hive->View() : nullptr);
      const std::vector<timeline::KeyInCopy> story = timeline::KeyStory(views, *key);
      if (!json) out << "\n" << *key << " in each copy:\n";
      for (std::size_t i = 0; i < history.copies.size(); ++i) {
        const Copy& c = history.copies[i];
        if (json) {
          std::string state = c.hive ? KeyJson(*c.hive, *key) : std::string("null");
          if (c.hive)
            state.insert(state.size() - 1,
                         std::string(", \"change\": \"") + timeline::KeyStateName(story[i].state) + "\"");
          storyJson +=
              std::string(i ? ", " : "") + "{\"copy\": " + std::to_string(i + 1) + ", \"state\": " + state + "}";
        } else {
          out << "  [" << i + 1 << "] " << StoryText(story[i]) << '\n';
        }
      }
    }
    if (json) {
      document +=
          std::string(document.empty() ? "" : ", ") + "{\"hive\": " + text::JsonString(history.hive) +
          ", \"copies\": [" + copiesJson + "], \"steps\": [" + stepsJson + "]" +
          (key ? ", \"key\": {\"path\": " + text::JsonString(*key) + ", \"states\": [" + storyJson + "]}" : "") + "}";
    } else if (&history != &histories.back()) {
      out << '\n';
    }
  }
  if (json) out << WithProgram("{\"histories\": [" + document + "]}") << '\n';
  if (FinishOutput(out) != kExitOk) return kExitJobFailed;
  return status;
}

}  // namespace quarvex::cli
