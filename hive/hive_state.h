// One loaded hive: the image, the file header, the block table, the record index, and the
// status code that every reader sets when it fails.
//
// The readers are the only way the rest of the program touches the file's bytes. Each one
// reads a fixed number of bytes at an offset, decodes the record when every byte was there,
// and otherwise sets its own code in errorCode and returns false. No reader clears the code.
#pragma once

#include <cstdint>
#include <vector>

#include "hive/error_codes.h"
#include "hive/format.h"
#include "hive/hive_image.h"
#include "hive/record_index.h"

namespace quarvex::hive {

struct Hive {
  HiveImage hiveImage;
  CregHeader hiveHeader;
  std::vector<std::int32_t> blockTable;  // data block number -> absolute file offset
  std::int32_t blockTableCount = 0;      // 0 until every block of the chain checked sound
  RecordIndex recordIndex;
  std::int32_t indexedRecordCount = 0;   // every store counts, a replacing one too
  std::int32_t errorCode = code::kOk;

  // 32 bytes at offset 0 into hiveHeader: 1 short read, 2 not "CREG".
  bool ReadHiveHeader();
  // 32 bytes at offset 32: 3 short read, 4 not "RGKN".
  bool ReadKernelHeader(RgknHeader& out);
  // Key-node readers take offsets relative to the key-node block: 5 / 6 on a short read.
  bool ReadKeyNode(std::int32_t relativeOffset, KeyNode& out);
  bool ReadFreeKeyNode(std::int32_t relativeOffset, FreeKeyNode& out);
  // Walks the data block chain from iRGDB1st: 7 short read, 8 not "RGDB".
  bool BuildBlockTable();
  // File offset of block b, or 0 with code 9 when there is no table or b is out of range.
  std::int32_t DataBlockOffset(std::uint16_t block);
  // File offset of a record, or 0: 11 when the index holds nothing, 12 when the record is
  // not indexed (callers that look up a key's record take 12 as "no record" and clear it).
  std::int32_t FindDataRecord(std::uint16_t block, std::uint16_t record);
  // These two are given offsets whose bytes the block chain or the pre-scan read in full;
  // they set no code and leave out untouched if the bytes are not all there.
  bool ReadDataBlockHeader(std::int64_t fileOffset, RgdbHeader& out);
  bool ReadDataRecordHeader(std::int64_t fileOffset, DataRecordHeader& out);
  // 12 bytes at an absolute offset: 19 on a short read.
  bool ReadFreeDataRecord(std::int64_t fileOffset, FreeDataRecord& out);

  // Bytes of a name or value at an absolute offset, as many as the image holds (up to count).
  Bytes ReadBytes(std::int64_t fileOffset, std::size_t count) { return hiveImage.Slice(fileOffset, count); }
};

}  // namespace quarvex::hive
