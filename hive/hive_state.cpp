#include "hive/hive_state.h"

#include <array>
#include <string>

namespace quarvex::hive {

namespace {

// Reads one fixed-size record; decodes it only when every byte was there, straight from the
// image (no copy: the walks read a record header or key node per key).
template <typename Record>
bool ReadRecord(HiveImage& image, FileOffset offset, Record& out) {
  const Bytes raw = image.Slice(offset.value, Record::kSize);
  if (raw.size() != Record::kSize) return false;
  out = Record::Decode(raw);
  return true;
}

// The finding of a record that the file ends inside of (or that lies outside the file).
Finding CutShort(Structure structure, FileOffset at, std::size_t wanted, std::size_t fileSize) {
  Finding f;
  f.structure = structure;
  f.offset = at;
  f.field = "record";
  const std::int64_t size = static_cast<std::int64_t>(fileSize);
  if (at.value < 0 || at.value >= size) {
    f.found = "outside the file (" + std::to_string(fileSize) + " bytes)";
    f.expected = "an offset inside it";
  } else {
    f.found = std::to_string(size - at.value) + " bytes before the end of the file";
    f.expected = std::to_string(wanted) + " bytes";
  }
  return f;
}

template <typename Field>
Finding WrongSignature(Structure structure, FileOffset at, Field field, const Signature& found,
                       std::string_view wanted) {
  Finding f;
  f.structure = structure;
  f.offset = at;
  f.field = FieldName(field);
  f.found = Quoted(std::string_view(found.data(), found.size()));
  f.expected = Quoted(wanted);
  return f;
}

}  // namespace

bool Hive::Fail(std::int32_t code, Finding finding) {
  errorCode = code;
  failure = std::move(finding);
  return false;
}

bool Hive::ReadHiveHeader() {
  if (!ReadRecord(hiveImage, FileOffset(0), hiveHeader))
    return Fail(code::kHiveHeaderShort,
                CutShort(Structure::CregHeader, FileOffset(0), CregHeader::kSize, hiveImage.Size()));
  if (hiveHeader.signature != kCregSignature)
    return Fail(code::kHiveSignature, WrongSignature(Structure::CregHeader, FileOffset(0), CregHeaderField::signature,
                                                     hiveHeader.signature, "CREG"));
  return true;
}

bool Hive::ReadKernelHeader(RgknHeader& out) {
  if (!ReadRecord(hiveImage, kKeyNodeBlockFileOffset, out))
    return Fail(code::kKernelHeaderShort,
                CutShort(Structure::RgknHeader, kKeyNodeBlockFileOffset, RgknHeader::kSize, hiveImage.Size()));
  if (out.signature != kRgknSignature)
    return Fail(code::kKernelSignature, WrongSignature(Structure::RgknHeader, kKeyNodeBlockFileOffset,
                                                       RgknHeaderField::signature, out.signature, "RGKN"));
  return true;
}

bool Hive::ReadKeyNode(KeyNodeOffset offset, KeyNode& out) {
  if (!ReadRecord(hiveImage, offset.InFile(), out))
    return Fail(code::kKeyNodeShort, CutShort(Structure::KeyNode, offset.InFile(), KeyNode::kSize, hiveImage.Size()));
  return true;
}

bool Hive::ReadFreeKeyNode(KeyNodeOffset offset, FreeKeyNode& out) {
  if (!ReadRecord(hiveImage, offset.InFile(), out))
    return Fail(code::kFreeKeyNodeShort,
                CutShort(Structure::FreeKeyNode, offset.InFile(), FreeKeyNode::kSize, hiveImage.Size()));
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
    const FileOffset offset(static_cast<std::int32_t>(position));
    if (!ReadRecord(hiveImage, offset, header)) {
      Finding f = CutShort(Structure::RgdbHeader, offset, RgdbHeader::kSize, hiveImage.Size());
      f.block = static_cast<std::uint32_t>(i);
      if (i > 0) f.expected += " (the file header claims " + std::to_string(hiveHeader.wDBblks) + " blocks)";
      return Fail(code::kBlockHeaderShort, std::move(f));
    }
    if (header.signature != kRgdbSignature) {
      Finding f = WrongSignature(Structure::RgdbHeader, offset, RgdbHeaderField::signature, header.signature, "RGDB");
      f.block = static_cast<std::uint32_t>(i);
      return Fail(code::kBlockSignature, std::move(f));
    }
    blockTable[i] = static_cast<std::int32_t>(offset.value);
    position += static_cast<std::uint32_t>(header.iBlkSize);
  }
  blockTableCount = hiveHeader.wDBblks;
  return true;
}

FileOffset Hive::DataBlockOffset(std::uint16_t block) {
  if (blockTableCount < 1 || block >= hiveHeader.wDBblks || block >= blockTable.size()) {
    Finding f;
    f.structure = Structure::CregHeader;
    f.offset = FileOffset(static_cast<std::int64_t>(FieldOffset(CregHeaderField::wDBblks)));
    f.field = FieldName(CregHeaderField::wDBblks);
    f.found = Hex16(hiveHeader.wDBblks);
    f.expected = "more than block number " + std::to_string(block);
    Fail(code::kNoSuchBlock, std::move(f));
    return FileOffset(0);
  }
  return FileOffset(blockTable[block]);
}

FileOffset Hive::FindDataRecord(std::uint16_t block, std::uint16_t record) {
  if (indexedRecordCount < 1) {
    Finding f;
    f.structure = Structure::RgdbHeader;
    f.offset = FileOffset(hiveHeader.iRGDB1st);
    f.field = "record chain";
    f.found = "no numbered record in any data block";
    f.expected = "the records the key nodes name";
    Fail(code::kIndexEmpty, std::move(f));
    return FileOffset(0);
  }
  if (auto offset = recordIndex.Find(block, record)) return FileOffset(*offset);
  errorCode = code::kNoSuchRecord;
  failure.reset();  // "no such record" is an answer, not a failure
  return FileOffset(0);
}

std::optional<FileOffset> Hive::LookUpRecord(std::uint16_t block, std::uint16_t number) {
  const FileOffset record = FindDataRecord(block, number);
  if (errorCode == code::kNoSuchRecord) errorCode = code::kOk;
  if (errorCode != code::kOk || record.value == 0) return std::nullopt;
  return record;
}

bool Hive::ReadDataBlockHeader(FileOffset offset, RgdbHeader& out) { return ReadRecord(hiveImage, offset, out); }

bool Hive::ReadDataRecordHeader(FileOffset offset, DataRecordHeader& out) { return ReadRecord(hiveImage, offset, out); }

bool Hive::ReadFreeDataRecord(FileOffset offset, std::uint16_t block, FreeDataRecord& out) {
  if (!ReadRecord(hiveImage, offset, out)) {
    Finding f = CutShort(Structure::FreeDataRecord, offset, FreeDataRecord::kSize, hiveImage.Size());
    f.block = block;
    return Fail(code::kFreeRecordShort, std::move(f));
  }
  return true;
}

}  // namespace quarvex::hive
