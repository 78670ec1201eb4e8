// Deleting keys and reusing their space, as Windows 9x does it: a key's node and data record
// freed, a new record written into a free area, older copies of a record left in free space.
#include "testkit/hive_builder.h"

#include <algorithm>
#include <stdexcept>

#include "hive/format.h"
#include "hive/keyname.h"
#include "testkit/byte_writer.h"

namespace quarvex::testkit {

using namespace quarvex::hive;
using namespace quarvex::text;

namespace {

std::int32_t GetI32(const BuiltHive& hive, std::int64_t at) { return static_cast<std::int32_t>(hive.GetU32(at)); }
void PutI32(BuiltHive& hive, std::int64_t at, std::int32_t v) { hive.PutU32(at, static_cast<std::uint32_t>(v)); }
bool IsFreeView(const BuiltHive& hive, std::int64_t at) { return hive.GetU32(at + 4) == 0xFFFFFFFF; }

// The block holding file offset at.
std::size_t BlockOf(const BuiltHive& hive, std::int64_t at) {
  for (std::size_t b = hive.block.size(); b-- > 0;)
    if (hive.block[b] <= at) return b;
  throw std::logic_error("not inside a data block");
}

// The record of the block's chain at or before at, and the one before that (-1: none).
std::pair<std::int64_t, std::int64_t> ChainPosition(const BuiltHive& hive, std::size_t b, std::int64_t at) {
  const std::int64_t base = hive.block[b];
  const std::int64_t end = base + GetI32(hive, base + 4);
  std::int64_t prev = -1;
  std::int64_t p = base + 32;
  while (p < end) {
    const std::int32_t next = GetI32(hive, p);
    if (next < 12) throw std::logic_error("broken record chain");
    if (p + next > at) return {p, prev};
    prev = p;
    p += next;
  }
  throw std::logic_error("offset past the block's chain");
}

// Where the free list holds the block-relative offset rel: the header's iERecOfs or a free
// record's NextOfs.
std::int64_t ListOwner(const BuiltHive& hive, std::size_t b, std::int32_t rel) {
  const std::int64_t base = hive.block[b];
  std::int64_t owner = base + 16;
  for (std::size_t steps = 0; steps <= hive.bytes.size(); ++steps) {
    const std::int32_t cur = GetI32(hive, owner);
    if (cur == rel) return owner;
    if (cur == -1) break;
    owner = base + cur + 8;
  }
  throw std::logic_error("free record not on the list");
}

void ForgetFree(BuiltHive& hive, std::size_t b, std::int32_t rel) {
  auto& list = hive.freeRecords[b];
  list.erase(std::remove(list.begin(), list.end(), rel), list.end());
}

}  // namespace

std::int64_t FreeRecord(BuiltHive& hive, std::int64_t at) {
  const std::size_t b = BlockOf(hive, at);
  const std::int64_t base = hive.block[b];
  const std::int64_t end = base + GetI32(hive, base + 4);
  const auto [p, prev] = ChainPosition(hive, b, at);
  if (p != at || IsFreeView(hive, at)) throw std::logic_error("no record in use there");
  const std::int32_t extent = GetI32(hive, at);
  std::int64_t area = at;
  if (prev >= 0 && IsFreeView(hive, prev)) {
    area = prev;  // the free area before it grows over it; the record's bytes stay whole
    PutI32(hive, prev, GetI32(hive, prev) + extent);
  } else {
    hive.PutU32(at + 4, 0xFFFFFFFF);
    PutI32(hive, at + 8, GetI32(hive, base + 16));
    PutI32(hive, base + 16, static_cast<std::int32_t>(at - base));
    auto& list = hive.freeRecords[b];
    list.insert(list.begin(), static_cast<std::int32_t>(at - base));
  }
  const std::int64_t next = area + GetI32(hive, area);
  if (next < end && IsFreeView(hive, next)) {
    const auto rel = static_cast<std::int32_t>(next - base);
    PutI32(hive, ListOwner(hive, b, rel), GetI32(hive, next + 8));
    ForgetFree(hive, b, rel);
    PutI32(hive, area, GetI32(hive, area) + GetI32(hive, next));
  }
  return area;
}

void DeleteKey(BuiltHive& hive, int key) {
  const std::int32_t rel = hive.keyNode.at(static_cast<std::size_t>(key));
  const std::int64_t node = 32 + rel;
  // The subtree first, child by child; each unlinks itself from this node's child chain.
  for (std::size_t guard = 0; guard <= hive.keyNode.size(); ++guard) {
    const std::int32_t child = GetI32(hive, node + 16);
    if (child == -1) break;
    const auto it = std::find(hive.keyNode.begin(), hive.keyNode.end(), child);
    if (it == hive.keyNode.end()) throw std::logic_error("child node of no key");
    DeleteKey(hive, static_cast<int>(it - hive.keyNode.begin()));
  }
  const std::int32_t parent = GetI32(hive, node + 12);
  std::int64_t owner = parent == -1 ? 40 : 32 + parent + 16;  // iRec1stOfs, or the parent's LwrOfs
  for (std::size_t guard = 0;; ++guard) {
    if (guard > hive.keyNode.size()) throw std::logic_error("node not on its parent's chain");
    const std::int32_t cur = GetI32(hive, owner);
    if (cur == rel) break;
    if (cur == -1) throw std::logic_error("node not on its parent's chain");
    owner = 32 + cur + 20;  // the sibling's NextOfs
  }
  PutI32(hive, owner, GetI32(hive, node + 20));
  hive.PutU32(node, 0x80000000);
  PutI32(hive, node + 4, 28);
  PutI32(hive, node + 8, GetI32(hive, 44));
  PutI32(hive, 44, rel);
  hive.freeKeyNodes.insert(hive.freeKeyNodes.begin(), rel);
  const std::int64_t record = hive.keyRecord.at(static_cast<std::size_t>(key));
  if (record >= 0) FreeRecord(hive, record);
}

std::int32_t ReuseSpace(BuiltHive& hive, std::int64_t at, const std::string& name, const std::vector<Value>& values,
                        std::uint16_t recNo) {
  const std::size_t b = BlockOf(hive, at);
  const std::int64_t base = hive.block[b];
  const auto [area, prev] = ChainPosition(hive, b, at);
  (void)prev;
  if (!IsFreeView(hive, area)) throw std::logic_error("not inside a free area");
  const std::int64_t areaEnd = area + GetI32(hive, area);
  const std::int32_t size = RecordSize(name, values);
  if (at + size > areaEnd || (at > area && at - area < 12)) throw std::logic_error("the new record does not fit");
  const std::int64_t rest = areaEnd - (at + size);
  const auto areaRel = static_cast<std::int32_t>(area - base);
  const std::int32_t listNext = GetI32(hive, area + 8);
  const std::int64_t owner = ListOwner(hive, b, areaRel);

  Writer w{hive.bytes};
  // A rest too small for a free record's header stays with the new record as its slack.
  WriteDataRecord(w, at, static_cast<std::int32_t>(rest >= 12 ? size : size + rest), recNo,
                  static_cast<std::uint16_t>(b), size, name, values);
  if ((hive.GetU32(base + 20) & 0xFFFF) < recNo) w.U16(base + 20, recNo);

  auto& list = hive.freeRecords[b];
  const std::int64_t remainder = at + size;
  const auto remainderRel = static_cast<std::int32_t>(remainder - base);
  if (at > area) {
    w.I32(area, static_cast<std::int32_t>(at - area));  // the part before stays free
    if (rest >= 12) {
      w.I32(remainder, static_cast<std::int32_t>(rest));
      w.U32(remainder + 4, 0xFFFFFFFF);
      w.I32(remainder + 8, listNext);
      w.I32(area + 8, remainderRel);
      list.insert(std::find(list.begin(), list.end(), areaRel) + 1, remainderRel);
    }
  } else if (rest >= 12) {
    w.I32(remainder, static_cast<std::int32_t>(rest));
    w.U32(remainder + 4, 0xFFFFFFFF);
    w.I32(remainder + 8, listNext);
    w.I32(owner, remainderRel);
    std::replace(list.begin(), list.end(), areaRel, remainderRel);
  } else {
    w.I32(owner, listNext);
    ForgetFree(hive, b, areaRel);
  }
  return size;
}

int AddKeyInFreeSpace(BuiltHive& hive, int parent, const std::string& name, const std::vector<Value>& values,
                      std::int64_t at, std::uint16_t recNo, CodePage codePage) {
  const std::int32_t rel = GetI32(hive, 44);
  if (rel == -1) throw std::logic_error("no free key node");
  const std::size_t b = BlockOf(hive, at);
  ReuseSpace(hive, at, name, values, recNo);
  const std::int64_t node = 32 + rel;
  PutI32(hive, 44, GetI32(hive, node + 8));
  hive.freeKeyNodes.erase(std::remove(hive.freeKeyNodes.begin(), hive.freeKeyNodes.end(), rel),
                          hive.freeKeyNodes.end());
  const std::int32_t parentRel = parent < 0 ? -1 : hive.keyNode.at(static_cast<std::size_t>(parent));
  const std::int64_t owner = parent < 0 ? 40 : 32 + parentRel + 16;  // the first of the chain
  const auto nameBytes = Bytes(reinterpret_cast<const std::uint8_t*>(name.data()), name.size());
  hive.PutU32(node, 0);
  hive.PutU32(node + 4, KeyNameChecksum(nameBytes, text::LeadByteSet::For(codePage)));
  hive.PutU32(node + 8, 0);
  PutI32(hive, node + 12, parentRel);
  PutI32(hive, node + 16, -1);
  PutI32(hive, node + 20, GetI32(hive, owner));
  hive.PutU16(node + 24, recNo);
  hive.PutU16(node + 26, static_cast<std::uint16_t>(b));
  PutI32(hive, owner, rel);
  hive.keyNode.push_back(rel);
  hive.keyRecord.push_back(at);
  hive.keyRecordNo.push_back(recNo);
  return static_cast<int>(hive.keyNode.size()) - 1;
}

std::vector<std::int64_t> WriteOlderCopies(BuiltHive& hive, std::size_t b, const std::string& name,
                                           const std::vector<std::vector<Value>>& states, std::uint16_t firstRecNo) {
  std::vector<std::int64_t> at;
  // All are written before any is freed: freeing one first would merge a neighbour's area.
  for (std::size_t i = 0; i < states.size(); ++i) {
    std::int64_t place = -1;
    for (const auto& [area, size] : FreeAreas(hive, b))
      if (size == RecordSize(name, states[i]) && std::find(at.begin(), at.end(), area) == at.end()) {
        place = area;
        break;
      }
    if (place >= 0) ReuseSpace(hive, place, name, states[i], static_cast<std::uint16_t>(firstRecNo + i));
    at.push_back(place);
  }
  for (const std::int64_t place : at)
    if (place >= 0) FreeRecord(hive, place);
  return at;
}

std::vector<std::pair<std::int64_t, std::int32_t>> FreeAreas(const BuiltHive& hive, std::size_t b) {
  std::vector<std::pair<std::int64_t, std::int32_t>> out;
  const std::int64_t base = hive.block.at(b);
  std::int32_t rel = GetI32(hive, base + 16);
  for (std::size_t steps = 0; rel != -1 && steps <= hive.bytes.size() / 12; ++steps) {
    out.emplace_back(base + rel, GetI32(hive, base + rel));
    rel = GetI32(hive, base + rel + 8);
  }
  return out;
}

}  // namespace quarvex::testkit
