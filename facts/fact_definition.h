// What a fact definition is: one well-known place of a Windows 9x hive (which hive, which key,
// which values) and how its values are shown. The places themselves are rows of the table in
// fact_table.cpp; adding a place is adding a row there.
#pragma once

#include <span>
#include <string_view>

namespace quarvex::facts {

// The hive a place lies in. system.dat holds HKEY_LOCAL_MACHINE, user.dat the user's
// HKEY_CURRENT_USER (HKEY_USERS\.Default or the profile's own file).
enum class HiveKind { User, System, Either };
std::string_view HiveKindName(HiveKind kind);  // "user", "system", "either"

// The report's groups, in report order.
enum class Theme { System, Programs, Hardware, Network, Traces };
std::string_view ThemeName(Theme theme);   // "system", "programs" ... (JSON, CSV)
std::string_view ThemeTitle(Theme theme);  // "The system", "Programs" ... (the text report)

// Which values of a matched key become facts, in which order.
enum class Pick {
  Named,        // the names listed in `values`, in that order, those the key has
  All,          // every value, in the order the record holds them
  Mru,          // the entries in the order of MRUList (letters) or MRUListEx (DWORD indexes, binary),
                // most recent first; entries the list does not name follow, marked as such
  Numbered,     // values named `values` + a number ("url1", "File3"), by their number
  KeyName,      // the matched key itself (its name is the fact: a profile, a helper's CLSID)
  KeyAndNamed,  // the matched key's name, then the values as Named: every key is listed, also
                // one that holds none of the names (an Uninstall entry with other values)
};

// How a value's data is shown.
enum class Show {
  Text,            // text up to its first zero byte, a DWORD in hex and decimal, else hex bytes
  RunCommand,      // a Run dialog entry: text without the "\1" the dialog appends
  RecentDoc,       // a RecentDocs entry: the file name at the start of the binary entry
  Bias,            // minutes to add to local time for UTC (DWORD or 4 binary bytes), with the UTC offset
  BiasDelta,       // minutes added to Bias in standard or daylight time
  TransitionDate,  // a 16-byte SYSTEMTIME rule: when standard or daylight time begins
  IpAddress,       // a dotted address; 0.0.0.0 means the address comes from DHCP
  TimeZoneRules,   // an entry of the Time Zones table: text values as they are, the binary TZI
                   // (44 bytes: Bias, StandardBias, DaylightBias, two SYSTEMTIME rules) decoded
  ActiveBias,      // ActiveTimeBias: the bias in force when Windows last wrote it, and whether
                   // that was standard or daylight time (by the key's Bias, StandardBias, DaylightBias)
  FileTime,        // 8 bytes, 100 ns since 1601 UTC; shown in UTC and in the machine's time zone
  DosDateTime,     // 4 bytes: a DOS date (high word) and time (low word), in local time
  SystemTime,      // 16 bytes: a SYSTEMTIME, in local time
  UninstallEntry,  // text, except InstallDate (YYYYMMDD), read as a date
  UserAssist,      // a UserAssist entry: the ROT13 name decoded, the run count, the FILETIME of the last run
  ShellItems,      // a shell item list (StreamMRU): the path it names, with the DOS times of its items
};

// Where one key names another: the facts of the key reached follow those of the matched key,
// each saying how it was reached. The following itself is code, in links.cpp.
enum class Link {
  None,
  // The active time zone (TimeZoneInformation): which entry of the Time Zones table it is, by
  // the Std name and by comparing the TZI with Bias, StandardBias, DaylightBias and the rules.
  TimeZoneEntry,
  // A network adapter under Enum: the driver its Driver value names under Services\Class, and
  // the protocols its Bindings name (Enum\Network\<protocol>\<n>, whose Driver names
  // Services\Class\NetTrans\<n>) with their IP settings.
  NetworkAdapter,
  // A device under Enum: the key under Services\Class its Driver value names, with the
  // driver's description, provider, date, INF file and loader.
  DeviceDriver,
};

struct FactDefinition {
  std::string_view id;  // "system.version": stable, for JSON, CSV and tests
  Theme theme;
  HiveKind hive;
  std::string_view label;  // "Windows version and owner"
  // Key path from the hive's top, components separated by '\'; '*' (any run of characters)
  // and '?' (one character) match within one component; ASCII letters match in any case.
  std::string_view keyPattern;
  Pick pick;
  std::string_view values;  // Named: names separated by '|' ("" is the unnamed value);
                            // Numbered: the prefix; else empty
  Show show = Show::Text;
  // "Class=CDROM": only keys whose value Class reads CDROM (ASCII letters in any case).
  std::string_view where = {};
  Link link = Link::None;
  // What a time this row decodes means, as the timeline says it ("program last run"); empty
  // for rows that hold no time.
  std::string_view when = {};
  // A long reference table (every time zone Windows knows): in JSON always, in the text and
  // CSV reports only when asked for everything.
  bool detail = false;
};

// The table, in report order within each theme.
std::span<const FactDefinition> Definitions();

}  // namespace quarvex::facts
