#include "facts/links.h"

#include <array>

#include "browse/value_text.h"
#include "facts/decode.h"

namespace quarvex::facts {

namespace {

constexpr std::string_view kTimeZones = "Software\\Microsoft\\Windows\\CurrentVersion\\Time Zones";
constexpr std::string_view kClass = "System\\CurrentControlSet\\Services\\Class\\";
constexpr std::string_view kNetwork = "Enum\\Network\\";

std::string TextOf(const browse::HiveView& view, const salvage::SalvagedValue* v) {
  return v ? browse::DataSearchText(*v, view.CodePage()) : std::string();
}

// A key named by a value such as "Net\0000" or "MSTCP\0000", below base: exactly two
// components, neither "." nor "..", or nothing.
std::optional<std::int32_t> NamedKey(const browse::HiveView& view, std::string_view base, const std::string& name) {
  const std::vector<std::string> parts = browse::SplitKeyPath(name);
  if (parts.size() != 2) return std::nullopt;
  for (const std::string& p : parts)
    if (p == "." || p == "..") return std::nullopt;
  const browse::Lookup found = view.Find(std::string(base) + parts[0] + "\\" + parts[1]);
  if (!found.key || *found.key == browse::kTop) return std::nullopt;
  return found.key;
}

void AddNote(std::string& note, const std::string& more) { note += (note.empty() ? "" : "; ") + more; }

// The active zone against the Time Zones table: by the Std name (or, without one, the key's
// name, which is the standard name too), then by the rules.
LinkResult TimeZoneEntry(const browse::HiveView& view, const LinkSource& source) {
  LinkResult result;
  const browse::Lookup table = view.Find(kTimeZones);
  if (!table.key || *table.key == browse::kTop) {
    result.note = "no Time Zones table in this hive";
    return result;
  }
  const auto data = [&](std::string_view name) {
    const salvage::SalvagedValue* v = source.value(name);
    return v ? v->data : hive::Bytes{};
  };
  const std::optional<std::vector<std::uint8_t>> active =
      ActiveTzi(data("Bias"), data("StandardBias"), data("DaylightBias"), data("StandardStart"), data("DaylightStart"));
  const std::string standardName = browse::FoldAscii(TextOf(view, source.value("StandardName")));

  std::optional<std::int32_t> byName;
  std::vector<std::int32_t> byRules;
  for (const std::int32_t zone : view.Children(*table.key)) {
    const salvage::SalvagedValue* stdName = view.FindValue(zone, "Std");
    const std::string name = browse::FoldAscii(stdName ? TextOf(view, stdName) : view.Name(zone));
    if (!byName && !standardName.empty() && name == standardName) byName = zone;
    const salvage::SalvagedValue* tzi = view.FindValue(zone, "TZI");
    if (active && tzi && std::equal(tzi->data.begin(), tzi->data.end(), active->begin(), active->end()))
      byRules.push_back(zone);
  }
  static constexpr std::array<std::pair<std::size_t, const char*>, 5> kParts{
      {{0, "Bias"}, {4, "StandardBias"}, {8, "DaylightBias"}, {12, "StandardStart"}, {28, "DaylightStart"}}};
  static constexpr std::array<std::size_t, 5> kSizes{4, 4, 4, 16, 16};
  const std::vector<std::pair<std::string_view, Show>> shown{{"Display", Show::Text}, {"TZI", Show::TimeZoneRules}};
  if (byName) {
    const std::string entry = "Time Zones\\" + view.Name(*byName);
    result.note = "the entry " + entry + " by its name; ";
    const salvage::SalvagedValue* tzi = view.FindValue(*byName, "TZI");
    if (!active) {
      result.note += "the active rules are incomplete, not compared";
    } else if (!tzi || tzi->data.size() != 44) {
      result.note += "its TZI is missing or not 44 bytes, not compared";
    } else {
      std::string differ;
      for (std::size_t i = 0; i < kParts.size(); ++i)
        if (!std::equal(tzi->data.begin() + static_cast<std::ptrdiff_t>(kParts[i].first),
                        tzi->data.begin() + static_cast<std::ptrdiff_t>(kParts[i].first + kSizes[i]),
                        active->begin() + static_cast<std::ptrdiff_t>(kParts[i].first)))
          differ += (differ.empty() ? "" : ", ") + std::string(kParts[i].second);
      result.note += differ.empty() ? "its TZI agrees with Bias, StandardBias, DaylightBias and both start rules"
                                    : "its TZI differs in " + differ;
    }
    result.keys.push_back({*byName, "the zone StandardName names", shown});
  } else if (!byRules.empty()) {
    std::string names;
    for (const std::int32_t zone : byRules)
      names += (names.empty() ? "Time Zones\\" : ", Time Zones\\") + view.Name(zone);
    result.note = "no entry has this name; the rules agree with " + names;
    for (const std::int32_t zone : byRules)
      result.keys.push_back({zone, "a zone whose TZI agrees with the active rules", shown});
  } else {
    result.note = "no entry of the Time Zones table has this name or these rules";
  }
  return result;
}

// The adapter's driver (Driver = "Net\0000" names Services\Class\Net\0000) and the protocols
// its Bindings key names: each value name there ("MSTCP\0000") is a key under Enum\Network
// whose Driver names the protocol's settings under Services\Class ("NetTrans\0000"), one
// NetTrans key per protocol and adapter. Only the protocols bound to the adapter itself are
// followed (clients and services bound to a protocol are not).
LinkResult NetworkAdapter(const browse::HiveView& view, const LinkSource& source) {
  LinkResult result;
  if (const salvage::SalvagedValue* driver = source.value("Driver")) {
    const std::string name = TextOf(view, driver);
    if (const std::optional<std::int32_t> key = NamedKey(view, kClass, name))
      result.keys.push_back({*key,
                             "the driver: Driver = " + browse::EscapeControls(name),
                             {{"DriverDesc", Show::Text}, {"DriverDate", Show::Text}}});
    else
      AddNote(result.note, "Driver = " + browse::EscapeControls(name) + " names no key under Services\\Class");
  }
  std::optional<std::int32_t> bindings;
  if (source.key) {
    for (const std::int32_t child : view.Children(*source.key))
      if (!bindings && browse::FoldAscii(view.Name(child)) == "BINDINGS") bindings = child;
  } else if (const browse::Lookup found = view.Find(source.path + "\\Bindings");
             found.key && *found.key != browse::kTop) {
    bindings = found.key;
  }
  if (!bindings) return result;
  for (const salvage::SalvagedValue& bound : view.Values(*bindings)) {
    const std::string name = browse::ValueName(bound, view.CodePage());
    const std::string shown = browse::EscapeControls(name);
    const std::optional<std::int32_t> protocol = NamedKey(view, kNetwork, name);
    if (!protocol) {
      AddNote(result.note, "bound " + shown + " is not under Enum\\Network");
      continue;
    }
    const salvage::SalvagedValue* driver = view.FindValue(*protocol, "Driver");
    const std::string driverName = TextOf(view, driver);
    const std::optional<std::int32_t> settings = driver ? NamedKey(view, kClass, driverName) : std::nullopt;
    if (!settings) {
      AddNote(result.note,
              "bound " + shown + ": " +
                  (driver ? "Driver = " + browse::EscapeControls(driverName) + " names no key under Services\\Class"
                          : std::string("Enum\\Network\\") + shown + " has no Driver value"));
      continue;
    }
    result.keys.push_back({*settings,
                           "bound protocol " + shown + ": Driver = " + browse::EscapeControls(driverName),
                           {{"DriverDesc", Show::Text},
                            {"IPAddress", Show::IpAddress},
                            {"IPMask", Show::IpAddress},
                            {"DefaultGateway", Show::IpAddress}}});
  }
  return result;
}

// A device's driver: Driver = "Display\0000" names Services\Class\Display\0000, whose values
// say which driver the device uses and where it came from.
LinkResult DeviceDriver(const browse::HiveView& view, const LinkSource& source) {
  LinkResult result;
  const salvage::SalvagedValue* driver = source.value("Driver");
  if (!driver) return result;
  const std::string name = TextOf(view, driver);
  if (const std::optional<std::int32_t> key = NamedKey(view, kClass, name))
    result.keys.push_back({*key,
                           "the driver: Driver = " + browse::EscapeControls(name),
                           {{"DriverDesc", Show::Text},
                            {"ProviderName", Show::Text},
                            {"DriverDate", Show::Text},
                            {"InfPath", Show::Text},
                            {"DevLoader", Show::Text}}});
  else
    AddNote(result.note, "Driver = " + browse::EscapeControls(name) + " names no key under Services\\Class");
  return result;
}

}  // namespace

LinkResult FollowLink(Link link, const browse::HiveView& view, const LinkSource& source) {
  switch (link) {
    case Link::TimeZoneEntry:
      return TimeZoneEntry(view, source);
    case Link::NetworkAdapter:
      return NetworkAdapter(view, source);
    case Link::DeviceDriver:
      return DeviceDriver(view, source);
    case Link::None:
      break;
  }
  return {};
}

}  // namespace quarvex::facts
