#include "host/registry_lookup.h"

#include "hive/keyname.h"
#include "hive/link_guard.h"
#include "hive/prescan.h"
#include "host/ascii_case.h"

namespace quarvex::host {

using namespace quarvex::hive;
using namespace quarvex::text;

RegistryFile::RegistryFile(const std::string& path) {
  LoadHiveImage(path, hive_.hiveImage, hive_.errorCode, &problem_);
  if (hive_.errorCode != code::kOk) return;
  Index();
}

RegistryFile::RegistryFile(HiveImage image) {
  hive_.hiveImage = std::move(image);
  Index();
}

void RegistryFile::Index() {
  if (!hive_.ReadHiveHeader() || !hive_.BuildBlockTable()) {
    problem_ =
        "the file's header or data block chain is unsound (" + std::string(code::Describe(hive_.errorCode)) + ")";
    return;
  }
  PreScanDataBlocks(hive_, {});
  usable_ = hive_.errorCode == code::kOk;
  if (!usable_) problem_ = code::Describe(hive_.errorCode);
}

std::optional<FileOffset> RegistryFile::RecordOf(const KeyNode& node) {
  const std::optional<FileOffset> record = hive_.FindKeyRecord(node);
  // An empty index (11) here only means: a key without a name or values.
  hive_.ClearFailure();
  return record;
}

std::string RegistryFile::KeyName(const KeyNode& node) {
  const std::optional<FileOffset> record = RecordOf(node);
  DataRecordHeader header;
  if (!record || !hive_.ReadDataRecordHeader(*record, header)) return {};
  const Bytes name = UpToFirstZero(hive_.ReadBytes(record->Plus(DataRecordHeader::kSize), header.KeyL));
  return std::string(name.begin(), name.end());
}

std::optional<std::int32_t> RegistryFile::FindChild(const KeyNode& parent, std::string_view name) {
  // Siblings in NextOfs order; a link counts only when it is positive, as in the key walk.
  CycleDetector siblings;
  for (std::int32_t child = parent.LwrOfs; child > 0;) {
    if (siblings.Step(child)) return std::nullopt;
    KeyNode node;
    if (!hive_.ReadKeyNode(KeyNodeOffset(child), node)) return std::nullopt;
    if (EqualsIgnoringAsciiCase(KeyName(node), name)) return child;
    child = node.NextOfs;
  }
  return std::nullopt;
}

std::vector<RegistryFileValue> RegistryFile::Values(const KeyNode& node) {
  std::vector<RegistryFileValue> values;
  const std::optional<FileOffset> record = RecordOf(node);
  DataRecordHeader header;
  if (!record || !hive_.ReadDataRecordHeader(*record, header)) return values;
  // Each value moves the position forward by at least its 12-byte entry; DatN bounds the count.
  FileOffset p = record->Plus(DataRecordHeader::kSize + header.KeyL);
  for (unsigned i = 0; i < header.DatN; ++i) {
    const Bytes raw = hive_.ReadBytes(p, ValueEntry::kSize);
    if (raw.size() < ValueEntry::kSize) break;
    const ValueEntry entry = ValueEntry::Decode(raw);
    const Bytes name = hive_.ReadBytes(p.Plus(ValueEntry::kSize), entry.NL);
    const Bytes data = hive_.ReadBytes(p.Plus(ValueEntry::kSize + entry.NL), entry.VL);
    if (name.size() < entry.NL || data.size() < entry.VL) break;
    values.push_back({std::string(name.begin(), name.end()), std::uint32_t{entry.Atr} | std::uint32_t{entry.Un1} << 16,
                      std::string(data.begin(), data.end())});
    p = p.Plus(ValueEntry::kSize + entry.NL + entry.VL);
  }
  return values;
}

std::optional<std::vector<RegistryFileValue>> RegistryFile::KeyValues(std::string_view path) {
  if (!usable_) return std::nullopt;
  hive_.ClearFailure();
  RgknHeader kernel;
  if (!hive_.ReadKernelHeader(kernel)) return std::nullopt;
  KeyNode node;
  if (!hive_.ReadKeyNode(KeyNodeOffset(kernel.iRec1stOfs), node)) return std::nullopt;
  while (!path.empty()) {
    const std::size_t cut = path.find('\\');
    const std::string_view part = path.substr(0, cut);
    path = cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
    if (part.empty()) continue;
    const auto child = FindChild(node, part);
    if (!child || !hive_.ReadKeyNode(KeyNodeOffset(*child), node)) return std::nullopt;
  }
  return Values(node);
}

}  // namespace quarvex::host
