// Fuzz target: recovery of deleted keys on arbitrary bytes. Whatever the bytes, recovery must
// end (its scans are linear, with a work cap in free space), keep every name and value inside
// the input, count its keys right, and give no high confidence without a key node or with a
// path in doubt. The pairing of nodes and records (free-list order, merged areas put back in
// place), the live copies and the earlier values in live records' slack are checked too: a
// live counterpart names a live key, and a slack value lies inside its record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "recover/recover.h"
#include "salvage/salvage.h"

namespace {

bool Inside(quarvex::hive::Bytes part, quarvex::hive::Bytes whole) {
  if (part.empty()) return true;
  return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quarvex;
  const hive::Bytes image(data, size);
  salvage::SalvageOptions options;
  recover::RecoverOptions recoverOptions;
  if (size % 5 == 4) options.codePage = recoverOptions.codePage = text::CodePage::SingleByte;
  const salvage::SalvagedHive hive = salvage::Salvage(image, options);
  const recover::Recovery r = recover::Recover(hive, recoverOptions);
  std::size_t values = 0, high = 0, medium = 0, low = 0;
  for (const recover::RecoveredKey& k : r.keys) {
    if (!Inside(k.name, image)) std::abort();
    if (k.offset.value < 0 || static_cast<std::size_t>(k.offset.value) >= size) std::abort();
    if (k.confidence == recover::Confidence::High && (!k.node || k.partial || k.pathGuessed)) std::abort();
    if (k.values.size() > k.valuesAnnounced) std::abort();
    for (const recover::RecoveredValue& v : k.values) {
      if (!Inside(v.name, image) || !Inside(v.data, image)) std::abort();
      if (!v.partial && (v.name.size() != v.nameLength || v.data.size() != v.dataLength)) std::abort();
    }
    if (k.liveCounterpart &&
        (k.liveCounterpart->key < 0 || static_cast<std::size_t>(k.liveCounterpart->key) >= hive.keys.size()))
      std::abort();
    if (k.olderCopy && !k.liveCounterpart) std::abort();
    if (k.link == recover::Link::LiveCopy && k.confidence == recover::Confidence::High) std::abort();
    values += k.values.size();
    (k.confidence == recover::Confidence::High ? high : k.confidence == recover::Confidence::Medium ? medium : low)++;
  }
  std::size_t earlier = 0, copies = 0;
  for (const recover::RecoveredKey& k : r.keys) copies += k.IdenticalCopy() ? 1 : 0;
  for (const recover::LiveKeyRemains& remains : r.liveKeys) {
    if (remains.key < 0 || static_cast<std::size_t>(remains.key) >= hive.keys.size()) std::abort();
    const salvage::SalvagedKey& key = hive.keys[static_cast<std::size_t>(remains.key)];
    for (const recover::EarlierValue& e : remains.values) {
      if (!Inside(e.value.name, image) || !Inside(e.value.data, image)) std::abort();
      if (e.confidence == recover::Confidence::High) std::abort();
      if (e.where == recover::EarlierValue::Slack) {
        // Never read past the live record's end.
        if (key.record == salvage::kNoIndex) std::abort();
        const salvage::SalvagedRecord& rec = hive.records[static_cast<std::size_t>(key.record)];
        const std::uint8_t* end = image.data() + rec.offset.value + rec.extent;
        if (e.value.data.data() + e.value.data.size() > end || e.value.name.data() + e.value.name.size() > end)
          std::abort();
      }
    }
    earlier += remains.values.size();
  }
  const recover::RecoverySummary& s = r.summary;
  if (s.keys != r.keys.size() || s.values != values || s.high != high || s.medium != medium || s.low != low)
    std::abort();
  if (s.earlierValues != earlier || s.identicalCopies != copies) std::abort();
  return 0;
}
