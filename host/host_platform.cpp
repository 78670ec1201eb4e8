#include "host/host_platform.h"

#include <charconv>

namespace quarvex::host {

std::vector<LeadByteRange> LeadByteRangesOf(text::CodePage page) {
  const text::LeadByteSet set = text::LeadByteSet::For(page);
  std::vector<LeadByteRange> ranges;
  for (int b = 0; b < 256; ++b) {
    if (!set.Contains(static_cast<std::uint8_t>(b))) continue;
    if (!ranges.empty() && ranges.back().last + 1 == b)
      ranges.back().last = static_cast<std::uint8_t>(b);
    else
      ranges.push_back({static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(b)});
  }
  return ranges;
}

void ParseRelease(std::string_view release, OsVersionInfo& out) {
  std::uint32_t* fields[] = {&out.major, &out.minor, &out.build};
  for (std::uint32_t* field : fields) {
    const auto [end, ec] = std::from_chars(release.data(), release.data() + release.size(), *field);
    if (ec != std::errc()) *field = 0;
    if (ec != std::errc() || end == release.data() + release.size() || *end != '.') return;
    release.remove_prefix(static_cast<std::size_t>(end - release.data()) + 1);
  }
}

}  // namespace quarvex::host
