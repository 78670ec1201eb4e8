// Fuzz target: the facts report on arbitrary bytes. The input is read as a hive (salvaged,
// browsed, recovered) and the whole table evaluated over it, with the text, JSON and CSV
// outputs, the links between keys (time zone entry, adapter to driver and protocols) among them;
// the binary decoders also get the raw bytes directly. Whatever the bytes, it must
// end, keep every fact's raw bytes a copy of bytes the hive holds, and number MRU places 1, 2 ...
// The time decoders (FILETIME, DOS date, SYSTEMTIME, UserAssist, shell item lists), the shape
// finder and the timeline built from the same hive run too; its events must come in time order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "browse/hive_view.h"
#include "facts/collect.h"
#include "facts/decode.h"
#include "facts/facts_output.h"
#include "recover/recover.h"
#include "facts/time_decode.h"
#include "salvage/salvage.h"
#include "timeline/time_shapes.h"
#include "timeline/timeline_output.h"

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
  // The time decoders, the UserAssist and shell item readers and the shape finder.
  (void)facts::FileTime(image.first(std::min<std::size_t>(size, 8)));
  (void)facts::DosDateTime(image.first(std::min<std::size_t>(size, 4)));
  (void)facts::SystemTime(image.first(std::min<std::size_t>(size, 16)));
  (void)facts::UnixTime(image.first(std::min<std::size_t>(size, 4)));
  (void)facts::TextDate(std::string_view(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 8)));
  (void)facts::UserAssist(std::string_view(reinterpret_cast<const char*>(data), size),
                          image.first(std::min<std::size_t>(size, 16)));
  const facts::ShellItemPath items = facts::ShellItems(image, cp);
  if (items.times.size() > size / 3) std::abort();  // each time takes an item of at least 15 bytes
  for (std::size_t at = 0; at + 16 <= size && at < 4096; at += 4) {
    (void)timeline::FindTimeShapes(image.subspan(at, 8), 3);
    (void)timeline::FindTimeShapes(image.subspan(at, 16), 3);
  }

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
  // The timeline over the same hive: every event's key lies in the hive, in time order.
  const timeline::Timeline t = timeline::BuildTimeline(sources);
  for (std::size_t i = 1; i < t.events.size(); ++i)
    if (t.events[i - 1].utc && t.events[i].utc && *t.events[i - 1].utc > *t.events[i].utc) std::abort();
  (void)timeline::TimelineText(sources, t);
  (void)timeline::TimelineJson(sources, t);
  (void)timeline::TimelineCsv(sources, t);
  (void)timeline::TimelineBodyfile(sources, t);
  return 0;
}
