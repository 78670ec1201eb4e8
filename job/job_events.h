// What a running job tells whoever watches it, in the job's own terms. The desktop window
// maps these to its controls; the CLI to standard error; tests record them. Texts are UTF-8.
//
// Order: Started, then ImageLoaded or LoadFailed, then Progress texts and StageFinished for
// each stage that ran, then exactly one of Failed and Done, which is always the last event.
// A job refused before it starts (the file is not there) sends only Failed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "hive/finding.h"

namespace quarvex::job {

enum class Stage { Load, HiveHeader, BlockChain, PreScan, Analysis, StructureReport };

// How far the stage that sent a progress text has come: `done` of `total` of what it walks
// (data blocks for the pre-scan and the record listings, key nodes for the key walks). Both
// 0 when the text says nothing of it (a free list's entry); `done` may pass `total` on a
// damaged hive whose header claims too little.
struct ProgressPosition {
  Stage stage = Stage::Load;
  std::uint64_t done = 0;
  std::uint64_t total = 0;
};

class JobEvents {
 public:
  virtual ~JobEvents() = default;
  // The job starts on this file (the name as given).
  virtual void Started(const std::string& /*fileName*/) {}
  // The file was read whole; what the last job left (report, charts) is now replaced.
  virtual void ImageLoaded() {}
  // The file could not be read; Failed follows.
  virtual void LoadFailed() {}
  // One progress text ("ANA:00000020"); many per second on a large hive.
  virtual void Progress(std::string_view /*text*/) {}
  // The same text with how far along the job is; the job sends every text through here.
  // Whoever does not ask for the position gets the text alone.
  virtual void ProgressAt(std::string_view text, const ProgressPosition& /*at*/) { Progress(text); }
  virtual void StageFinished(Stage /*stage*/) {}
  // The job ended with this code; finding says why when a reader named the place.
  virtual void Failed(std::int32_t /*code*/, const hive::Finding* /*finding*/) {}
  // The job ran to its end: the report is complete.
  virtual void Done() {}
};

}  // namespace quarvex::job
