#include "detect/codepage_detect.h"

#include <filesystem>
#include <functional>

#include "browse/hive_view.h"
#include "detect/checksum_vote.h"
#include "detect/light_reader.h"
#include "text/lcid_codepage.h"

namespace quarvex::detect {

using text::CodePage;

namespace {

constexpr std::string_view kCodepageKey = "System\\CurrentControlSet\\Control\\Nls\\Codepage";

// A text value of a hive, by key path and value name: the same answer from the salvaged model
// and from the light reader.
using ValueLookup = std::function<std::optional<std::string>(std::string_view keyPath, std::string_view name)>;

// A text value's characters up to its first zero byte, without surrounding blanks.
std::optional<std::string> TextValue(const browse::HiveView& view, std::string_view keyPath, std::string_view name) {
  const browse::Lookup key = view.Find(keyPath);
  if (!key.key) return std::nullopt;
  const salvage::SalvagedValue* value = view.FindValue(*key.key, name);
  if (!value) return std::nullopt;
  std::string text(reinterpret_cast<const char*>(value->data.data()), value->data.size());
  if (const std::size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.erase(0, 1);
  return text;
}

// Control characters and non-ASCII in a value shown in a reason: as \xNN.
std::string Shown(const std::string& text) {
  std::string out;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b >= 0x7F) {
      static const char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += c;
    }
  }
  return out;
}

ValueLookup LookupIn(const browse::HiveView& view) {
  return [&view](std::string_view keyPath, std::string_view name) { return TextValue(view, keyPath, name); };
}
ValueLookup LookupIn(const LightReader& light) {
  return [&light](std::string_view keyPath, std::string_view name) { return light.TextValue(keyPath, name); };
}

std::optional<CodePageChoice> FromAcp(const ValueLookup& values, CodePageSource source, const std::string& where,
                                      std::string* note) {
  const auto acp = values(kCodepageKey, "ACP");
  if (!acp) return std::nullopt;
  if (const auto cp = text::ParseCodePage(*acp))
    return CodePageChoice{*cp, source, where + " says ACP \"" + *acp + "\""};
  if (note) *note += where + " says ACP \"" + Shown(*acp) + "\", a code page this program does not read; ";
  return std::nullopt;
}

}  // namespace

std::string_view SourceName(CodePageSource source) {
  switch (source) {
    case CodePageSource::Option:
      return "option";
    case CodePageSource::Hive:
      return "hive";
    case CodePageSource::Companion:
      return "system.dat";
    case CodePageSource::Checksums:
      return "checksums";
    case CodePageSource::Default:
      return "default";
  }
  return "default";
}

namespace {

std::optional<CodePageChoice> FromHiveValues(const ValueLookup& values, std::string* note) {
  if (auto choice = FromAcp(values, CodePageSource::Hive, "the hive (Nls\\Codepage)", note)) return choice;
  // The machine's user.dat keeps the locale under .DEFAULT; a profile's user.dat at its top.
  for (std::string_view key : {".DEFAULT\\Control Panel\\International", "Control Panel\\International"}) {
    const auto locale = values(key, "Locale");
    if (!locale) continue;
    const auto lcid = text::ParseLcidText(*locale);
    const auto cp = lcid ? text::AnsiCodePageForLcid(*lcid) : std::nullopt;
    if (cp)
      return CodePageChoice{
          *cp, CodePageSource::Hive,
          "the hive's Locale \"" + *locale + "\" uses code page " + std::string(text::CodePageName(*cp))};
    if (note) *note += "the hive's Locale \"" + Shown(*locale) + "\" names no locale with a known code page; ";
  }
  return std::nullopt;
}

// The ACP a companion system.dat names, read lightly when it is whole, else salvaged.
std::optional<CodePageChoice> FromCompanion(const Companion& c, std::string* note) {
  const LightReader light(c.bytes);
  if (light.Sound()) return FromAcp(LookupIn(light), CodePageSource::Companion, c.path, note);
  const salvage::SalvagedHive other = salvage::Salvage(c.bytes, {CodePage::SingleByte});
  if (!other.isHive) return std::nullopt;
  const browse::HiveView view(other, CodePage::SingleByte);
  return FromAcp(LookupIn(view), CodePageSource::Companion, c.path, note);
}

// (a) to (d), whichever reader answers the questions.
CodePageChoice Decide(const ValueLookup& values, const std::vector<Companion>& companions,
                      const std::function<std::vector<StoredName>()>& highNames) {
  std::string note;
  if (auto choice = FromHiveValues(values, &note)) return *choice;
  for (const Companion& c : companions) {
    if (auto choice = FromCompanion(c, &note)) {
      choice->reason = note + choice->reason;
      return *choice;
    }
  }
  const std::vector<StoredName> names = highNames();
  const ChecksumVote vote = CountChecksumVotes(names);
  if (auto outcome = CodePageFromVotes(names, vote))
    return CodePageChoice{outcome->codePage, CodePageSource::Checksums, note + outcome->reason};
  return CodePageChoice{CodePage::Cp1252, CodePageSource::Default,
                        note +
                            "neither the hive nor a system.dat names a code page and no name's checksum tells "
                            "one, so 1252"};
}

}  // namespace

