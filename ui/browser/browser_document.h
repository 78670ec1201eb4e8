// One hive open in the browser: the file's bytes, read once and never written, the salvage
// reader's model of them, the browse view over that model, the deleted keys recovery found,
// and the tables the window looks things up in (which key a finding concerns, where each
// recovered key hangs in the tree, which structure covers a file offset).
//
// Loading reads and salvages the whole file, which takes a noticeable time for a large hive:
// the window does it on a worker thread and only takes the finished document on its own.
// Nothing here includes Qt.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browse/free_records.h"
#include "browse/hive_view.h"
#include "session/opened_hive.h"
#include "detect/codepage_detect.h"
#include "facts/collect.h"
#include "recover/recover.h"
#include "salvage/salvage.h"
#include "text/codepage.h"

namespace quarvex::ui {

// Where a recovered key is shown: under a live key (or the top level), or under the
// "(unknown parent)" group when no live ancestor was reached.
inline constexpr std::int32_t kUnknownParent = -2;

struct RecoveredPlacement {
  std::int32_t parent = kUnknownParent;  // browse::kTop, a key index, or kUnknownParent
  std::string label;                     // UTF-8: the part of its path below that parent
};

// Where a recovered key's bytes end: its header and name, and every value that survived.
std::int64_t RecoveredEnd(const recover::RecoveredKey& key);

// The structure that covers a file offset, for "Go to offset".
struct StructureAtOffset {
  std::string what;                  // "key node", "data record", "value", "file header" ...
  std::int64_t start = 0;            // where the structure starts
  std::int64_t length = 0;           // its bytes (clamped to the file)
  std::optional<std::int32_t> key;   // the key it belongs to, when one does
  std::optional<std::size_t> value;  // index into hive.values, for a value
  // For an offset inside a free record of a block's chain (what = "free record, block N, size
  // S"): that record, and the deleted key recovery read there (an index into
  // Recovery().keys): the one whose bytes hold the offset, else the first inside the record.
  std::optional<browse::FreeRecord> freeRecord;
  std::optional<std::size_t> recovered;
};

class BrowserDocument {
 public:
  // Opens the file as every face opens a hive (session/opened_hive.h: read-only; a hive inside
  // an image or cabinet by its IMAGE::PATH address), in the code page named, or else the one the
  // hive shows. nullptr and a reason when the file cannot be read or holds no registry file at
  // all.
  static std::unique_ptr<BrowserDocument> Load(const std::string& path, std::optional<text::CodePage> codePage,
                                               std::string& error);
  // The same over bytes already in memory (for tests and benchmarks); path names them.
  static std::unique_ptr<BrowserDocument> FromBytes(std::vector<std::uint8_t> bytes, const std::string& path,
                                                    text::CodePage codePage, std::string& error);
  static std::unique_ptr<BrowserDocument> FromBytes(std::vector<std::uint8_t> bytes, const std::string& path,
                                                    detect::CodePageChoice codePage, std::string& error);
  // A carved fragment: its stand-in file as the browser shows it, the deleted keys kept by the
  // carver's rules (those of low confidence left out), every fact marked carved.
  static std::unique_ptr<BrowserDocument> FromFragment(const std::string& path, std::uint64_t offset,
                                                       std::optional<text::CodePage> codePage, std::string& error);

  const std::string& Path() const { return path_; }
  std::string FileName() const;  // the path's last component; for IMAGE::PATH the image's name and the address
  text::CodePage CodePage() const { return opened_->codePage.codePage; }
  // The code page with where it came from and why.
  const detect::CodePageChoice& CodePageChoice() const { return opened_->codePage; }
  hive::Bytes Image() const { return {opened_->bytes.data(), opened_->bytes.size()}; }
  const salvage::SalvagedHive& Hive() const { return opened_->hive; }
  const browse::HiveView& View() const { return opened_->View(); }
  const recover::Recovery& Recovery() const { return recovery_; }
  // The root key's name for paths and exports: HKEY_USERS for USER.DAT and the like.
  const std::string& RootKey() const { return rootKey_; }
  // The facts of this hive, live and recovered keys, in the report's order.
  const facts::FactsResult& Facts() const { return facts_; }
  // For a fragment carved from a disk image (IMAGE::@0xOFFSET where no whole file lies): the
  // lines that say so, what it keeps and what it lacks (carve/fragment_lookup.h); empty for a
  // file. The window shows them above the tree.
  const std::vector<std::string>& CarvedMark() const { return carvedMark_; }

  const RecoveredPlacement& Placement(std::size_t recovered) const { return placements_[recovered]; }
  // Recovered keys (indexes into Recovery().keys) shown under parent (kTop, a key, kUnknownParent).
  const std::vector<std::size_t>& RecoveredUnder(std::int32_t parent) const;

  // The key a finding concerns (kTop when it names none), by index into hive.findings.
  std::int32_t FindingKey(std::size_t finding) const { return findingKey_[finding]; }
  // Which structure covers offset (nullopt outside the file).
  std::optional<StructureAtOffset> StructureAt(std::int64_t offset) const;
  // The live key whose node starts at this file offset, and the recovered key whose record
  // starts at this one: what stays the same of a key each time the same file is read.
  std::optional<std::int32_t> KeyAtNode(std::int64_t nodeOffset) const;
  std::optional<std::size_t> RecoveredAt(std::int64_t recordOffset) const;
  // The free records of the blocks' chains (browse/free_records.h).
  const std::vector<browse::FreeRecord>& FreeRecords() const { return freeRecords_; }
  // The data record index of key, when it has one.
  std::optional<std::size_t> RecordOf(std::int32_t key) const;
  // The bytes of the record: from its header to its NextOfs, within its extent and the file.
  std::int64_t RecordLength(std::size_t record) const;

 private:
  BrowserDocument() = default;
  void Index();

  std::string path_;
  std::unique_ptr<session::OpenedHive> opened_;
  recover::Recovery recovery_;  // the hive's, less what a fragment leaves out
  std::string rootKey_;
  facts::FactsResult facts_;
  std::vector<std::string> carvedMark_;
  std::vector<RecoveredPlacement> placements_;
  std::vector<std::vector<std::size_t>> recoveredUnder_;  // slot 0 kTop, slot k+1 key k
  std::vector<std::size_t> recoveredUnknown_;
  std::vector<std::int32_t> findingKey_;
  std::vector<std::size_t> recordsByOffset_;  // indexes into hive.records, by file offset
  std::vector<std::int32_t> keysByNode_;      // key indexes, by node offset
  std::vector<browse::FreeRecord> freeRecords_;
};

}  // namespace quarvex::ui
