#include "browse/embedded_strings.h"

#include <algorithm>
#include <string_view>

#include "text/text_encoding.h"
#include "text/utf16.h"

namespace quarvex::browse {

namespace {

bool PrintableAscii(std::uint32_t c) { return c == 0x09 || (c >= 0x20 && c <= 0x7E); }

// The length in bytes of the code page character at data[at], or 0 when none starts there.
std::size_t CodePageChar(hive::Bytes data, std::size_t at, const text::LeadByteSet& leads, bool doubleByte) {
  const std::uint8_t b = data[at];
  if (PrintableAscii(b)) return 1;
  if (!doubleByte) return b >= 0xA0 ? 1 : 0;
  if (!leads.Contains(b) || at + 1 >= data.size()) return 0;
  const std::uint8_t trail = data[at + 1];
  return trail >= 0x40 && trail != 0x7F && trail != 0xFF ? 2 : 0;
}

bool Utf16Char(std::uint16_t unit, bool doubleByte) {
  if (PrintableAscii(unit) || (unit >= 0xA0 && unit <= 0xFF)) return true;
  if (!doubleByte) return false;
  return (unit >= 0x3000 && unit <= 0x30FF) || (unit >= 0x4E00 && unit <= 0x9FFF) || (unit >= 0xFF01 && unit <= 0xFF9F);
}

void CodePageRuns(hive::Bytes data, text::CodePage codePage, std::size_t minChars, std::vector<DataSpan>& out) {
  const text::LeadByteSet leads = text::LeadByteSet::For(codePage);
  const bool doubleByte = text::IsDoubleByte(codePage);
  std::size_t at = 0;
  while (at < data.size()) {
    const std::size_t start = at;
    std::size_t chars = 0;
    while (at < data.size()) {
      const std::size_t n = CodePageChar(data, at, leads, doubleByte);
      if (n == 0) break;
      at += n;
      ++chars;
    }
    if (chars >= minChars) {
      const std::string_view raw(reinterpret_cast<const char*>(data.data() + start), at - start);
      out.push_back(DataSpan{start, at - start, SpanKind::CodePageText, text::CodePageToUtf8(raw, codePage)});
    }
    if (at == start) ++at;
  }
}

// A UTF-16 run, with how many of its units are ASCII or Latin-1 (U+0000-U+00FF).
struct Utf16Run {
  DataSpan span;
  std::size_t narrow = 0;
};

std::vector<Utf16Run> Utf16Runs(hive::Bytes data, std::size_t parity, bool doubleByte, std::size_t minChars) {
  std::vector<Utf16Run> out;
  std::size_t at = parity;
  while (at + 1 < data.size()) {
    const std::size_t start = at;
    std::u16string units;
    std::size_t narrow = 0;
    while (at + 1 < data.size()) {
      const auto unit = static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
      if (!Utf16Char(unit, doubleByte)) break;
      units.push_back(static_cast<char16_t>(unit));
      narrow += unit <= 0xFF ? 1 : 0;
      at += 2;
    }
    if (units.size() >= minChars)
      out.push_back({DataSpan{start, at - start, SpanKind::Utf16Text, text::Utf16ToUtf8(units)}, narrow});
    if (at == start) at += 2;
  }
  return out;
}

// Keeps the runs of one parity that no overlapping run of the other parity reads better. A
// UTF-16 string of ASCII letters read one byte off is a string of the units 0x4D00, 0x6900 ...,
// which a double-byte page's ideograph range takes: of two overlapping runs, the one with
// more ASCII and Latin-1 units is the string. Runs of one parity are disjoint and ordered.
void KeepBetterRuns(const std::vector<Utf16Run>& runs, const std::vector<Utf16Run>& others,
                    std::vector<DataSpan>& out) {
  std::size_t j = 0;
  for (const Utf16Run& r : runs) {
    const std::size_t end = r.span.offset + r.span.length;
    while (j < others.size() && others[j].span.offset + others[j].span.length <= r.span.offset) ++j;
    bool beaten = false;
    for (std::size_t k = j; k < others.size() && others[k].span.offset < end && !beaten; ++k)
      beaten = others[k].narrow > r.narrow;
    if (!beaten) out.push_back(r.span);
  }
}

}  // namespace

std::vector<DataSpan> EmbeddedStrings(hive::Bytes data, text::CodePage codePage, std::size_t minChars) {
  minChars = std::max<std::size_t>(minChars, 1);
  const bool doubleByte = text::IsDoubleByte(codePage);
  const std::vector<Utf16Run> even = Utf16Runs(data, 0, doubleByte, minChars);
  const std::vector<Utf16Run> odd = Utf16Runs(data, 1, doubleByte, minChars);
  std::vector<DataSpan> out;
  KeepBetterRuns(even, odd, out);
  KeepBetterRuns(odd, even, out);
  CodePageRuns(data, codePage, minChars, out);
  std::stable_sort(out.begin(), out.end(), [](const DataSpan& a, const DataSpan& b) { return a.offset < b.offset; });
  return out;
}

}  // namespace quarvex::browse
