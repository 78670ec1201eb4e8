#include "hive/format.h"

#include <algorithm>

namespace quarvex::hive {

namespace {
Signature LoadSignature(Bytes b) {
  Signature s{};
  std::copy_n(b.begin(), 4, s.begin());
  return s;
}
}  // namespace

CregHeader CregHeader::Decode(Bytes b) {
  CregHeader h;
  h.signature = LoadSignature(b);
  h.wUnk1 = LoadU16(b, 4);
  h.wUnk2 = LoadU16(b, 6);
  h.iRGDB1st = LoadI32(b, 8);
  h.iUnk3 = LoadU32(b, 12);
  h.wDBblks = LoadU16(b, 16);
  h.wUnk5 = LoadU16(b, 18);
  h.wUnk6 = LoadU16(b, 20);
  h.wUnk7 = LoadU16(b, 22);
  h.iUnk8 = LoadU32(b, 24);
  h.iUnk9 = LoadU32(b, 28);
  return h;
}

RgknHeader RgknHeader::Decode(Bytes b) {
  RgknHeader h;
  h.signature = LoadSignature(b);
  h.iBlkSize = LoadI32(b, 4);
  h.iRec1stOfs = LoadI32(b, 8);
  h.iERecOfs = LoadI32(b, 12);
  h.iUnk1 = LoadU32(b, 16);
  h.iUnk2 = LoadU32(b, 20);
  h.iUnk3 = LoadU32(b, 24);
  h.iUnk4 = LoadU32(b, 28);
  return h;
}

KeyNode KeyNode::Decode(Bytes b) {
  KeyNode n;
  n.Attr = LoadU32(b, 0);
  n.Chksum = LoadU32(b, 4);
  n.Unk1 = LoadU32(b, 8);
  n.UprOfs = LoadI32(b, 12);
  n.LwrOfs = LoadI32(b, 16);
  n.NextOfs = LoadI32(b, 20);
  n.RecNo = LoadU16(b, 24);
  n.BlkNo = LoadU16(b, 26);
  return n;
}

FreeKeyNode FreeKeyNode::Decode(Bytes b) {
  FreeKeyNode n;
  n.Attr = LoadU32(b, 0);
  n.Size = LoadI32(b, 4);
  n.NextOfs = LoadI32(b, 8);
  return n;
}

RgdbHeader RgdbHeader::Decode(Bytes b) {
  RgdbHeader h;
  h.signature = LoadSignature(b);
  h.iBlkSize = LoadI32(b, 4);
  h.iRestSize = LoadU32(b, 8);
  h.iUnk1 = LoadU32(b, 12);
  h.iERecOfs = LoadI32(b, 16);
  h.wMaxRecNo = LoadU16(b, 20);
  h.wRecNum = LoadU16(b, 22);
  h.iUnk2 = LoadU32(b, 24);
  h.iUnk3 = LoadU32(b, 28);
  return h;
}

DataRecordHeader DataRecordHeader::Decode(Bytes b) {
  DataRecordHeader h;
  h.NextOfs = LoadI32(b, 0);
  h.RecNo = LoadU16(b, 4);
  h.BlkNo = LoadU16(b, 6);
  h.RecSize = LoadI32(b, 8);
  h.KeyL = LoadU16(b, 12);
  h.DatN = LoadU16(b, 14);
  h.iUnk1 = LoadU32(b, 16);
  return h;
}

ValueEntry ValueEntry::Decode(Bytes b) {
  ValueEntry v;
  v.Atr = LoadU16(b, 0);
  v.Un1 = LoadU16(b, 2);
  v.Un2 = LoadU32(b, 4);
  v.NL = LoadU16(b, 8);
  v.VL = LoadU16(b, 10);
  return v;
}

FreeDataRecord FreeDataRecord::Decode(Bytes b) {
  FreeDataRecord f;
  f.Size = LoadI32(b, 0);
  f.NextOfs = LoadI32(b, 8);
  return f;
}

}  // namespace quarvex::hive
