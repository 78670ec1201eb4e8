// Evaluating the fact table over hives: every key whose path matches a definition's pattern
// gives facts (one per value picked), in the live tree and among the keys recovered from free
// space. Facts of a damaged key carry the findings about it; recovered ones their confidence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "browse/hive_view.h"
#include "facts/fact_definition.h"
#include "facts/time_decode.h"
#include "facts/time_zone.h"
#include "recover/recover.h"

namespace quarvex::facts {

// One hive given to the report. view and recovery must outlive the facts collected from them;
// recovery may be null (no recovered keys are then looked at).
struct HiveSource {
  std::string file;  // as given on the command line, UTF-8
  const browse::HiveView* view = nullptr;
  const recover::Recovery* recovery = nullptr;
  // The file's size and digests as read (lowercase hex), when the caller computed them; the
  // reports name them with the file. Empty: not shown.
  std::uint64_t size = 0;
  std::string sha256 = {};
  std::string md5 = {};
  // What the file was read out of, outermost first (the disk image, a cabinet in it), each with
  // its size and digests, named under the file's own.
  struct Container {
    std::string file;
    std::uint64_t size = 0;
    std::string sha256;
    std::string md5;
  };
  std::vector<Container> containers = {};
  // A fragment of a registry file carved from a disk image (carve/): every fact of it is
  // marked carved, and only the live keys whose records the fragment's reader listed give
  // facts (listedKeys[key], by the view's key index; null: every key). notes say what it lacks.
  bool carved = false;
  const std::vector<bool>* listedKeys = nullptr;
  std::vector<std::string> notes = {};
  // Copies of one hive among the sources (the live file and its backups, image/hive_copies.h):
  // on an older copy, the newest copy's index and its age (1: the copy before the newest, 2: the
  // one before that ...); on every copy of such a set its date and how it was read
  // ("2001-06-10 09:00:00, cabinet member", "no date"). An older copy's facts alike with a
  // newer one's are left out; those that differ go under that fact (Fact::older); those no newer
  // copy has stay, marked as its.
  std::optional<std::size_t> newestCopy = std::nullopt;
  std::size_t copyAge = 0;
  std::string copyWhen = {};
};

// Which hive a file is, by its top-level keys: Enum, Config, System or hardware make it a
// system.dat; AppEvents, Control Panel or RemoteAccess at the top or one level down (under
// .DEFAULT or a user's name, as the Windows directory's user.dat keeps them) a user.dat.
// Neither or both: Either, and every definition is tried on it.
//
// A user's places match at the top and under such a top-level key (and under .DEFAULT);
// system places at the top only.
HiveKind DetectKind(const browse::HiveView& view);

struct Fact {
  const FactDefinition* definition = nullptr;
  std::size_t hive = 0;                     // index into the sources
  std::string keyPath;                      // UTF-8, from the hive's top
  std::optional<std::int32_t> key;          // the live key in the view (none for a recovered one)
  std::optional<std::size_t> recoveredKey;  // a recovered key's index into the recovery's keys
  std::string valueName;                    // UTF-8; "" the unnamed value (or a KeyName fact)
  bool hasValue = false;                    // false: a KeyName fact, or a key whose values are unreadable
  std::uint16_t type = 0;
  std::vector<std::uint8_t> data;           // the raw bytes as stored
  std::optional<std::int64_t> valueOffset;  // file offset of the value's entry
  std::string text;                         // as shown, UTF-8 (control characters escaped)
  std::optional<std::uint32_t> position;    // MRU place (1: most recent) or the number of a Numbered entry
  std::string note;                         // "not in MRUList", "decoding: 4 bytes expected, 3 found" ...
  bool recovered = false;
  recover::Confidence confidence = recover::Confidence::High;
  bool carved = false;                // from a carved fragment (HiveSource::carved)
  std::vector<std::string> findings;  // what is wrong with the key (damaged live keys)
  // A key reached by a link from the matched one (Link in fact_definition.h): how it was
  // reached, "the driver: Driver = Net\0000". Empty for the matched key's own facts.
  std::string via;
  // The times the value holds (a FILETIME in UTC, a DOS date in local time ...), in order; the
  // definition's `when` says what they mean.
  std::vector<DecodedTime> times;
  // On a fact of a newer copy of a hive: what older copies held in its place when it differed,
  // newest first (HiveSource::newestCopy).
  std::vector<Fact> older;
};

struct FactsResult {
  std::vector<HiveKind> kinds;  // per source
  std::vector<Fact> facts;      // by theme, then definition order, then source, then key order
  // The machine's time zone, from the first system.dat among the sources that names one; local
  // times of every source are read in it (a user.dat names none of its own).
  std::optional<HiveZone> zone;
  std::size_t zoneHive = 0;
};

// The line under a hive's name in the text reports, "      1048576 bytes, SHA-256 ..., MD5 ...",
// with a line "      read out of disk.img: ..." for each container, and the members of its JSON
// object, ", \"size\": ..., \"sha256\": ..., \"md5\": ..." (and "containers"); both empty when
// the source carries no digests.
std::string DigestLine(const HiveSource& source);
std::string DigestJson(const HiveSource& source);

// Whether a fact is a key's name alone (a KeyName fact, or the first fact of a KeyAndNamed key):
// shown as the name, not as "value = text".
bool NamesKeyOnly(const Fact& fact);

// A time as the reports show it: "2015-05-24 22:44:13 UTC (2015-05-25 07:44:13 Tokyo Standard
// Time)" for a UTC time, "2015-05-22 17:45:02 local time (2015-05-22 08:45:02 UTC)" for a local
// one; without a zone, the time only.
std::string TimeShown(const DecodedTime& time, const HiveZone* zone);
// A time as UTC seconds: a local time through the zone; nullopt for a local time without one.
std::optional<Seconds> UtcOf(const DecodedTime& time, const HiveZone* zone);

FactsResult CollectFacts(std::span<const HiveSource> sources,
                         std::span<const FactDefinition> definitions = Definitions());

// Glob matching of one key name against one pattern component ('*', '?'; ASCII letters in any
// case). Iterative, linear in both lengths times a small factor.
bool MatchComponent(std::string_view pattern, std::string_view name);

}  // namespace quarvex::facts
