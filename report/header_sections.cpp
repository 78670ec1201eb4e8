// The three header dumps: the CREG file header, the RGKN key-node block header and every
// RGDB data block header. 16-bit fields carry five blanks after the colon so that their four
// digits end in the same column as the eight digits of 32-bit fields.
#include "report/sections.h"
#include "text/hex_text.h"

namespace quarvex::report {

using namespace quarvex::hive;
using namespace quarvex::stage;

namespace {

// Where the colon stands: after the longest name of the file header, and after the longest
// name of the key-node block header, which the data block headers share.
constexpr std::size_t kCregColumn = 9;
constexpr std::size_t kBlockColumn = 11;

// "wDBblks  :     0003", "iRGDB1st : 00000820": the field's name as its table gives it, padded
// to the column, then its value in four hex digits (16 bits) or eight (32 bits).
template <typename Field>
void FieldLine(SectionOutput& out, std::size_t column, Field field, std::uint32_t value) {
  const FieldLayout& layout = FieldLayoutOf(field);
  std::string& line = out.Compose();
  line.append(layout.name);
  if (layout.name.size() < column) line.append(column - layout.name.size(), ' ');
  line.append(layout.width == 2 ? ":     " : ": ");
  text::AppendHex(line, value, static_cast<int>(2 * layout.width));
  out.Text(line);
}

}  // namespace

void ReportHiveHeader(SectionOutput& out) {
  if (!out.Checked(Option::HeaderInfo)) return;
  // The job's own copy: the header is not read from the file again.
  const CregHeader& h = out.hive().hiveHeader;
  out.Text("== Registry Header[CREG] ========");
  FieldLine(out, kCregColumn, CregHeaderField::wUnk1, h.wUnk1);
  FieldLine(out, kCregColumn, CregHeaderField::wUnk2, h.wUnk2);
  FieldLine(out, kCregColumn, CregHeaderField::iRGDB1st, Hex(h.iRGDB1st));
  FieldLine(out, kCregColumn, CregHeaderField::iUnk3, h.iUnk3);
  FieldLine(out, kCregColumn, CregHeaderField::wDBblks, h.wDBblks);
  FieldLine(out, kCregColumn, CregHeaderField::wUnk5, h.wUnk5);
  FieldLine(out, kCregColumn, CregHeaderField::wUnk6, h.wUnk6);
  FieldLine(out, kCregColumn, CregHeaderField::wUnk7, h.wUnk7);
  FieldLine(out, kCregColumn, CregHeaderField::iUnk8, h.iUnk8);
  FieldLine(out, kCregColumn, CregHeaderField::iUnk9, h.iUnk9);
  out.Empty();
}

void ReportKernelHeader(SectionOutput& out) {
  if (!out.Checked(Option::KeyNodeBlockInfo)) return;
  RgknHeader h;
  if (!out.hive().ReadKernelHeader(h)) return;
  // There is one key-node block, so its number in the title is always 0000.
  out.Text("== Registry Kernel[RGKN](0000) ========");
  FieldLine(out, kBlockColumn, RgknHeaderField::iBlkSize, Hex(h.iBlkSize));
  FieldLine(out, kBlockColumn, RgknHeaderField::iRec1stOfs, Hex(h.iRec1stOfs));
  FieldLine(out, kBlockColumn, RgknHeaderField::iERecOfs, Hex(h.iERecOfs));
  FieldLine(out, kBlockColumn, RgknHeaderField::iUnk1, h.iUnk1);
  FieldLine(out, kBlockColumn, RgknHeaderField::iUnk2, h.iUnk2);
  FieldLine(out, kBlockColumn, RgknHeaderField::iUnk3, h.iUnk3);
  FieldLine(out, kBlockColumn, RgknHeaderField::iUnk4, h.iUnk4);
  out.Empty();
}

void ReportDataBlockHeaders(SectionOutput& out) {
  Hive& hive = out.hive();
  const std::uint16_t blockCount = hive.hiveHeader.wDBblks;
  out.Empty();
  if (out.Checked(Option::DataBlockInfo)) {
    for (unsigned b = 0; b < blockCount; ++b) {
      out.Progress("DB_hdr:%u", b);  // decimal here, hexadecimal in the title
      const FileOffset base = hive.DataBlockOffset(static_cast<std::uint16_t>(b));
      if (out.Failed()) return;
      // The block table read these 32 bytes in full when it checked the block.
      RgdbHeader h;
      hive.ReadDataBlockHeader(base, h);
      out.Line("== Registry Data Block[RGDB](%.4X) ========", b);
      FieldLine(out, kBlockColumn, RgdbHeaderField::iBlkSize, Hex(h.iBlkSize));
      FieldLine(out, kBlockColumn, RgdbHeaderField::iRestSize, h.iRestSize);
      FieldLine(out, kBlockColumn, RgdbHeaderField::iUnk1, h.iUnk1);
      FieldLine(out, kBlockColumn, RgdbHeaderField::iERecOfs, Hex(h.iERecOfs));
      FieldLine(out, kBlockColumn, RgdbHeaderField::wMaxRecNo, h.wMaxRecNo);
      FieldLine(out, kBlockColumn, RgdbHeaderField::wRecNum, h.wRecNum);
      FieldLine(out, kBlockColumn, RgdbHeaderField::iUnk2, h.iUnk2);
      FieldLine(out, kBlockColumn, RgdbHeaderField::iUnk3, h.iUnk3);
      out.Empty();
    }
  }
  // The header's own count, whether or not the blocks were dumped.
  if (out.Checked(Option::DataBlockCount)) out.Line("RGDB: Total: %d Header(s)", int{blockCount});
  out.Empty();
}

}  // namespace quarvex::report
