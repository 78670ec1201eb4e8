// Fuzz target: the salvage reader and the check's texts on arbitrary bytes. Whatever the
// bytes, the reader must end (its walks are bounded by the input's size), keep every name and
// value inside the input, give parents that come before their keys, count its findings
// right, and the check's lines must each be one line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

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
    if (static_cast<std::size_t>(r.firstValue) + r.valueCount > hive.values.size() || !Inside(r.name, image)) std::abort();
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
  return 0;
}