std::optional<CodePageChoice> CodePageFromHiveValues(const salvage::SalvagedHive& hive, std::string* note) {
  const browse::HiveView view(hive, CodePage::SingleByte);
  return FromHiveValues(LookupIn(view), note);
}

CodePageChoice DetectCodePage(const salvage::SalvagedHive& hive, const std::vector<Companion>& companions) {
  const browse::HiveView view(hive, CodePage::SingleByte);
  return Decide(LookupIn(view), companions, [&hive] { return HighNames(hive); });
}

CodePageChoice DetectCodePage(hive::Bytes image, const std::vector<Companion>& companions) {
  // A whole hive is read lightly (the same answers at a fraction of the cost); any other
  // goes through the salvage reader, which reads on past its damage.
  const LightReader light(image);
  if (!light.Sound()) {
    // Damaged elsewhere: the hive's own values still answer when every value asked for lies on
    // a path that reads as written. Any value not found so leaves it to the salvage reader,
    // which may yet find it (a lost key) or reads the other sources the same way.
    if (light.PathsReadable()) {
      bool everyValueFound = true;
      const ValueLookup found = [&light, &everyValueFound](std::string_view keyPath, std::string_view name) {
        std::optional<std::string> value = light.TextValue(keyPath, name);
        if (!value) everyValueFound = false;
        return value;
      };
      std::optional<CodePageChoice> choice = FromHiveValues(found, nullptr);
      if (choice && everyValueFound) return *choice;
    }
    return DetectCodePage(salvage::Salvage(image, {CodePage::SingleByte}), companions);
  }
  return Decide(LookupIn(light), companions, [&light] {
    std::vector<StoredName> names;
    light.ForEachHighName([&names](hive::Bytes name, std::uint32_t stored) { names.push_back({name, stored}); });
    return names;
  });
}

std::vector<std::string> CompanionSystemFiles(const std::string& hivePath,
                                              const std::optional<std::string>& windowsDirectory) {
  namespace fs = std::filesystem;
  std::vector<std::string> found;
  std::error_code ec;
  const fs::path self = fs::absolute(hivePath, ec);
  auto look = [&](const fs::path& directory) {
    std::error_code dirError;
    for (fs::directory_iterator it(directory, dirError), end; !dirError && it != end; it.increment(dirError)) {
      std::string name = it->path().filename().string();
      for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      std::error_code fileError;
      if (name != "system.dat" || !it->is_regular_file(fileError)) continue;
      if (fs::equivalent(it->path(), hivePath, fileError)) continue;
      const std::string path = it->path().string();
      bool known = false;
      for (const std::string& f : found) known = known || fs::equivalent(f, path, fileError);
      if (!known) found.push_back(path);
      return;
    }
  };
  look(self.parent_path());
  if (windowsDirectory) look(fs::path(*windowsDirectory));
  return found;
}

}  // namespace quarvex::detect
