#include "hive/format.h"

#include <algorithm>

namespace quarvex::hive {

namespace {
// The four signature bytes, where the record's table places them.
template <typename Field>
Signature LoadSignature(Bytes b, Field field) {
  Signature s{};
  std::copy_n(b.begin() + static_cast<std::ptrdiff_t>(FieldOffset(field)), s.size(), s.begin());
  return s;
}
}  // namespace

CregHeader CregHeader::Decode(Bytes b) {
  using F = CregHeaderField;
  CregHeader h;
  h.signature = LoadSignature(b, F::signature);
  LoadField<F::wUnk1>(b, h.wUnk1);
  LoadField<F::wUnk2>(b, h.wUnk2);
  LoadField<F::iRGDB1st>(b, h.iRGDB1st);
  LoadField<F::iUnk3>(b, h.iUnk3);
  LoadField<F::wDBblks>(b, h.wDBblks);
  LoadField<F::wUnk5>(b, h.wUnk5);
  LoadField<F::wUnk6>(b, h.wUnk6);
  LoadField<F::wUnk7>(b, h.wUnk7);
  LoadField<F::iUnk8>(b, h.iUnk8);
  LoadField<F::iUnk9>(b, h.iUnk9);
  return h;
}

RgknHeader RgknHeader::Decode(Bytes b) {
  using F = RgknHeaderField;
  RgknHeader h;
  h.signature = LoadSignature(b, F::signature);
  LoadField<F::iBlkSize>(b, h.iBlkSize);
  LoadField<F::iRec1stOfs>(b, h.iRec1stOfs);
  LoadField<F::iERecOfs>(b, h.iERecOfs);
  LoadField<F::iUnk1>(b, h.iUnk1);
  LoadField<F::iUnk2>(b, h.iUnk2);
  LoadField<F::iUnk3>(b, h.iUnk3);
  LoadField<F::iUnk4>(b, h.iUnk4);
  return h;
}

KeyNode KeyNode::Decode(Bytes b) {
  using F = KeyNodeField;
  KeyNode n;
  LoadField<F::Attr>(b, n.Attr);
  LoadField<F::Chksum>(b, n.Chksum);
  LoadField<F::Unk1>(b, n.Unk1);
  LoadField<F::UprOfs>(b, n.UprOfs);
  LoadField<F::LwrOfs>(b, n.LwrOfs);
  LoadField<F::NextOfs>(b, n.NextOfs);
  LoadField<F::RecNo>(b, n.RecNo);
  LoadField<F::BlkNo>(b, n.BlkNo);
  return n;
}

FreeKeyNode FreeKeyNode::Decode(Bytes b) {
  using F = FreeKeyNodeField;
  FreeKeyNode n;
  LoadField<F::Attr>(b, n.Attr);
  LoadField<F::Size>(b, n.Size);
  LoadField<F::NextOfs>(b, n.NextOfs);
  return n;
}

RgdbHeader RgdbHeader::Decode(Bytes b) {
  using F = RgdbHeaderField;
  RgdbHeader h;
  h.signature = LoadSignature(b, F::signature);
  LoadField<F::iBlkSize>(b, h.iBlkSize);
  LoadField<F::iRestSize>(b, h.iRestSize);
  LoadField<F::iUnk1>(b, h.iUnk1);
  LoadField<F::iERecOfs>(b, h.iERecOfs);
  LoadField<F::wMaxRecNo>(b, h.wMaxRecNo);
  LoadField<F::wRecNum>(b, h.wRecNum);
  LoadField<F::iUnk2>(b, h.iUnk2);
  LoadField<F::iUnk3>(b, h.iUnk3);
  return h;
}

DataRecordHeader DataRecordHeader::Decode(Bytes b) {
  using F = DataRecordField;
  DataRecordHeader h;
  LoadField<F::NextOfs>(b, h.NextOfs);
  LoadField<F::RecNo>(b, h.RecNo);
  LoadField<F::BlkNo>(b, h.BlkNo);
  LoadField<F::RecSize>(b, h.RecSize);
  LoadField<F::KeyL>(b, h.KeyL);
  LoadField<F::DatN>(b, h.DatN);
  LoadField<F::iUnk1>(b, h.iUnk1);
  return h;
}

ValueEntry ValueEntry::Decode(Bytes b) {
  using F = ValueField;
  ValueEntry v;
  LoadField<F::Atr>(b, v.Atr);
  LoadField<F::Un1>(b, v.Un1);
  LoadField<F::Un2>(b, v.Un2);
  LoadField<F::NL>(b, v.NL);
  LoadField<F::VL>(b, v.VL);
  return v;
}

FreeDataRecord FreeDataRecord::Decode(Bytes b) {
  using F = FreeDataRecordField;
  FreeDataRecord f;
  LoadField<F::Size>(b, f.Size);
  LoadField<F::RecNo>(b, f.RecNo);
  LoadField<F::BlkNo>(b, f.BlkNo);
  LoadField<F::NextOfs>(b, f.NextOfs);
  return f;
}

}  // namespace quarvex::hive
