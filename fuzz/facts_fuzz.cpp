// Fuzz target: the facts report on arbitrary bytes. The input is read as a hive (salvaged,
// browsed, recovered) and the whole table evaluated over it, with the text, JSON and CSV
// outputs, the links between keys (time zone entry, adapter to driver and protocols) among them;
// the binary decoders also get the raw bytes directly. Whatever the bytes, it must
// end, keep every fact's raw bytes a copy of bytes the hive holds, and number MRU places 1, 2 ...
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "browse/hive_view.h"
#include "facts/collect.h"
#include "facts/decode.h"
#include "facts/facts_output.h"
#include "recover/recover.h"
#include "salvage/salvage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quarvex;
  const hive::Bytes image(data, size);
  const text::CodePage cp = size % 5 == 4 ? text::CodePage::SingleByte : text::CodePage::Cp932;
  (void)facts::RecentDoc(image, cp);
  (void)facts::RunCommand(image, cp);
  (void)facts::Bias(image.first(std::min<std::size_t>(size, 4)), true);
  (void)facts::TransitionDate(image.first(std::min<std::size_t>(size, 16)));
  (void)facts::TimeZoneTzi(image.first(std::min<std::size_t>(size, 44)));
  (void)facts::MruListOrder(image);
  (void)facts::MruListExOrder(image);

  salvage::SalvageOptions options;
  options.codePage = cp;
  const salvage::SalvagedHive hive = salvage::Salvage(image, options);
  if (!hive.isHive) return 0;
  const browse::HiveView view(hive, cp);
  recover::RecoverOptions recoverOptions;
  recoverOptions.codePage = cp;
  const recover::Recovery recovery = recover::Recover(hive, recoverOptions);
  const facts::HiveSource sources[] = {{"FUZZ.DAT", &view, &recovery}};
  const facts::FactsResult result = facts::CollectFacts(sources);
  for (const facts::Fact& f : result.facts) {
    if (f.data.size() > size) std::abort();
    if (f.definition->pick == facts::Pick::Mru && f.position && *f.position == 0) std::abort();
  }
  (void)facts::FactsText(sources, result);
  (void)facts::FactsJson(sources, result);
  (void)facts::FactsCsv(sources, result);
  return 0;
}
