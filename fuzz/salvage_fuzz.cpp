// Fuzz target: the salvage reader and the check's texts on arbitrary bytes. Whatever the
// bytes, the reader must end (its walks are bounded by the input's size), keep every name and
// value inside the input, give parents that come before their keys, count its findings
// right, and the check's lines must each be one line. The browse layer (tree, paths, value
// texts, find, stats, diff against itself) runs over the model too: it must end, and a hive
// must equal itself. The free records of the blocks' chains must lie inside their blocks, in
// file order, and a lookup at each one's first and last byte must find a free record there.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "browse/diff.h"
#include "browse/find.h"
#include "browse/free_records.h"
#include "browse/hive_view.h"
#include "browse/stats.h"
#include "browse/value_text.h"
#include "salvage/check_text.h"
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
  if (size % 5 == 4) options.codePage = text::CodePage::SingleByte;
  const salvage::SalvagedHive hive = salvage::Salvage(image, options);

  for (std::size_t k = 0; k < hive.keys.size(); ++k) {
    const salvage::SalvagedKey& key = hive.keys[k];
    if (key.parent >= static_cast<std::int32_t>(k)) std::abort();
    if (!Inside(key.name, image)) std::abort();
    if (key.record != salvage::kNoIndex && static_cast<std::size_t>(key.record) >= hive.records.size()) std::abort();
  }
  for (const salvage::SalvagedRecord& r : hive.records)
    if (static_cast<std::size_t>(r.firstValue) + r.valueCount > hive.values.size() || !Inside(r.name, image))
      std::abort();
  for (const salvage::SalvagedValue& v : hive.values)
    if (!Inside(v.name, image) || !Inside(v.data, image)) std::abort();
  if (hive.summary.damage + hive.summary.warnings + hive.summary.notes != hive.findings.size()) std::abort();
  if (!hive.isHive && !hive.keys.empty()) std::abort();

  for (const hive::Finding& f : hive.findings) {
    const std::string line = salvage::FindingLine(f);
    if (line.find_first_of("\r\n") != std::string::npos) std::abort();
  }
  if (salvage::SummaryText(hive).find('\n') != std::string::npos) std::abort();
  if (hive.keys.size() < 64)
    for (std::size_t k = 0; k < hive.keys.size(); ++k) (void)hive.KeyPathBytes(k);
  const std::string json = salvage::CheckJson("fuzz.dat", hive);
  if (json.empty() || json.front() != '{' || json.back() != '}') std::abort();

  // ls -R -v, find, stats and diff over the model.
  const browse::HiveView view(hive, options.codePage);
  std::size_t listed = 0;
  view.Walk(browse::kTop, 0, [&](std::int32_t key, int depth) {
    ++listed;
    if (depth != view.Depth(key) - view.Depth(browse::kTop)) std::abort();
    (void)view.Name(key);
    (void)view.State(key);
    for (const salvage::SalvagedValue& v : view.Values(key)) {
      if (browse::DataText(v, options.codePage, 80).find('\n') != std::string::npos) std::abort();
      (void)browse::ValueName(v, options.codePage);
    }
    return true;
  });
  // Every key is listed but the unnamed root, the top the listing starts from.
  if (listed + (!hive.keys.empty() && salvage::IsUnnamedRoot(hive.keys[0]) ? 1 : 0) != hive.keys.size()) std::abort();
  // Paths (and a lookup of each, whose answer may be another key of the same name: a crafted
  // name may be empty or hold a backslash) on small trees; the walk up is bounded per key.
  if (hive.keys.size() < 64)
    view.Walk(browse::kTop, 0, [&](std::int32_t key, int) {
      (void)view.Find(view.Path(key));
      return true;
    });
  browse::FindQuery query;
  query.pattern = "a";
  std::string error;
  if (const auto matcher = browse::MakeMatcher(query, error))
    browse::FindAll(view, query, *matcher, [](const browse::FindHit&) { return true; });
  const browse::HiveStats stats = browse::ComputeStats(view);
  if (stats.keys != listed) std::abort();
  if (!browse::Diff(view, view).empty()) std::abort();

  const std::vector<browse::FreeRecord> frees = browse::FreeRecords(hive);
  for (std::size_t i = 0; i < frees.size(); ++i) {
    const browse::FreeRecord& f = frees[i];
    if (f.block >= hive.blocks.size() || f.size < 12 || (i > 0 && f.offset < frees[i - 1].offset)) std::abort();
    if (f.offset + f.size > static_cast<std::int64_t>(size) || f.offset + f.size > hive.blocks[f.block].end)
      std::abort();
    for (const std::int64_t at : {f.offset, f.offset + f.size - 1}) {
      const auto found = browse::FreeRecordAt(frees, at);
      if (!found || at < found->offset || at >= found->offset + found->size) std::abort();
    }
  }
  return 0;
}
