#include "hive/keyname.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "hive/link_guard.h"

namespace quarvex::hive {

using namespace quarvex::text;

Bytes UpToFirstZero(Bytes name) {
  if (name.empty()) return name;
  const void* zero = std::memchr(name.data(), 0, name.size());
  return zero ? name.first(static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - name.data())) : name;
}

NameChecksums KeyNameChecksums(Bytes name, const LeadByteSet& leadBytes) {
  NameChecksums sums;
  std::size_t leadRun = 0;  // lead-set bytes standing without break right before this one
  for (std::uint8_t b : name) {
    if (b == 0) break;
    const bool inSet = leadBytes.Contains(b);
    const bool doubleByte = (leadRun % 2 == 1) || inSet;  // trail byte, or lead byte
    const bool lower = b >= 0x61 && b <= 0x7A;
    if (doubleByte)
      sums.system += static_cast<std::uint8_t>(b ^ 0x80);
    else if (lower)
      sums.system += b - 0x20u;
    else if (b < 0xA1 || b > 0xDF)
      sums.system += b;
    if (lower)
      sums.plain += b - 0x20u;
    else if (b < 0x80)
      sums.plain += b;
    leadRun = inSet ? leadRun + 1 : 0;
  }
  return sums;
}

std::uint32_t KeyNameChecksum(Bytes name, const LeadByteSet& leadBytes) {
  return KeyNameChecksums(name, leadBytes).system;
}

std::uint32_t KeyNameChecksumPlain(Bytes name) { return KeyNameChecksums(name, LeadByteSet()).plain; }

namespace {

// A key's own name in a path, up to its first zero byte; nothing for a key without a record
// (or whose header cannot be read), which contributes no name.
std::optional<Bytes> NameInPath(Hive& hive, const std::optional<FileOffset>& record) {
  DataRecordHeader header;
  if (!record || !hive.ReadDataRecordHeader(*record, header)) return std::nullopt;
  return UpToFirstZero(hive.ReadBytes(record->Plus(DataRecordHeader::kSize), header.KeyL));
}

void AppendToPath(std::string& path, Bytes name) {
  path.append(reinterpret_cast<const char*>(name.data()), name.size());
  path += '\\';
}

}  // namespace

std::string ResolveKeyPath(Hive& hive, KeyNodeOffset keyNode) {
  hive.errorCode = code::kOk;
  std::vector<Bytes> names;  // from the key up to the root
  CycleDetector parents;
  KeyNodeOffset k = keyNode;
  for (;;) {
    KeyNode node;
    if (!hive.ReadKeyNode(k, node)) return {};
    const std::optional<FileOffset> record = hive.FindKeyRecord(node);
    if (hive.errorCode != code::kOk) return {};
    if (const std::optional<Bytes> name = NameInPath(hive, record)) names.push_back(*name);
    const KeyNodeOffset parent(node.UprOfs);
    if (parent.IsNone()) break;
    if (parents.Step(parent.value)) {
      Finding f;
      f.structure = Structure::KeyNode;
      f.offset = k.InFile();
      f.field = FieldName(KeyNodeField::UprOfs);
      f.found = Hex32(static_cast<std::uint32_t>(parent.value)) + " (a parent already climbed through)";
      f.expected = "a parent chain that reaches the root";
      hive.Fail(code::kLinkLoop, std::move(f));
      return {};
    }
    k = parent;
  }
  std::string path;
  for (auto it = names.rbegin(); it != names.rend(); ++it) AppendToPath(path, *it);
  return path;
}

std::string KeyPathCache::PathOf(KeyNodeOffset key) {
  hive_.errorCode = code::kOk;
  KeyNode node;
  std::string path;
  const std::optional<FileOffset> record = hive_.ReadKeyNode(key, node) ? hive_.FindKeyRecord(node) : std::nullopt;
  if (hive_.errorCode != code::kOk) {
    hive_.ClearFailure();
    return {};
  }
  const KeyNodeOffset parent(node.UprOfs);
  if (!parent.IsNone()) {
    // The parent's path is the climb from the key without its first step, so it fails
    // exactly when the key's own climb would (a loop through the key included).
    auto [known, isNew] = parentPaths_.try_emplace(parent.value);
    if (isNew) {
      std::string above = ResolveKeyPath(hive_, parent);
      if (hive_.errorCode == code::kOk) known->second = std::move(above);
      hive_.ClearFailure();
    }
    if (!known->second) return {};
    path = *known->second;
  }
  if (const std::optional<Bytes> name = NameInPath(hive_, record)) AppendToPath(path, *name);
  return path;
}

}  // namespace quarvex::hive
