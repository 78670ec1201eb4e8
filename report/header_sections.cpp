// The three header dumps: the CREG file header, the RGKN key-node block header and every
// RGDB data block header. 16-bit fields carry five blanks after the colon so that their four
// digits end in the same column as the eight digits of 32-bit fields.
#include "report/sections.h"

namespace quarvex::report {

using namespace quarvex::hive;
using namespace quarvex::stage;

void ReportHiveHeader(SectionOutput& out) {
  if (!out.Checked(Option::HeaderInfo)) return;
  // The job's own copy: the header is not read from the file again.
  const CregHeader& h = out.hive().hiveHeader;
  out.Text("== Registry Header[CREG] ========");
  out.Line("wUnk1    :     %.4X", unsigned{h.wUnk1});
  out.Line("wUnk2    :     %.4X", unsigned{h.wUnk2});
  out.Line("iRGDB1st : %.8X", Hex(h.iRGDB1st));
  out.Line("iUnk3    : %.8X", h.iUnk3);
  out.Line("wDBblks  :     %.4X", unsigned{h.wDBblks});
  out.Line("wUnk5    :     %.4X", unsigned{h.wUnk5});
  out.Line("wUnk6    :     %.4X", unsigned{h.wUnk6});
  out.Line("wUnk7    :     %.4X", unsigned{h.wUnk7});
  out.Line("iUnk8    : %.8X", h.iUnk8);
  out.Line("iUnk9    : %.8X", h.iUnk9);
  out.Empty();
}

void ReportKernelHeader(SectionOutput& out) {
  if (!out.Checked(Option::KeyNodeBlockInfo)) return;
  RgknHeader h;
  if (!out.hive().ReadKernelHeader(h)) return;
  // There is one key-node block, so its number in the title is always 0000.
  out.Text("== Registry Kernel[RGKN](0000) ========");
  out.Line("iBlkSize   : %.8X", Hex(h.iBlkSize));
  out.Line("iRec1stOfs : %.8X", Hex(h.iRec1stOfs));
  out.Line("iERecOfs   : %.8X", Hex(h.iERecOfs));
  out.Line("iUnk1      : %.8X", h.iUnk1);
  out.Line("iUnk2      : %.8X", h.iUnk2);
  out.Line("iUnk3      : %.8X", h.iUnk3);
  out.Line("iUnk4      : %.8X", h.iUnk4);
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
      out.Line("iBlkSize   : %.8X", Hex(h.iBlkSize));
      out.Line("iRestSize  : %.8X", h.iRestSize);
      out.Line("iUnk1      : %.8X", h.iUnk1);
      out.Line("iERecOfs   : %.8X", Hex(h.iERecOfs));
      out.Line("wMaxRecNo  :     %.4X", unsigned{h.wMaxRecNo});
      out.Line("wRecNum    :     %.4X", unsigned{h.wRecNum});
      out.Line("iUnk2      : %.8X", h.iUnk2);
      out.Line("iUnk3      : %.8X", h.iUnk3);
      out.Empty();
    }
  }
  // The header's own count, whether or not the blocks were dumped.
  if (out.Checked(Option::DataBlockCount)) out.Line("RGDB: Total: %d Header(s)", int{blockCount});
  out.Empty();
}

}  // namespace quarvex::report
