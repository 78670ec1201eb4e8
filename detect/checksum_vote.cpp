#include "detect/checksum_vote.h"

#include <algorithm>
#include <cstring>

#include "hive/keyname.h"
#include "text/printf.h"
#include "text/text_encoding.h"

namespace quarvex::detect {

using text::CodePage;
using text::LeadByteSet;

namespace {

std::string_view AsText(hive::Bytes b) { return {reinterpret_cast<const char*>(b.data()), b.size()}; }

// Hangul syllables (U+AC00-U+D7A3) in UTF-8 start with 0xEA-0xED.
bool MostlyHangul(const std::string& utf8) {
  std::size_t hangul = 0, other = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const std::size_t len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (len == 3 && i + 2 < utf8.size()) {
      const unsigned cp = (b & 0x0Fu) << 12 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6 |
                          (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
      (cp >= 0xAC00 && cp <= 0xD7A3 ? hangul : other)++;
    } else if (b >= 0x80) {
      ++other;
    }
    i += len;
  }
  return hangul > 0 && hangul >= other;
}

}  // namespace

bool IsHighName(hive::Bytes name) {
  // Eight bytes at a time: every key's name is asked about, and most are ASCII.
  std::size_t i = 0;
  std::uint64_t high = 0;
  for (; i + 8 <= name.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, name.data() + i, 8);
    high |= word;
  }
  for (; i < name.size(); ++i) high |= name[i];
  return (high & 0x8080808080808080u) != 0;
}

std::vector<StoredName> HighNames(const salvage::SalvagedHive& hive) {
  std::vector<StoredName> names;
  for (const salvage::SalvagedKey& key : hive.keys)
    if (key.record != salvage::kNoIndex && IsHighName(key.name)) names.push_back({key.name, key.fields.Chksum});
  return names;
}

ChecksumVote CountChecksumVotes(std::span<const StoredName> highNames) {
  const LeadByteSet none, japanese = LeadByteSet::For(CodePage::Cp932), chinese = LeadByteSet::For(CodePage::Cp936);
  ChecksumVote vote;
  for (const StoredName& key : highNames) {
    const std::uint32_t s = hive::KeyNameChecksum(key.name, none);
    const std::uint32_t j = hive::KeyNameChecksum(key.name, japanese);
    const std::uint32_t c = hive::KeyNameChecksum(key.name, chinese);
    if (s == j && j == c) continue;
    ++vote.telling;
    vote.singleByte += key.stored == s;
    vote.japanese += key.stored == j;
    vote.chinese += key.stored == c;
  }
  return vote;
}

ChecksumVote CountChecksumVotes(const salvage::SalvagedHive& hive) { return CountChecksumVotes(HighNames(hive)); }

std::optional<VoteOutcome> CodePageFromVotes(const salvage::SalvagedHive& hive, const ChecksumVote& vote) {
  return CodePageFromVotes(HighNames(hive), vote);
}

std::optional<VoteOutcome> CodePageFromVotes(std::span<const StoredName> highNames, const ChecksumVote& vote) {
  const std::size_t best = std::max({vote.singleByte, vote.japanese, vote.chinese});
  if (vote.telling == 0 || best == 0) return std::nullopt;
  const std::string tally = text::Printf("%zu of %zu names that tell the rules apart", best, vote.telling);
  // Ties go to the double-byte rule (a single-byte writer rarely matches one by chance),
  // and between 932 and 0x81-0xFE to 932.
  if (vote.japanese == best)
    return VoteOutcome{CodePage::Cp932, "the name checksums follow 932's double-byte rule (" + tally + ")"};
  if (vote.chinese == best) {
    std::size_t hangul = 0, names = 0;
    std::size_t clean936 = 0, clean950 = 0;
    for (const StoredName& key : highNames) {
      ++names;
      const std::string_view bytes = AsText(key.name);
      hangul += MostlyHangul(text::CodePageToUtf8(bytes, CodePage::Cp949));
      clean936 += text::CodePageToUtf8(bytes, CodePage::Cp936).find("\xEF\xBF\xBD") == std::string::npos;
      clean950 += text::CodePageToUtf8(bytes, CodePage::Cp950).find("\xEF\xBF\xBD") == std::string::npos;
    }
    const std::string shared = "the name checksums follow the double-byte rule of 936, 949 and 950 (" + tally + "); ";
    if (hangul * 2 > names)
      return VoteOutcome{CodePage::Cp949,
                         shared + text::Printf("%zu of %zu names read as Hangul in 949", hangul, names)};
    if (clean950 > clean936)
      return VoteOutcome{CodePage::Cp950, shared + text::Printf("%zu of %zu names decode in 950, %zu in 936", clean950,
                                                                names, clean936)};
    return VoteOutcome{CodePage::Cp936,
                       shared + text::Printf("%zu of %zu names decode in 936, %zu in 950", clean936, names, clean950)};
  }
  return VoteOutcome{CodePage::Cp1252, "the name checksums follow the single-byte rule (" + tally +
                                           "); which single-byte page cannot be told from them, so 1252"};
}

std::size_t NamesDisagreeing(const salvage::SalvagedHive& hive, CodePage cp) {
  const LeadByteSet leadBytes = LeadByteSet::For(cp);
  std::size_t count = 0;
  for (const StoredName& key : HighNames(hive)) count += hive::KeyNameChecksum(key.name, leadBytes) != key.stored;
  return count;
}

}  // namespace quarvex::detect
