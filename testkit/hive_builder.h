// Builds registry files byte by byte, for tests and for the sample generator.
//
// Describe keys (with their names and values), free key nodes, free and orphan data records
// and data blocks; Build() lays them out as a Windows 9x registry file would hold them and
// reports where everything went, so a test can then damage exactly one field.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

#include "text/codepage.h"

namespace quarvex::testkit {

struct Value {
  std::uint16_t type = 1;  // 1 text, 4 DWORD, anything else raw bytes
  std::string name;        // empty: the key's unnamed value
  std::string data;        // the data bytes as stored (text values usually end in a zero byte)
  std::uint16_t un1 = 0;
  std::uint32_t un2 = 0;
};

Value Text(std::string name, std::string text);  // stores text + a terminating zero byte
Value Dword(std::string name, std::uint32_t number);
Value Binary(std::string name, std::string bytes, std::uint16_t type = 3);
// ASCII text as UTF-16LE bytes (no terminator), as programs keep strings inside binary data.
std::string Utf16Le(std::string_view ascii);

struct BuiltHive {
  std::vector<std::uint8_t> bytes;
  std::vector<std::int32_t> keyNode;                   // per key: node offset relative to the RGKN block
  std::vector<std::int64_t> keyRecord;                 // per key: file offset of its data record, -1 none
  std::vector<std::uint16_t> keyRecordNo;              // per key: Rec#
  std::vector<std::int64_t> block;                     // per block: file offset
  std::vector<std::vector<std::int32_t>> freeRecords;  // per block: block-relative offsets
  std::vector<std::int64_t> orphanRecords;             // file offsets
  std::vector<std::int32_t> freeKeyNodes;              // relative offsets, in list order
  std::int32_t rgknSize = 0;

  void PutU16(std::int64_t at, std::uint16_t v);
  void PutU32(std::int64_t at, std::uint32_t v);
  std::uint32_t GetU32(std::int64_t at) const;
  // Key node fields, by key id.
  std::int64_t KeyNodeFileOffset(int key) const { return 32 + keyNode[key]; }
  void WriteFile(const std::string& path) const;
  std::string AsString() const { return std::string(bytes.begin(), bytes.end()); }
};

// What Windows 9x does to the bytes when a key is deleted. Its subtree goes first, child by
// child. The key node is unlinked from its parent's child chain (or the top-level chain),
// then put at the head of the free key-node list: its first 12 bytes become the free view
// (Attr 0x80000000, Size 28, NextOfs the old head), which overwrites Attr, Chksum and Unk1;
// UprOfs, LwrOfs, NextOfs, Rec# and Blk# stay. The data record is freed with FreeRecord.
void DeleteKey(BuiltHive& hive, int key);

// Frees the record in use at file offset at, as Windows 9x does: when the record before it in
// the block's chain is free, that free area grows over it and the record's bytes (its whole
// header too) stay as they are; otherwise its first 12 bytes become the free view (Size, 4
// bytes 0xFFFFFFFF, NextOfs), overwriting NextOfs, Rec#, Blk# and RecSize, and it goes to the
// head of the block's free list. A free area right behind it is merged into it (taken off the
// list; its bytes stay). Returns the file offset of the free area now holding the record.
std::int64_t FreeRecord(BuiltHive& hive, std::int64_t at);

// Writes a new record in use (Rec# recNo, no key refers to it) at file offset at, inside a
// free area of its block: the area before it, when any, stays free with a smaller Size, and
// what is left behind the new record becomes a free area of its own (its free view written
// over the old bytes there) or, when less than 12 bytes, the new record's slack. The old
// bytes under the new record and under the new free view are lost. Returns the new record's
// size.
std::int32_t ReuseSpace(BuiltHive& hive, std::int64_t at, const std::string& name, const std::vector<Value>& values,
                        std::uint16_t recNo);

// A key added after deletions, as Windows 9x adds one: its node is taken from the head of the
// key-node free list and linked first among parent's children (kRootParent: first at the top
// level), and its record is written with ReuseSpace at file offset at, inside a free area, with
// Rec# recNo. Returns the new key's id (its index in keyNode, keyRecord and keyRecordNo).
int AddKeyInFreeSpace(BuiltHive& hive, int parent, const std::string& name, const std::vector<Value>& values,
                      std::int64_t at, std::uint16_t recNo, text::CodePage codePage = text::CodePage::Cp932);

// The file offset and Size of each free area on block b's free list, the head first.
std::vector<std::pair<std::int64_t, std::int32_t>> FreeAreas(const BuiltHive& hive, std::size_t b);

// The size of a data record holding this name and these values (header, name, value entries,
// their names and data), with no slack.
std::int32_t RecordSize(const std::string& name, const std::vector<Value>& values);

// Older copies of one key's record, as Windows 9x leaves them when it writes a grown record
// anew elsewhere: each state is written (ReuseSpace, Rec# from firstRecNo up) into a free area
// of block b of exactly its size, then all are freed (FreeRecord). Returns where each went; -1
// for a state no free area fits.
std::vector<std::int64_t> WriteOlderCopies(BuiltHive& hive, std::size_t b, const std::string& name,
                                           const std::vector<std::vector<Value>>& states, std::uint16_t firstRecNo);

class HiveBuilder {
 public:
  static constexpr int kRootParent = -1;

