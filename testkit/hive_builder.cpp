#include "testkit/hive_builder.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <stdexcept>

#include "hive/format.h"
#include "hive/keyname.h"

namespace quarvex::testkit {

using namespace quarvex::hive;
using namespace quarvex::text;

Value Text(std::string name, std::string text) {
  text.push_back('\0');
  return Value{1, std::move(name), std::move(text)};
}

Value Dword(std::string name, std::uint32_t number) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
  return Value{4, std::move(name), std::move(data)};
}

std::string Utf16Le(std::string_view ascii) {
  std::string out;
  out.reserve(ascii.size() * 2);
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

Value Binary(std::string name, std::string bytes, std::uint16_t type) {
  return Value{type, std::move(name), std::move(bytes)};
}

void BuiltHive::PutU16(std::int64_t at, std::uint16_t v) {
  bytes.at(static_cast<std::size_t>(at)) = static_cast<std::uint8_t>(v & 0xFF);
  bytes.at(static_cast<std::size_t>(at) + 1) = static_cast<std::uint8_t>(v >> 8);
}

void BuiltHive::PutU32(std::int64_t at, std::uint32_t v) {
  PutU16(at, static_cast<std::uint16_t>(v & 0xFFFF));
  PutU16(at + 2, static_cast<std::uint16_t>(v >> 16));
}

std::uint32_t BuiltHive::GetU32(std::int64_t at) const { return LoadU32(Bytes(bytes), static_cast<std::size_t>(at)); }

void BuiltHive::WriteFile(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

int HiveBuilder::AddKey(int parent, std::string name, std::vector<Value> values) {
  const int id = static_cast<int>(keys_.size());
  Key key;
  key.parent = parent;
  key.name = std::move(name);
  key.values = std::move(values);
  if (parent != kRootParent) key.block = keys_.at(static_cast<std::size_t>(parent)).block;
  keys_.push_back(std::move(key));
  if (parent == kRootParent)
    topLevel_.push_back(id);
  else
    keys_[static_cast<std::size_t>(parent)].children.push_back(id);
  return id;
}

void HiveBuilder::SetNoRecord(int key) { keys_.at(static_cast<std::size_t>(key)).noRecord = true; }
void HiveBuilder::SetChecksum(int key, std::uint32_t stored) {
  keys_.at(static_cast<std::size_t>(key)).checksum = stored;
}
void HiveBuilder::PlaceInBlock(int key, std::uint16_t block) { keys_.at(static_cast<std::size_t>(key)).block = block; }
void HiveBuilder::SetRecordNumber(int key, std::uint16_t recNo) {
  keys_.at(static_cast<std::size_t>(key)).recNo = recNo;
}
void HiveBuilder::SetRecordSlack(int key, std::int32_t bytes) { keys_.at(static_cast<std::size_t>(key)).slack = bytes; }
void HiveBuilder::SetBlockCount(std::uint16_t count) { blockCount_ = count; }
void HiveBuilder::AddFreeRecord(std::uint16_t block, std::int32_t size, std::optional<int> afterKey) {
  freeRecords_.push_back({block, size, afterKey});
}
void HiveBuilder::AddOrphanRecord(std::uint16_t block, std::uint16_t recNo, std::string name) {
  orphans_.push_back({block, recNo, std::move(name)});
}
void HiveBuilder::AddFreeKeyNode(std::int32_t size) { freeKeyNodes_.push_back(size); }
void HiveBuilder::SetMaxRecNo(std::uint16_t block, std::uint16_t value) { maxRecNo_.emplace_back(block, value); }
void HiveBuilder::SetRgknSlack(std::int32_t bytes) { rgknSlack_ = bytes; }
void HiveBuilder::SetKeyNodeGap(std::int32_t bytes) { keyNodeGap_ = bytes; }
void HiveBuilder::SetDataBlockStart(std::int32_t offset) { dataBlockStart_ = offset; }
void HiveBuilder::ShuffleRecords(unsigned seed) { shuffleSeed_ = seed; }
void HiveBuilder::SetCodePage(CodePage cp) { codePage_ = cp; }

namespace {

class Writer {
 public:
  std::vector<std::uint8_t>& bytes;
  void U16(std::int64_t at, std::uint16_t v) {
    Grow(at + 2);
    bytes[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(v & 0xFF);
    bytes[static_cast<std::size_t>(at) + 1] = static_cast<std::uint8_t>(v >> 8);
  }
  void U32(std::int64_t at, std::uint32_t v) {
    U16(at, static_cast<std::uint16_t>(v & 0xFFFF));
    U16(at + 2, static_cast<std::uint16_t>(v >> 16));
  }
  void I32(std::int64_t at, std::int32_t v) { U32(at, static_cast<std::uint32_t>(v)); }
  void Raw(std::int64_t at, const std::string& s) {
    Grow(at + static_cast<std::int64_t>(s.size()));
    std::copy(s.begin(), s.end(), bytes.begin() + at);
  }
  void Grow(std::int64_t size) {
    if (static_cast<std::size_t>(size) > bytes.size()) bytes.resize(static_cast<std::size_t>(size), 0);
  }
};

// One thing laid out in a data block's record chain.
struct Item {
  enum Kind { KeyRecord, Orphan, Free } kind;
  int index;  // key id, orphan index or free-record index
  std::uint16_t recNo = kNoNumber;
};

}  // namespace

std::int32_t RecordSize(const std::string& name, const std::vector<Value>& values) {
  std::size_t size = DataRecordHeader::kSize + name.size();
  for (const Value& v : values) size += ValueEntry::kSize + v.name.size() + v.data.size();
  return static_cast<std::int32_t>(size);
}

BuiltHive HiveBuilder::Build() const {
  BuiltHive out;
  Writer w{out.bytes};
  const LeadByteSet leadBytes = LeadByteSet::For(codePage_);

  // Key nodes in pre-order, right behind the RGKN header.
  std::vector<int> order;
  std::vector<int> stack(topLevel_.rbegin(), topLevel_.rend());
  while (!stack.empty()) {
    const int id = stack.back();
    stack.pop_back();
    order.push_back(id);
    const auto& children = keys_[static_cast<std::size_t>(id)].children;
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
  out.keyNode.assign(keys_.size(), -1);
  std::int32_t next = 32;
  for (int id : order) {
    out.keyNode[static_cast<std::size_t>(id)] = next;
    next += static_cast<std::int32_t>(KeyNode::kSize) + keyNodeGap_;
  }
  for (std::int32_t size : freeKeyNodes_) {
    out.freeKeyNodes.push_back(next);
    next += size;
  }
  out.rgknSize = next + rgknSlack_;
  const std::int32_t firstBlock = dataBlockStart_.value_or(32 + out.rgknSize);

  // Which block holds what, and the record numbers.
  std::uint16_t blockCount = 1;
  for (const Key& k : keys_) blockCount = std::max<std::uint16_t>(blockCount, static_cast<std::uint16_t>(k.block + 1));
  for (const auto& f : freeRecords_)
    blockCount = std::max<std::uint16_t>(blockCount, static_cast<std::uint16_t>(f.block + 1));
  for (const auto& o : orphans_)
    blockCount = std::max<std::uint16_t>(blockCount, static_cast<std::uint16_t>(o.block + 1));
  blockCount = blockCount_.value_or(blockCount);
  std::vector<std::vector<Item>> items(blockCount);
  std::vector<std::map<std::uint16_t, bool>> used(blockCount);
  for (std::size_t id = 0; id < keys_.size(); ++id)
    if (keys_[id].recNo && !keys_[id].noRecord && keys_[id].block < blockCount)
      used[keys_[id].block][*keys_[id].recNo] = true;
  for (const auto& o : orphans_)
    if (o.block < blockCount) used[o.block][o.recNo] = true;
  std::multimap<int, std::size_t> freeAfter;  // key id -> free records laid after its record
  for (std::size_t i = 0; i < freeRecords_.size(); ++i)
    if (freeRecords_[i].afterKey) freeAfter.emplace(*freeRecords_[i].afterKey, i);
  std::vector<std::uint16_t> nextNumber(blockCount, 0);
  out.keyRecord.assign(keys_.size(), -1);
  out.keyRecordNo.assign(keys_.size(), kNoNumber);
  for (int id : order) {
    const Key& k = keys_[static_cast<std::size_t>(id)];
    if (k.noRecord || k.block >= blockCount) continue;
    std::uint16_t recNo;
    if (k.recNo) {
      recNo = *k.recNo;
    } else {
      while (used[k.block].count(nextNumber[k.block])) ++nextNumber[k.block];
      recNo = nextNumber[k.block]++;
    }
    out.keyRecordNo[static_cast<std::size_t>(id)] = recNo;
    items[k.block].push_back({Item::KeyRecord, id, recNo});
    for (auto [it, end] = freeAfter.equal_range(id); it != end; ++it)
      if (freeRecords_[it->second].block == k.block)
        items[k.block].push_back({Item::Free, static_cast<int>(it->second)});
  }
  for (std::size_t i = 0; i < orphans_.size(); ++i)
    if (orphans_[i].block < blockCount)
      items[orphans_[i].block].push_back({Item::Orphan, static_cast<int>(i), orphans_[i].recNo});
  for (std::size_t i = 0; i < freeRecords_.size(); ++i)
    if (!freeRecords_[i].afterKey && freeRecords_[i].block < blockCount)
      items[freeRecords_[i].block].push_back({Item::Free, static_cast<int>(i)});
  if (shuffleSeed_) {
    std::mt19937 random(*shuffleSeed_);
    for (auto& list : items) std::shuffle(list.begin(), list.end(), random);
  }

  // The data blocks.
  out.freeRecords.assign(blockCount, {});
  out.orphanRecords.assign(orphans_.size(), -1);
  std::int64_t base = firstBlock;
  for (std::uint16_t b = 0; b < blockCount; ++b) {
    out.block.push_back(base);
    std::int64_t at = base + 32;
    std::uint16_t highest = 0;
    std::uint16_t numbered = 0;
    for (const Item& item : items[b]) {
      std::int32_t size = 0;
      if (item.kind == Item::Free) {
        size = freeRecords_[static_cast<std::size_t>(item.index)].size;
        w.I32(at, size);
        w.U32(at + 4, 0xFFFFFFFF);
        w.I32(at + 8, -1);  // linked below
        w.Grow(at + size);
        out.freeRecords[b].push_back(static_cast<std::int32_t>(at - base));
      } else {
        const bool isKey = item.kind == Item::KeyRecord;
        const Key* key = isKey ? &keys_[static_cast<std::size_t>(item.index)] : nullptr;
        const std::string& name = isKey ? key->name : orphans_[static_cast<std::size_t>(item.index)].name;
        static const std::vector<Value> kNoValues;
        const std::vector<Value>& values = isKey ? key->values : kNoValues;
        const std::int32_t recSize = RecordSize(name, values);
        size = recSize + (isKey ? key->slack : 0);
        w.I32(at, size);
        w.U16(at + 4, item.recNo);
        w.U16(at + 6, b);
        w.I32(at + 8, recSize);
        w.U16(at + 12, static_cast<std::uint16_t>(name.size()));
        w.U16(at + 14, static_cast<std::uint16_t>(values.size()));
        w.U32(at + 16, 0);
        w.Raw(at + 20, name);
        std::int64_t p = at + 20 + static_cast<std::int64_t>(name.size());
        for (const Value& v : values) {
          w.U16(p, v.type);
          w.U16(p + 2, v.un1);
          w.U32(p + 4, v.un2);
          w.U16(p + 8, static_cast<std::uint16_t>(v.name.size()));
          w.U16(p + 10, static_cast<std::uint16_t>(v.data.size()));
          w.Raw(p + 12, v.name);
          w.Raw(p + 12 + static_cast<std::int64_t>(v.name.size()), v.data);
          p += 12 + static_cast<std::int64_t>(v.name.size() + v.data.size());
        }
        w.Grow(at + size);
        if (isKey)
          out.keyRecord[static_cast<std::size_t>(item.index)] = at;
        else
          out.orphanRecords[static_cast<std::size_t>(item.index)] = at;
        highest = std::max(highest, item.recNo);
        ++numbered;
      }
      at += size;
    }
    // The free list runs through the free records in the order they lie.
    const auto& frees = out.freeRecords[b];
    for (std::size_t i = 0; i + 1 < frees.size(); ++i) w.I32(base + frees[i] + 8, frees[i + 1]);
    for (const auto& [block, value] : maxRecNo_)
      if (block == b) highest = value;
    const auto blockSize = static_cast<std::int32_t>(at - base);
    w.Raw(base, "RGDB");
    w.I32(base + 4, blockSize);
    w.U32(base + 8, 0);
    w.U32(base + 12, (std::uint32_t{b} << 16) | 8);
    w.I32(base + 16, frees.empty() ? -1 : frees.front());
    w.U16(base + 20, highest);
    w.U16(base + 22, numbered);
    w.U32(base + 24, 0);
    w.U32(base + 28, 0);
    base = at;
  }

  // Headers and key nodes last: every offset is known now.
  w.Raw(0, "CREG");
  w.U16(4, 0);
  w.U16(6, 1);
  w.I32(8, firstBlock);
  w.U32(12, 0);
  w.U16(16, blockCount);
  w.U16(18, 0x20);
  w.U16(20, 0);
  w.U16(22, 1);
  w.U32(24, 0);
  w.U32(28, 0);
  w.Raw(32, "RGKN");
  w.I32(36, out.rgknSize);
  w.I32(40, topLevel_.empty() ? -1 : out.keyNode[static_cast<std::size_t>(topLevel_.front())]);
  w.I32(44, out.freeKeyNodes.empty() ? -1 : out.freeKeyNodes.front());
  w.U32(48, 8);
  w.Grow(32 + out.rgknSize);
  for (std::size_t i = 0; i < out.freeKeyNodes.size(); ++i) {
    const std::int64_t at = 32 + out.freeKeyNodes[i];
    w.U32(at, 0);
    w.I32(at + 4, freeKeyNodes_[i]);
    w.I32(at + 8, i + 1 < out.freeKeyNodes.size() ? out.freeKeyNodes[i + 1] : -1);
  }
  auto nodeOf = [&](int id) { return id < 0 ? -1 : out.keyNode[static_cast<std::size_t>(id)]; };
  std::vector<int> nextSiblingOf(keys_.size(), -1);
  auto link = [&](const std::vector<int>& siblings) {
    for (std::size_t i = 0; i + 1 < siblings.size(); ++i)
      nextSiblingOf[static_cast<std::size_t>(siblings[i])] = siblings[i + 1];
  };
  link(topLevel_);
  for (const Key& k : keys_) link(k.children);
  for (std::size_t id = 0; id < keys_.size(); ++id) {
    const Key& k = keys_[id];
    const int nextSibling = nextSiblingOf[id];
    const std::int64_t at = 32 + out.keyNode[id];
    const auto nameBytes = Bytes(reinterpret_cast<const std::uint8_t*>(k.name.data()), k.name.size());
    w.U32(at, 0);
    w.U32(at + 4, k.checksum.value_or(KeyNameChecksum(nameBytes, leadBytes)));
    w.U32(at + 8, 0);
    w.I32(at + 12, nodeOf(k.parent));
    w.I32(at + 16, k.children.empty() ? -1 : nodeOf(k.children.front()));
    w.I32(at + 20, nodeOf(nextSibling));
    const bool hasRecord = out.keyRecordNo[id] != kNoNumber;
    w.U16(at + 24, hasRecord ? out.keyRecordNo[id] : kNoNumber);
    w.U16(at + 26, hasRecord ? k.block : kNoNumber);
  }
  return out;
}

}  // namespace quarvex::testkit

// ---- deleting keys and reusing their space, as Windows 9x does it ----------------------------

namespace quarvex::testkit {

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
  w.I32(at, static_cast<std::int32_t>(rest >= 12 ? size : size + rest));
  w.U16(at + 4, recNo);
  w.U16(at + 6, static_cast<std::uint16_t>(b));
  w.I32(at + 8, size);
  w.U16(at + 12, static_cast<std::uint16_t>(name.size()));
  w.U16(at + 14, static_cast<std::uint16_t>(values.size()));
  w.U32(at + 16, 0);
  w.Raw(at + 20, name);
  std::int64_t p = at + 20 + static_cast<std::int64_t>(name.size());
  for (const Value& v : values) {
    w.U16(p, v.type);
    w.U16(p + 2, v.un1);
    w.U32(p + 4, v.un2);
    w.U16(p + 8, static_cast<std::uint16_t>(v.name.size()));
    w.U16(p + 10, static_cast<std::uint16_t>(v.data.size()));
    w.Raw(p + 12, v.name);
    w.Raw(p + 12 + static_cast<std::int64_t>(v.name.size()), v.data);
    p += 12 + static_cast<std::int64_t>(v.name.size() + v.data.size());
  }
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
