#include "salvage/salvage.h"

#include "salvage/salvager.h"

namespace quarvex::salvage {

SalvagedHive Salvager::Run() {
  if (!ReadFileHeader()) return Finish();
  if (!ReadKeyNodeHeader()) return Finish();
  LocateBlocks();
  for (std::size_t b = 0; b < out_.blocks.size(); ++b) ReadRecordChain(b);
  IndexRecords();
  for (std::size_t b = 0; b < out_.blocks.size(); ++b) WalkFreeRecords(b);
  WalkKeyTree();
  ChooseRecords();
  WalkFreeKeyNodes();
  ScanKeyNodeArea();
  ReportOrphans();
  NoteRootRecord();
  return Finish();
}

// A root whose record names it with nothing (Windows 95 writes one zero byte) is read as the
// unnamed root: said once, so that a path that starts below it is not taken for a lost level.
void Salvager::NoteRootRecord() {
  if (out_.keys.empty() || out_.keys[0].record == kNoIndex || !IsUnnamedRoot(out_.keys[0])) return;
  const SalvagedRecord& r = out_.records[static_cast<std::size_t>(out_.keys[0].record)];
  std::string found = "\"\" (" + std::to_string(r.header.KeyL) + (r.header.KeyL == 1 ? " byte" : " bytes");
  if (!r.name.empty() && r.name[0] == 0) found += ", a zero byte";
  AddForRecord(Severity::Note, Structure::DataRecord, r.offset.value, r.block, r.header.RecNo, "key name", found + ")",
               "the root key: it adds no level to the paths below it");
}

Finding& Salvager::Add(Severity severity, Structure structure, std::int64_t offset, std::string_view field,
                       std::string found, std::string expected) {
  Finding f;
  f.severity = severity;
  f.structure = structure;
  f.offset = FileOffset(offset);
  f.field = field;
  f.found = std::move(found);
  f.expected = std::move(expected);
  out_.findings.push_back(std::move(f));
  findingOrder_.push_back(orderFor_ ? *orderFor_ : nextOrder_++);
  findingKey_.push_back(kNoIndex);
  return out_.findings.back();
}

void Salvager::ReportOrphans() {
  for (const SalvagedRecord& r : out_.records) {
    if (r.key != kNoIndex || r.duplicate) continue;
    AddForRecord(Severity::Warning, Structure::DataRecord, r.offset.value, r.block, r.header.RecNo, "key",
                 "none, name " + Quoted(std::string_view(reinterpret_cast<const char*>(r.name.data()), r.name.size())),
                 "a key node that refers to the record (orphan record)");
  }
}

// Findings about a record or its values were made before the keys were known: name the key
// that owns the record now.
void Salvager::NameRecordKeys() {
  for (Finding& f : out_.findings) {
    if (!f.keyPath.empty() || !f.block || !f.record || *f.record > kNoNumber) continue;
    if (f.structure != Structure::DataRecord && f.structure != Structure::Value) continue;
    const std::int32_t r = FindRecord(static_cast<std::uint16_t>(*f.block), static_cast<std::uint16_t>(*f.record));
    if (r == kNoIndex) continue;
    const SalvagedRecord& record = out_.records[static_cast<std::size_t>(r)];
    if (record.key == kNoIndex || f.offset.value < record.offset.value ||
        f.offset.value >= record.offset.value + std::max<std::int64_t>(record.extent, 1))
      continue;
    f.keyPath = text::CodePageToUtf8(out_.KeyPathBytes(static_cast<std::size_t>(record.key)), options_.codePage);
  }
}

SalvagedHive Salvager::Finish() {
  if (keysPastEnd_ > 0)
    Add(Severity::Damage, Structure::File, size_, "keys whose data block lies past the end", Dec(keysPastEnd_),
        "none (their names and values are lost with the cut)");
  for (std::size_t i = 0; i < out_.findings.size(); ++i)
    if (findingKey_[i] != kNoIndex) out_.findings[i].keyPath = PathText(static_cast<std::size_t>(findingKey_[i]));
  NameRecordKeys();
  SalvageSummary& s = out_.summary;
  s.keys = out_.keys.size();
  s.blocks = out_.blocks.size();
  for (std::size_t k = 0; k < out_.keys.size(); ++k) {
    if (out_.keys[k].record == kNoIndex) continue;
    const SalvagedRecord& r = out_.records[static_cast<std::size_t>(out_.keys[k].record)];
    if (r.key != static_cast<std::int32_t>(k)) continue;  // another key's record: its values are counted there
    s.values += r.valueCount;
    if (r.header.DatN > r.valueCount) s.valuesUnreadable += r.header.DatN - r.valueCount;
  }
  SortFindings();
  for (const Finding& f : out_.findings) {
    switch (f.severity) {
      case Severity::Damage:
        ++s.damage;
        break;
      case Severity::Warning:
        ++s.warnings;
        break;
      case Severity::Note:
        ++s.notes;
        break;
    }
  }
  return std::move(out_);
}

// By file offset; at one offset, in the order they were made, a key's record findings at the
// place the key was read.
void Salvager::SortFindings() {
  std::vector<std::size_t> order(out_.findings.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
    const Finding& fa = out_.findings[a];
    const Finding& fb = out_.findings[b];
    if (fa.offset != fb.offset) return fa.offset < fb.offset;
    return findingOrder_[a] < findingOrder_[b];
  });
  std::vector<Finding> sorted;
  sorted.reserve(order.size());
  for (std::size_t i : order) sorted.push_back(std::move(out_.findings[i]));
  out_.findings = std::move(sorted);
}

bool IsUnnamedRoot(const SalvagedKey& key) {
  return key.parent == kNoIndex && !key.lost && (key.record == kNoIndex || key.name.empty());
}

std::string SalvagedHive::KeyPathBytes(std::size_t key) const {
  std::vector<std::size_t> chain;
  for (std::int64_t k = static_cast<std::int64_t>(key); k != kNoIndex && static_cast<std::size_t>(k) < keys.size();
       k = keys[static_cast<std::size_t>(k)].parent) {
    chain.push_back(static_cast<std::size_t>(k));
    if (keys[static_cast<std::size_t>(k)].parent >= k) break;  // parents always come first; never loop
  }
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const SalvagedKey& k = keys[*it];
    if ((k.record == kNoIndex && k.parent == kNoIndex) || IsUnnamedRoot(k)) continue;
    if (!path.empty()) path += '\\';
    if (k.record == kNoIndex)
      path += "{key node " + Hex32(static_cast<std::uint32_t>(k.node.value)) + "}";
    else
      path.append(reinterpret_cast<const char*>(k.name.data()), k.name.size());
  }
  return path;
}

SalvagedHive Salvage(Bytes image, const SalvageOptions& options) { return Salvager(image, options).Run(); }

void AddFindings(SalvagedHive& hive, std::vector<Finding> findings) {
  for (Finding& f : findings) {
    switch (f.severity) {
      case Severity::Damage:
        ++hive.summary.damage;
        break;
      case Severity::Warning:
        ++hive.summary.warnings;
        break;
      case Severity::Note:
        ++hive.summary.notes;
        break;
    }
    const auto at = std::upper_bound(hive.findings.begin(), hive.findings.end(), f.offset,
                                     [](FileOffset offset, const Finding& g) { return offset < g.offset; });
    hive.findings.insert(at, std::move(f));
  }
}

}  // namespace quarvex::salvage
