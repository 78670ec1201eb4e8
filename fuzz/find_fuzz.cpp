// Fuzz target: find's patterns over hives. The first byte chooses the pattern's syntax (text,
// regular expression, byte pattern), its case and what is searched; the second gives the
// pattern's length, and that many bytes follow; the rest is the hive. Whatever the pattern
// and the bytes, the pattern either compiles or is refused with a reason, and the search
// ends. It runs on a thread whose stack is 1 MiB, the default of a Windows thread (the window's
// search runs on one), so a matcher that recursed once per byte of a long value would crash
// here. The rest is also matched as one text and its strings listed, for inputs that are no
// hive at all.
#include <pthread.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "browse/embedded_strings.h"
#include "browse/find.h"
#include "browse/hive_view.h"
#include "salvage/salvage.h"

namespace {

constexpr std::size_t kStack = 1 << 20;

struct Input {
  const std::uint8_t* data;
  std::size_t size;
};

void Search(const Input& in) {
  using namespace quarvex;
  if (in.size < 2) return;
  const std::uint8_t flags = in.data[0];
  const std::size_t length = std::min<std::size_t>(in.data[1], in.size - 2);
  browse::FindQuery query;
  query.pattern.assign(reinterpret_cast<const char*>(in.data + 2), length);
  query.syntax = static_cast<browse::PatternSyntax>((flags & 3) % 3);
  query.caseSensitive = (flags & 4) != 0;
  query.keys = (flags & 8) == 0;
  query.values = (flags & 16) == 0;
  query.data = (flags & 32) == 0;
  if (flags & 64) query.type = 3;
  const text::CodePage cp = flags & 128 ? text::CodePage::Cp1252 : text::CodePage::Cp932;
  const hive::Bytes rest(in.data + 2 + length, in.size - 2 - length);

  std::string error;
  const auto matcher = browse::MakeMatcher(query, error);
  if (!matcher) {
    if (error.empty()) std::abort();  // a refused pattern always says why
    return;
  }
  (void)matcher->Matches({reinterpret_cast<const char*>(rest.data()), rest.size()});
  for (const browse::DataSpan& s : browse::EmbeddedStrings(rest, cp)) {
    if (s.offset + s.length > rest.size() || s.length == 0) std::abort();
    (void)matcher->Matches(s.text);
  }

  salvage::SalvageOptions options;
  options.codePage = cp;
  const salvage::SalvagedHive hive = salvage::Salvage(rest, options);
  if (!hive.isHive) return;
  const browse::HiveView view(hive, cp);
  browse::FindAll(view, query, *matcher, [&](const browse::FindHit& hit) {
    if (hit.inside && hit.value && hit.inside->offset + hit.inside->length > hit.value->data.size()) std::abort();
    return true;
  });
}

void* SearchThread(void* arg) {
  Search(*static_cast<const Input*>(arg));
  return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in{data, size};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, kStack);
  pthread_t thread;
  if (pthread_create(&thread, &attr, SearchThread, &in) != 0) std::abort();
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  return 0;
}