  // Adds a key under parent (kRootParent for a top-level node: the first one is the root the
  // header names, later ones its siblings). Returns the key's id.
  int AddKey(int parent, std::string name, std::vector<Value> values = {});

  // Per-key adjustments.
  void SetNoRecord(int key);                           // Blk#/Rec# 0xFFFF, no record written
  void SetChecksum(int key, std::uint32_t stored);     // store this instead of the right sum
  void PlaceInBlock(int key, std::uint16_t block);     // default: block 0
  void SetRecordNumber(int key, std::uint16_t recNo);  // default: next free number of its block
  void SetRecordSlack(int key, std::int32_t bytes);    // NextOfs beyond RecSize

  // Blocks and free space.
  void SetBlockCount(std::uint16_t count);  // default: as many as keys use, at least 1
  // A free record of the block; laid after the record of key afterKey when given (it must
  // be in the same block), else after all numbered records.
  void AddFreeRecord(std::uint16_t block, std::int32_t size, std::optional<int> afterKey = std::nullopt);
  // A numbered record that no key refers to.
  void AddOrphanRecord(std::uint16_t block, std::uint16_t recNo, std::string name);
  void AddFreeKeyNode(std::int32_t size);
  void SetMaxRecNo(std::uint16_t block, std::uint16_t value);  // default: highest number used
  void SetRgknSlack(std::int32_t bytes);                       // unused bytes at the end of the RGKN block
  void SetKeyNodeGap(std::int32_t bytes);                      // bytes left between consecutive key nodes
  void SetDataBlockStart(std::int32_t offset);                 // default: right after the RGKN block
  // Write the records of each block in a shuffled order (numbers stay), as real files do.
  void ShuffleRecords(unsigned seed);
  void SetCodePage(text::CodePage cp);  // for the stored checksums; default 932

  BuiltHive Build() const;

 private:
  struct Key {
    int parent = kRootParent;
    std::string name;
    std::vector<Value> values;
    bool noRecord = false;
    std::optional<std::uint32_t> checksum;
    std::uint16_t block = 0;
    std::optional<std::uint16_t> recNo;
    std::int32_t slack = 0;
    std::vector<int> children;
  };
  struct Orphan {
    std::uint16_t block;
    std::uint16_t recNo;
    std::string name;
  };
  std::vector<Key> keys_;
  std::vector<int> topLevel_;
  struct Free {
    std::uint16_t block;
    std::int32_t size;
    std::optional<int> afterKey;
  };
  std::vector<Free> freeRecords_;
  std::vector<Orphan> orphans_;
  std::vector<std::int32_t> freeKeyNodes_;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> maxRecNo_;
  std::optional<std::uint16_t> blockCount_;
  std::int32_t rgknSlack_ = 0;
  std::int32_t keyNodeGap_ = 0;
  std::optional<std::int32_t> dataBlockStart_;
  std::optional<unsigned> shuffleSeed_;
  text::CodePage codePage_ = text::CodePage::Cp932;
};

}  // namespace quarvex::testkit
