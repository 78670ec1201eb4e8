// One loaded hive: the image, the file header, the block table, the record index, and the
// status code that every reader sets when it fails, with the finding that says why.
//
// The readers are the only way the rest of the program touches the file's bytes. Each one
// reads a fixed number of bytes at an offset, decodes the record when every byte was there,
// and otherwise sets its own code in errorCode, names the structure, offset and field in
// `failure`, and returns false. No reader clears the code.
//
// Offsets come typed (hive/offsets.h): key-node readers take offsets relative to the key-node
// block, everything else file offsets.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "hive/error_codes.h"
#include "hive/finding.h"
#include "hive/format.h"
#include "hive/hive_image.h"
#include "hive/offsets.h"
#include "hive/record_index.h"

namespace quarvex::hive {

struct Hive {
  HiveImage hiveImage;
  CregHeader hiveHeader;
  std::vector<std::int32_t> blockTable;  // data block number -> absolute file offset
  std::int32_t blockTableCount = 0;      // 0 until every block of the chain checked sound
  RecordIndex recordIndex;
  std::int32_t indexedRecordCount = 0;  // every store counts, a replacing one too
  std::int32_t errorCode = code::kOk;
  // What the reader that set errorCode found; empty while the code is 0 or was set by hand.
  std::optional<Finding> failure;

  // 32 bytes at offset 0 into hiveHeader: 1 short read, 2 not "CREG".
  bool ReadHiveHeader();
  // 32 bytes at offset 32: 3 short read, 4 not "RGKN".
  bool ReadKernelHeader(RgknHeader& out);
  // 28 bytes of a key node in use, 12 of a free one: 5 / 6 on a short read.
  bool ReadKeyNode(KeyNodeOffset offset, KeyNode& out);
  bool ReadFreeKeyNode(KeyNodeOffset offset, FreeKeyNode& out);
  // Walks the data block chain from iRGDB1st: 7 short read, 8 not "RGDB".
  bool BuildBlockTable();
  // File offset of block b, or 0 with code 9 when there is no table or b is out of range.
  FileOffset DataBlockOffset(std::uint16_t block);
  // File offset of a record, or 0: 11 when the index holds nothing, 12 when the record is
  // not indexed.
  FileOffset FindDataRecord(std::uint16_t block, std::uint16_t record);
  // The record of those numbers when the index holds it. Numbers the index does not hold
  // simply have no record; only an empty index (11) is a failure.
  std::optional<FileOffset> LookUpRecord(std::uint16_t block, std::uint16_t record);
  // The data record of a key, as LookUpRecord; a key without numbers has none.
  std::optional<FileOffset> FindKeyRecord(const KeyNode& node) {
    if (!node.HasDataRecord()) return std::nullopt;
    return LookUpRecord(node.BlkNo, node.RecNo);
  }
  // These two are given offsets whose bytes the block chain or the pre-scan read in full;
  // they set no code and leave out untouched if the bytes are not all there.
  bool ReadDataBlockHeader(FileOffset offset, RgdbHeader& out);
  bool ReadDataRecordHeader(FileOffset offset, DataRecordHeader& out);
  // 12 bytes of a free data record: 19 on a short read.
  bool ReadFreeDataRecord(FileOffset offset, std::uint16_t block, FreeDataRecord& out);

  // Bytes of a name or value, as many as the image holds (up to count).
  Bytes ReadBytes(FileOffset offset, std::size_t count) const { return hiveImage.Slice(offset.value, count); }

  // Back to "all is well", for callers that only ask (a key's name, a path to show) and take
  // a failed read as "not there".
  void ClearFailure() {
    errorCode = code::kOk;
    failure.reset();
  }
  // Sets the code with the finding behind it. Always false, so a reader can return it.
  bool Fail(std::int32_t code, Finding finding);
};

}  // namespace quarvex::hive
