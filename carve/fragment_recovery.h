// Deleted keys in a fragment's free space: the recovery of deleted keys run over the fragment as
// the salvage reader read it, keeping only what lies in surviving data blocks, each key with its
// offset in the image and its confidence, marked carved (it comes from a file no directory names,
// read from what is left of it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "carve/fragment_reader.h"
#include "recover/recover.h"

namespace quarvex::carve {

struct CarvedRecoveredKey {
  std::uint64_t offset = 0;                    // of the record in the image
  const recover::RecoveredKey* key = nullptr;  // into recovery.keys
};

struct CarvedRecovery {
  recover::Recovery recovery;            // views the fragment's stand-in file
  std::vector<CarvedRecoveredKey> keys;  // those in surviving blocks, in offset order
  std::size_t lowLeftOut = 0;            // judged low: left out (they may be another file's bytes)
};

// contents must outlive the result.
CarvedRecovery RecoverInFragment(const FragmentContents& contents);

// "  deleted keys recovered from its free space (carved): 3 (1 high, 2 medium confidence; 1 of
// low confidence left out)", then per key
// its offset, confidence and path, and its values.
std::vector<std::string> CarvedRecoveryLines(const CarvedRecovery& recovered, text::CodePage codePage);
// A JSON array of the keys.
std::string CarvedRecoveryJson(const CarvedRecovery& recovered, text::CodePage codePage);

}  // namespace quarvex::carve
