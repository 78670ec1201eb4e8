// Every time the hives hold, one event per time: the times of the facts' definitions (each with
// what it means: "program last run", "Windows first installed" ...) and, at low confidence, the
// times found by shape in values no definition covers (time_shapes.h). Times kept in local
// time (DOS dates, SYSTEMTIME) become UTC through the time zone a given system.dat names;
// without one they stay local and are listed apart, as they cannot be placed among UTC times.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "facts/collect.h"

namespace quarvex::timeline {

struct Event {
  std::optional<facts::Seconds> utc;  // nullopt: a local time and no zone to place it
  facts::DecodedTime time;            // as read
  std::size_t hive = 0;               // index into the sources
  std::string keyPath;                // UTF-8; empty for a time of the hive file's FAT entry
  std::string valueName;              // UTF-8; "" the unnamed value
  std::string meaning;                // "program last run"; for a shape: "time of unknown meaning"
  std::string detail;                 // what else the value says ("UEME_RUNPATH:C:\...; count 16")
  std::string shape;                  // how a low-confidence time was found; empty for a definition's
  std::string factId;                 // the definition's id; empty for a shape
  bool recovered = false;
  recover::Confidence recoveredConfidence = recover::Confidence::High;

  bool LowConfidence() const { return !shape.empty(); }
};

// The dates of a hive's own directory entry, when it was read from a FAT file system of a disk
// image, or, for a member of a backup cabinet, the cabinet's entry and the member's own date
// (when Windows packed the hive): local wall-clock times as seconds since 1970 (0: not
// recorded). FAT keeps the last access as a date only.
struct FileTimes {
  std::size_t hive = 0;  // index into the sources
  std::string entry;     // "WINDOWS/USER.DAT in file system 1 of disk.img"
  facts::Seconds created = 0, written = 0, accessed = 0;
  bool cabinet = false;       // the entry is the cabinet's the hive was read from
  std::string member;         // "SYSTEM.DAT of WINDOWS/SYSBCKUP/RB001.CAB"
  facts::Seconds packed = 0;  // the member's date
};

struct Timeline {
  std::vector<facts::HiveKind> kinds;  // per source
  std::optional<facts::HiveZone> zone;
  std::size_t zoneHive = 0;
  // Sorted: UTC events by time (then hive, key, value), then local-only ones by local time.
  std::vector<Event> events;
};

Timeline BuildTimeline(std::span<const facts::HiveSource> sources, std::span<const FileTimes> files = {});

}  // namespace quarvex::timeline
