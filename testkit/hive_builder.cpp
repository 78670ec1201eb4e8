#include "testkit/hive_builder.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <stdexcept>

#include "hive/format.h"
#include "hive/keyname.h"
#include "testkit/byte_writer.h"

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

std::uint32_t BuiltHive::GetU32(std::int64_t at) const {
  ByteCursor cursor(Bytes(bytes), static_cast<std::uint64_t>(at));
  return cursor.U32();  // 0 past the end
}

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

void WriteDataRecord(Writer& w, std::int64_t at, std::int32_t size, std::uint16_t recNo, std::uint16_t block,
                     std::int32_t used, const std::string& name, const std::vector<Value>& values) {
  w.I32(at, size);
  w.U16(at + 4, recNo);
  w.U16(at + 6, block);
  w.I32(at + 8, used);
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
        WriteDataRecord(w, at, size, item.recNo, b, recSize, name, values);
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
