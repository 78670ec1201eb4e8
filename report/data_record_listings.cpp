// The data-record listings: every indexed record in index order, then every block's free list.
//
// Index order is block by block, record numbers ascending. Each block offers positions 0 to
// 255, as every real file numbers its records 0-254; a damaged block that numbers a record
// higher keeps that record in its own block (it never lands in a later block's positions)
// and has as many positions as its highest number needs. The position count i shown in the
// progress text runs on across blocks, each block starting where the previous one's positions
// ended, so on real files i is block * 256 + record.
#include "hive/keyname.h"
#include "hive/link_guard.h"
#include "text/hex_text.h"
#include "text/printf.h"
#include "report/field_captions.h"
#include "report/sections.h"

namespace quarvex::report {

using namespace quarvex::hive;
using namespace quarvex::text;
using namespace quarvex::stage;

namespace {

constexpr std::uint16_t kPlainPositions = 256;

// One record: an empty line, the column header when asked, the header line, the name line,
// the hex line and, when asked, the value lines. False with the code set on a short read.
bool ListRecord(SectionOutput& out, FileOffset offset, bool columnHeader) {
  Hive& hive = out.hive();
  // The pre-scan read these 20 bytes in full when it indexed the record.
  DataRecordHeader h;
  hive.ReadDataRecordHeader(offset, h);
  out.Empty();
  if (columnHeader) {
    using F = DataRecordField;
    // " ____addr(Blk#:Rec#) _NextOfs _RecSize KeyL DatN ___iUnk1"
    static const std::string columns =
        Captions(" ____addr(Blk#:Rec#) ", "", F::NextOfs, F::RecSize, F::KeyL, F::DatN, F::iUnk1);
    out.Text(columns);
  }
  // " %.8X %.4X %.4X  %.8X %.8X %.4X %.4X %.8X", by hand: a million lines on a large hive.
  std::string& headerLine = out.Compose();
  AppendHex(headerLine, " ", Hex(offset), 8);
  AppendHex(headerLine, " ", h.BlkNo, 4);
  AppendHex(headerLine, " ", h.RecNo, 4);
  AppendHex(headerLine, "  ", Hex(h.NextOfs), 8);
  AppendHex(headerLine, " ", Hex(h.RecSize), 8);
  AppendHex(headerLine, " ", h.KeyL, 4);
  AppendHex(headerLine, " ", h.DatN, 4);
  AppendHex(headerLine, " ", h.iUnk1, 8);
  out.Text(headerLine);

  const FileOffset nameAt = offset.Plus(DataRecordHeader::kSize);
  const Bytes name = hive.ReadBytes(nameAt, h.KeyL);
  if (name.size() < h.KeyL) {
    Finding f = FieldCutShort(Structure::DataRecord, offset, FieldName(DataRecordField::KeyL), h.KeyL, name.size());
    f.found = Hex16(h.KeyL) + " (" + f.expected + " of name, " + f.found + ")";
    f.expected = "a name inside the file";
    f.block = h.BlkNo;
    f.record = h.RecNo;
    return out.Fail(code::kKeyNameShort, std::move(f));
  }
  // The name is shown as text up to its first zero byte, whole however long it is.
  const Bytes shown = UpToFirstZero(name);
  std::string& nameLine = out.Compose();
  nameLine.append(" [").append(shown.begin(), shown.end()).push_back(']');
  if (out.Checked(Option::RecordsInUseChecksum)) {
    AppendHex(nameLine, " ChkSum: ", KeyNameChecksum(shown, out.LeadBytes()), 4);
  }
  out.Text(nameLine);
  // Every stored byte of the name, zero bytes included.
  std::string& hexLine = out.Compose();
  hexLine.append(" Hex:");
  for (std::uint8_t b : name) {
    hexLine.push_back(' ');
    AppendHexByte(hexLine, b);
  }
  out.Text(hexLine);

  if (!out.Checked(Option::RecordsInUseData) || h.DatN == 0) return true;
  return ListValues(out, nameAt.Plus(h.KeyL), h.DatN, h);
}

// Lists the records of every block; false with the code set when the section must end.
bool ListIndexedRecords(SectionOutput& out) {
  Hive& hive = out.hive();
  const bool gauge = out.Checked(Option::RecordsInUseGauge);
  const unsigned indexed = static_cast<std::uint32_t>(hive.indexedRecordCount);
  // Positions of the blocks before this one: at most 65535 blocks of 65536, so 32 bits hold it.
  std::uint32_t blockStart = 0;

  // The progress text "DB_rec:%.8X/%.8X" of every position, written into one buffer.
  char progress[24] = {'D', 'B', '_', 'r', 'e', 'c', ':'};
  progress[15] = '/';
  WriteHex(progress + 16, indexed, 8);

  // Probes one position: nothing there is no failure, an empty index (11) ends the section.
  auto probe = [&](std::uint16_t block, std::uint16_t record) {
    const std::uint32_t i = blockStart + record;
    WriteHex(progress + 7, i, 8);
    out.ProgressText(std::string_view(progress, sizeof progress), block, hive.hiveHeader.wDBblks);
    const std::optional<FileOffset> offset = hive.LookUpRecord(block, record);
    if (out.Failed()) return false;
    if (!offset) return true;
    // The column header stands once before the record at the very first position (block 0,
    // record 0), and not at all when that position is empty, unless asked for every record.
    return ListRecord(out, *offset, gauge || i == 0);
  };

  for (unsigned b = 0; b < hive.hiveHeader.wDBblks; ++b) {
    const auto block = static_cast<std::uint16_t>(b);
    for (unsigned r = 0; r < kPlainPositions; ++r)
      if (!probe(block, static_cast<std::uint16_t>(r))) return false;
    // Numbers above 255 occur only in damaged blocks and may lie as far apart as 65535:
    // only the positions that hold a record are probed, so such a block costs what it holds.
    bool ok = true;
    hive.recordIndex.ForEachInBlock(block, [&](std::uint16_t record, std::int32_t) {
      if (ok && record >= kPlainPositions) ok = probe(block, record);
    });
    if (!ok) return false;
    blockStart += static_cast<std::uint32_t>(hive.recordIndex.PositionCount(block));
  }
  return true;
}

}  // namespace

void ListUsingDataRecords(SectionOutput& out) {
  out.Empty();
  out.Text("RGDB record <Using>");
  // Options cannot change while a job runs, so testing the box once is testing it at every
  // position: unchecked, nothing is listed and no progress is shown.
  if (out.Checked(Option::RecordsInUse) && !ListIndexedRecords(out)) return;
  // The index's own count, whatever was listed; its box is the one of the block headers.
  out.CloseListing(Option::DataBlockCount, out.hive().indexedRecordCount);
}

void ListEmptyDataRecords(SectionOutput& out) {
  using F = FreeDataRecordField;
  // " ____(Blk#)____Addr ____Size _NextOfs"
  const bool lines = out.OpenListing("RGDB record <Empty>", Option::FreeRecords,
                                     Captions(" ____(Blk#)____Addr ", "", F::Size, F::NextOfs));
  Hive& hive = out.hive();
  // A free record listed twice in one block's list means the list runs in a circle. Blocks
  // are checked apart: damaged block sizes can make two blocks share their free records.
  VisitedOffsets listed(hive.hiveImage.Size());
  int count = 0;
  for (unsigned b = 0; b < hive.hiveHeader.wDBblks; ++b) {
    out.Progress("DB(%.4X)_E", b);
    const auto block = static_cast<std::uint16_t>(b);
    const FileOffset base = hive.DataBlockOffset(block);
    if (out.Failed()) return;
    RgdbHeader header;
    hive.ReadDataBlockHeader(base, header);
    listed.Reset();
    // Where the link now followed was read: the block header's iERecOfs, then each record's NextOfs.
    Finding link = FindingAt(Structure::RgdbHeader, base, FieldName(RgdbHeaderField::iERecOfs), b);
    // Free-record links are relative to the block; only 0xFFFFFFFF ends the list.
    for (BlockOffset e(header.iERecOfs); !e.IsNone();) {
      const FileOffset at = InBlock(base, e);
      if (!listed.Mark(at.value)) {
        link.found = Hex32(Hex(e)) + " (a record already listed)";
        link.expected = "0xFFFFFFFF or a record not yet listed";
        out.Fail(code::kLinkLoop, std::move(link));
        return;
      }
      FreeDataRecord record;
      if (!hive.ReadFreeDataRecord(at, block, record)) return;
      // The block number in parentheses is followed by the offset without a blank.
      if (lines) out.Line(" RGDB(%.4X)%.8X %.8X %.8X", b, Hex(e), Hex(record.Size), Hex(record.NextOfs));
      ++count;
      link = FindingAt(Structure::FreeDataRecord, at, FieldName(FreeDataRecordField::NextOfs), b);
      e = BlockOffset(record.NextOfs);
    }
  }
  out.CloseListing(Option::FreeRecordsCount, count);
}

}  // namespace quarvex::report
