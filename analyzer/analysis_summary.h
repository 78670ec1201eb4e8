// What one completed analysis found, kept in the job after it for machine-readable output
// (the CLI's JSON). The report section and the chart series carry the same facts as text and
// points; this is the one place where they stand as plain numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarvex::analyzer {

// Bytes of one block (or of the whole file) by what they hold. Counted in 64 bits: a damaged
// file's sizes are 32-bit values that may add up beyond 32 bits; a sound file's never do.
struct SpaceUsage {
  std::int64_t Using = 0;    // in use: 28 per key node, RecSize per data record
  std::int64_t Empty = 0;    // on the free lists
  std::int64_t DeadGap = 0;  // neither, after the block header is allowed for
  std::int64_t Total() const { return Using + Empty + DeadGap; }
  friend bool operator==(const SpaceUsage&, const SpaceUsage&) = default;
};

// A key whose stored name checksum did not pass: its node offset (relative to the key-node
// block) and its path, UTF-8, with a backslash after every name ("" when it cannot be resolved).
struct FlaggedKey {
  std::int32_t nodeOffset = 0;
  std::string path;
};

// Sizes of one kind of data record. average follows the analyser's own rule (see
// space_analysis.cpp); 0 when there are no records.
struct RecordSizeStatistics {
  std::size_t count = 0;
  std::int64_t max = 0;
  std::int64_t min = 0;
  std::int64_t average = 0;
};

struct AnalysisSummary {
  SpaceUsage keyNodeBlock;              // the RGKN block, without its 32-byte header
  std::vector<SpaceUsage> dataBlocks;   // one per RGDB block, in block order, without headers
  SpaceUsage wholeFile;                 // every byte of the file, headers as Using
  std::int32_t goodCount = 0;
  std::int32_t badCount = 0;
  std::int32_t ghostCount = 0;
  std::vector<FlaggedKey> badKeys;      // in key-walk order
  std::vector<FlaggedKey> ghostKeys;    // in key-walk order
  RecordSizeStatistics usingRecords;
  RecordSizeStatistics emptyRecords;
};

}  // namespace quarvex::analyzer
