#include "host/host_platform.h"

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

}  // namespace quarvex::host
