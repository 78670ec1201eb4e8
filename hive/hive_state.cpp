#include "hive/hive_state.h"

#include <array>

namespace quarvex::hive {


namespace {

// Reads one fixed-size record; decodes it only when every byte was there.
template <typename Record>
bool ReadRecord(HiveImage& image, std::int64_t offset, Record& out) {
  std::array<std::uint8_t, Record::kSize> raw{};
  if (!image.ReadFull(offset, raw)) return false;
  out = Record::Decode(raw);
  return true;
}

bool Fail(std::int32_t& errorCode, std::int32_t code) {
  errorCode = code;
  return false;
}

}  // namespace

bool Hive::ReadHiveHeader() {
  if (!ReadRecord(hiveImage, 0, hiveHeader)) return Fail(errorCode, code::kHiveHeaderShort);
  if (hiveHeader.signature != kCregSignature) return Fail(errorCode, code::kHiveSignature);
  return true;
}

bool Hive::ReadKernelHeader(RgknHeader& out) {
  if (!ReadRecord(hiveImage, kKeyNodeBlockStart, out)) return Fail(errorCode, code::kKernelHeaderShort);
  if (out.signature != kRgknSignature) return Fail(errorCode, code::kKernelSignature);
  return true;
}

bool Hive::ReadKeyNode(std::int32_t relativeOffset, KeyNode& out) {
  if (!ReadRecord(hiveImage, KeyNodeFileOffset(relativeOffset), out))
    return Fail(errorCode, code::kKeyNodeShort);
  return true;
}

bool Hive::ReadFreeKeyNode(std::int32_t relativeOffset, FreeKeyNode& out) {
  if (!ReadRecord(hiveImage, KeyNodeFileOffset(relativeOffset), out))
    return Fail(errorCode, code::kFreeKeyNodeShort);
  return true;
}

bool Hive::BuildBlockTable() {
  blockTableCount = 0;
  blockTable.assign(hiveHeader.wDBblks, 0);
  // Block offsets are 32-bit and step by each block's own size, wrapping as the format's
  // signed arithmetic does; a wrapped (negative) offset simply fails to read.
  std::uint32_t position = static_cast<std::uint32_t>(hiveHeader.iRGDB1st);
  for (std::size_t i = 0; i < blockTable.size(); ++i) {
    RgdbHeader header;
    const auto offset = static_cast<std::int32_t>(position);
    if (!ReadRecord(hiveImage, offset, header)) return Fail(errorCode, code::kBlockHeaderShort);
    if (header.signature != kRgdbSignature) return Fail(errorCode, code::kBlockSignature);
    blockTable[i] = offset;
    position += static_cast<std::uint32_t>(header.iBlkSize);
  }
  blockTableCount = hiveHeader.wDBblks;
  return true;
}

std::int32_t Hive::DataBlockOffset(std::uint16_t block) {
  if (blockTableCount < 1 || block >= hiveHeader.wDBblks || block >= blockTable.size()) {
    errorCode = code::kNoSuchBlock;
    return 0;
  }
  return blockTable[block];
}

std::int32_t Hive::FindDataRecord(std::uint16_t block, std::uint16_t record) {
  if (indexedRecordCount < 1) {
    errorCode = code::kIndexEmpty;
    return 0;
  }
  if (auto offset = recordIndex.Find(block, record)) return *offset;
  errorCode = code::kNoSuchRecord;
  return 0;
}

bool Hive::ReadDataBlockHeader(std::int64_t fileOffset, RgdbHeader& out) {
  return ReadRecord(hiveImage, fileOffset, out);
}

bool Hive::ReadDataRecordHeader(std::int64_t fileOffset, DataRecordHeader& out) {
  return ReadRecord(hiveImage, fileOffset, out);
}

bool Hive::ReadFreeDataRecord(std::int64_t fileOffset, FreeDataRecord& out) {
  if (!ReadRecord(hiveImage, fileOffset, out)) return Fail(errorCode, code::kFreeRecordShort);
  return true;
}

}  // namespace quarvex::hive
