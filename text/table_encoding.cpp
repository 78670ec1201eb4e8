#include "text/table_encoding.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "text/codepage_tables.h"

namespace quarvex::text {

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

const CodePageTables& Tables(CodePage cp) {
  const CodePageTables* tables = TablesFor(cp);
  if (!tables)
    throw std::runtime_error("code page " + std::string(CodePageName(cp)) + " has no conversion table in this build");
  return *tables;
}

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::uint8_t Byte(std::string_view text, std::size_t at) { return static_cast<std::uint8_t>(text[at]); }

// The longest run of 1255 or 1258 at `at` that glibc reads as one character.
const ComposedRun* LongestRun(const CodePageTables& t, std::string_view bytes, std::size_t at) {
  const ComposedRun* best = nullptr;
  for (const ComposedRun& run : t.composed) {
    if (run.length == 0 || run.length > bytes.size() - at || (best && run.length <= best->length)) continue;
    bool same = true;
    for (std::size_t i = 0; i < run.length && same; ++i)
      same = Byte(bytes, at + i) == static_cast<std::uint8_t>(run.bytes >> (24 - 8 * i));
    if (same) best = &run;
  }
  return best;
}

// The next character of well-formed UTF-8 (shortest form, no surrogates), or nullopt; `length`
// is what to skip then: the sequence's lead byte and the continuation bytes after it.
std::optional<std::uint32_t> NextCharacter(std::string_view utf8, std::size_t at, std::size_t& length) {
  const std::uint8_t lead = Byte(utf8, at);
  length = 1;
  if (lead < 0x80) return lead;
  // A bad sequence: its lead byte and every continuation byte after it, as the native code skips.
  std::size_t continuations = 0;
  while (at + 1 + continuations < utf8.size() && (Byte(utf8, at + 1 + continuations) & 0xC0) == 0x80) ++continuations;
  const auto bad = [&]() -> std::optional<std::uint32_t> {
    length = 1 + continuations;
    return std::nullopt;
  };
  std::size_t expected = 0;
  std::uint32_t c = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    expected = 2, c = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    expected = 3, c = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    expected = 4, c = lead & 0x07u;
  } else {
    return bad();
  }
  if (1 + continuations < expected) return bad();
  for (std::size_t i = 1; i < expected; ++i) c = c << 6 | (Byte(utf8, at + i) & 0x3Fu);
  const std::uint32_t smallest = expected == 2 ? 0x80 : expected == 3 ? 0x800 : 0x10000;
  if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return bad();
  length = expected;
  return c;
}

}  // namespace

std::string TableCodePageToUtf8(std::string_view bytes, CodePage cp) {
  const CodePageTables& t = Tables(cp);
  const LeadByteSet lead = LeadByteSet::For(cp);
  std::string out;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::uint8_t b = Byte(bytes, at);
    if (const ComposedRun* run = t.composed.empty() ? nullptr : LongestRun(t, bytes, at)) {
      AppendUtf8(out, run->character);
      at += run->length;
      continue;
    }
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++at;
      continue;
    }
    // A lead byte with its trail, one character; a bad pair gives U+FFFD for its lead byte
    // alone, and the byte after it is read again, as the native conversion does.
    std::uint16_t c = 0;
    std::size_t length = 1;
    if (lead.Contains(b) && at + 1 < bytes.size()) {
      std::size_t index = 0;
      for (int l = 0x80; l < b; ++l) index += lead.Contains(static_cast<std::uint8_t>(l)) ? 256 : 0;
      index += Byte(bytes, at + 1);
      c = index < t.pairs.size() ? t.pairs[index] : 0;
      length = 2;
    } else {
      c = t.singles[b - 0x80];
    }
    if (c == 0) {
      out += kReplacementUtf8;
      ++at;
      continue;
    }
    AppendUtf8(out, c);
    at += length;
  }
  return out;
}

std::string TableUtf8ToCodePage(std::string_view utf8, CodePage cp) {
  const CodePageTables& t = Tables(cp);
  std::string out;
  for (std::size_t at = 0; at < utf8.size();) {
    std::size_t length = 1;
    const std::optional<std::uint32_t> c = NextCharacter(utf8, at, length);
    if (c && *c < 0x80) {
      out += static_cast<char>(*c);
      ++at;
      continue;
    }
    // Unicode's tag characters (U+E0000 to U+E007F, which only mark up the text beside them)
    // glibc's converters drop without a word; so do the tables.
    if (c && *c >= 0xE0000 && *c <= 0xE007F) {
      at += length;
      continue;
    }
    // A character the page lacks is skipped as a bad sequence is: with every continuation byte
    // after it (glibc's skip, text/text_encoding.cpp).
    const std::size_t skip = [&] {
      std::size_t n = 1;
      while (at + n < utf8.size() && (Byte(utf8, at + n) & 0xC0) == 0x80) ++n;
      return n;
    }();
    const auto found =
        c && *c <= 0xFFFF ? std::lower_bound(t.encoded.begin(), t.encoded.end(), *c,
                                             [](const EncodedCharacter& e, std::uint32_t v) { return e.character < v; })
                          : t.encoded.end();
    if (found == t.encoded.end() || found->character != *c) {
      out += '?';
      at += skip;
      continue;
    }
    at += length;
    const std::size_t count = found->bytes >> 24;
    for (std::size_t i = 0; i < count; ++i) out += static_cast<char>(found->bytes >> (16 - 8 * i) & 0xFF);
  }
  return out;
}

}  // namespace quarvex::text
