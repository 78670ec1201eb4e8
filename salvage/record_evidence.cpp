#include "salvage/record_evidence.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "hive/finding.h"
#include "hive/keyname.h"

namespace quarvex::salvage {

using namespace quarvex::hive;

namespace {

// Index entries a search looks at before it gives up deciding: the candidates of a real key
// are a handful, and a damaged file must not make the search quadratic.
constexpr int kScanBudget = 256;
// Candidates a finding names; the rest are counted.
constexpr std::size_t kListed = 4;

std::string Dec(std::uint64_t value) { return std::to_string(value); }
std::string NameText(Bytes name) {
  return Quoted(std::string_view(reinterpret_cast<const char*>(name.data()), name.size()));
}

bool ByKey(const auto& a, const auto& b) {
  return std::tie(a.checksum, a.first, a.second, a.record) < std::tie(b.checksum, b.first, b.second, b.record);
}

// The entries of an index with this checksum (and this first field, when given).
template <typename Entries>
std::pair<typename Entries::const_iterator, typename Entries::const_iterator> Range(
    const Entries& entries, std::uint32_t checksum, std::optional<std::uint32_t> first) {
  const auto from = std::lower_bound(entries.begin(), entries.end(), std::pair{checksum, first.value_or(0)},
                                     [](const auto& e, const auto& k) {
                                       return std::pair{e.checksum, e.first} < k;
                                     });
  auto to = from;
  if (first)
    to = std::upper_bound(from, entries.end(), std::pair{checksum, *first}, [](const auto& k, const auto& e) {
      return k < std::pair{e.checksum, e.first};
    });
  else
    to = std::upper_bound(from, entries.end(), checksum, [](std::uint32_t k, const auto& e) { return k < e.checksum; });
  return {from, to};
}

}  // namespace

RecordEvidence::RecordEvidence(SalvagedHive& hive, const std::vector<std::pair<std::uint64_t, std::int32_t>>& numbers,
                               const std::vector<std::vector<std::int32_t>>& freeInChain,
                               const text::LeadByteSet& leadBytes, bool blocksPastEnd, std::size_t announcedBlocks)
    : hive_(hive),
      numbers_(numbers),
      leadBytes_(leadBytes),
      blocksPastEnd_(blocksPastEnd),
      announcedBlocks_(announcedBlocks),
      freeInChain_(freeInChain),
      sums_(hive.records.size()),
      summed_(hive.records.size(), false) {
  // The rest is made when a key's link first reads wrong: a sound file pays only for checking
  // each link's name against its node's checksum.
}

// A freed record keeps its key name and values behind the 12 bytes of its free view: indexed
// by checksum when a key first needs the freed records listed.
void RecordEvidence::IndexFreed() const {
  freedIndexed_ = true;
  const SalvagedHive& hive = hive_;
  const std::vector<std::vector<std::int32_t>>& freeInChain = freeInChain_;
  for (std::size_t b = 0; b < freeInChain.size() && b < hive.blocks.size(); ++b) {
    const SalvagedBlock& block = hive.blocks[b];
    for (std::int32_t rel : freeInChain[b]) {
      const std::int64_t at = block.offset.value + rel;
      if (at + static_cast<std::int64_t>(DataRecordHeader::kSize) > block.end) continue;
      // The free view's Size, and the key name's length the record had when it was in use.
      const std::int64_t extent =
          std::min<std::int64_t>(FieldAt<FreeDataRecordField::Size>(hive.image, at).value_or(0), block.end - at);
      const std::uint16_t keyL = FieldAt<DataRecordField::KeyL>(hive.image, at).value_or(0);
      if (keyL == 0 || static_cast<std::int64_t>(DataRecordHeader::kSize) + keyL > extent) continue;
      const Bytes name =
          UpToFirstZero(hive.image.subspan(static_cast<std::size_t>(at) + DataRecordHeader::kSize, keyL));
      if (name.empty()) continue;
      const auto index = static_cast<std::int32_t>(freed_.size());
      freed_.push_back({at, static_cast<std::uint32_t>(b), kNoNumber, kNoIndex, name});
      const NameChecksums sums = KeyNameChecksums(name, leadBytes_);
      freedByBlock_.push_back({sums.system, static_cast<std::uint32_t>(b), 0, index});
      if (sums.plain != sums.system) freedByBlock_.push_back({sums.plain, static_cast<std::uint32_t>(b), 0, index});
    }
  }
  std::sort(freedByBlock_.begin(), freedByBlock_.end(), [](const Entry& a, const Entry& b) { return ByKey(a, b); });
  std::sort(freedByBlock_.begin(), freedByBlock_.end(), [](const Entry& a, const Entry& b) { return ByKey(a, b); });
}

const NameChecksums& RecordEvidence::Sums(std::int32_t record) const {
  const auto r = static_cast<std::size_t>(record);
  if (r >= summed_.size()) {  // records are all read before the keys; never skip one anyway
    sums_.resize(hive_.records.size());
    summed_.resize(hive_.records.size(), false);
  }
  if (!summed_[r]) {
    sums_[r] = KeyNameChecksums(hive_.records[r].name, leadBytes_);
    summed_[r] = true;
  }
  return sums_[r];
}

// The records no key reads yet, by checksum. Made at the first search, when the links that
// read as they stand have taken their records, so that a search looks at candidates only.
void RecordEvidence::IndexOrphans() {
  indexed_ = true;
  for (std::size_t r = 0; r < hive_.records.size(); ++r) {
    const SalvagedRecord& record = hive_.records[r];
    if (record.key != kNoIndex) continue;
    const auto index = static_cast<std::int32_t>(r);
    const NameChecksums& sums = Sums(index);
    for (std::uint32_t sum : {sums.system, sums.plain}) {
      byBlock_.push_back({sum, record.block, record.header.RecNo, index});
      byNumber_.push_back({sum, record.header.RecNo, record.block, index});
      if (sums.plain == sums.system) break;
    }
  }
  std::sort(byBlock_.begin(), byBlock_.end(), [](const Entry& a, const Entry& b) { return ByKey(a, b); });
  std::sort(byNumber_.begin(), byNumber_.end(), [](const Entry& a, const Entry& b) { return ByKey(a, b); });
}

bool RecordEvidence::NameFits(std::int32_t record, std::uint32_t checksum) const {
  const NameChecksums& sums = Sums(record);
  return sums.system == checksum || sums.plain == checksum;
}

std::string RecordEvidence::SiblingKey(std::int32_t parent, Bytes name) const {
  std::string key(reinterpret_cast<const char*>(&parent), sizeof parent);
  key.reserve(key.size() + name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const std::uint8_t b = name[i];
    key += static_cast<char>(b >= 'a' && b <= 'z' ? b - 0x20 : b);
    if (leadBytes_.Contains(b) && i + 1 < name.size()) key += static_cast<char>(name[++i]);  // a trail byte stays
  }
  return key;
}

bool RecordEvidence::SiblingHasName(std::int32_t parent, Bytes name) const {
  // Made at the first question, from the keys that read their own record by then; Attach
  // keeps it up to date after that.
  if (!namesIndexed_) {
    namesIndexed_ = true;
    for (std::size_t k = 0; k < hive_.keys.size(); ++k) {
      const SalvagedKey& key = hive_.keys[k];
      if (key.record != kNoIndex &&
          hive_.records[static_cast<std::size_t>(key.record)].key == static_cast<std::int32_t>(k))
        childNames_.insert(SiblingKey(key.parent, key.name));
    }
  }
  return childNames_.count(SiblingKey(parent, name)) > 0;
}

void RecordEvidence::Attach(std::size_t key, std::int32_t record, bool own) {
  SalvagedKey& k = hive_.keys[key];
  SalvagedRecord& r = hive_.records[static_cast<std::size_t>(record)];
  k.record = record;
  k.name = UpToFirstZero(r.name);
  if (!own) return;
  r.key = static_cast<std::int32_t>(key);
  if (namesIndexed_) childNames_.insert(SiblingKey(k.parent, k.name));
}

bool RecordEvidence::OneByteApart(const KeyNode& node, const SalvagedRecord& record) const {
  const std::array<std::uint8_t, 4> stored{
      static_cast<std::uint8_t>(node.BlkNo & 0xFF), static_cast<std::uint8_t>(node.BlkNo >> 8),
      static_cast<std::uint8_t>(node.RecNo & 0xFF), static_cast<std::uint8_t>(node.RecNo >> 8)};
  const std::array<std::uint8_t, 4> there{
      static_cast<std::uint8_t>(record.block & 0xFF), static_cast<std::uint8_t>((record.block >> 8) & 0xFF),
      static_cast<std::uint8_t>(record.header.RecNo & 0xFF), static_cast<std::uint8_t>(record.header.RecNo >> 8)};
  int differ = 0;
  for (std::size_t i = 0; i < stored.size(); ++i) differ += stored[i] != there[i];
  return differ == 1;
}

// The records no key reads whose name gives the node's checksum, where the damage may have
// moved the link from: the node's block (the record number was damaged) and the node's record
// number in other blocks (the block number was damaged); anywhere when neither number is left.
RecordEvidence::Search RecordEvidence::FindOrphans(const RecordChoice& choice, std::int32_t exclude) {
  if (!indexed_) IndexOrphans();
  const SalvagedKey& key = hive_.keys[choice.key];
  const KeyNode& n = key.fields;
  Search search;
  int budget = kScanBudget;
  auto scan = [&](const std::vector<Entry>& index, std::optional<std::uint32_t> first, bool skipNodeBlock) {
    const auto [from, to] = Range(index, n.Chksum, first);
    for (auto it = from; it != to && !search.tooMany; ++it) {
      if (--budget < 0) {
        search.tooMany = true;
        break;
      }
      const SalvagedRecord& r = hive_.records[static_cast<std::size_t>(it->record)];
      if (skipNodeBlock && r.block == n.BlkNo) continue;  // searched already
      if (r.key != kNoIndex || it->record == exclude) continue;
      if (SiblingHasName(key.parent, UpToFirstZero(r.name))) continue;
      search.records.push_back(it->record);
    }
  };
  switch (choice.reading) {
    case LinkReading::Record:
    case LinkReading::NoSuchRecord:
      scan(byBlock_, n.BlkNo, false);
      scan(byNumber_, n.RecNo, true);
      break;
    case LinkReading::NoBlock:
      if (n.RecNo != kNoNumber)
        scan(byNumber_, n.RecNo, false);
      else
        scan(byBlock_, std::nullopt, false);
      break;
    case LinkReading::None:
      scan(byBlock_, std::nullopt, false);
      break;
    case LinkReading::TopLevel:
    case LinkReading::PastEnd:
      break;
  }
  return search;
}

void RecordEvidence::ListFreed(RecordChoice& choice) const {
  if (!freedIndexed_) IndexFreed();
  const KeyNode& n = hive_.keys[choice.key].fields;
  const bool inBlock = choice.reading == LinkReading::Record || choice.reading == LinkReading::NoSuchRecord;
  const auto [from, to] =
      Range(freedByBlock_, n.Chksum, inBlock ? std::optional<std::uint32_t>(n.BlkNo) : std::nullopt);
  int budget = kScanBudget;
  for (auto it = from; it != to; ++it) {
    if (--budget < 0) {
      choice.tooMany = true;
      break;
    }
    if (choice.candidates.size() < kListed)
      choice.candidates.push_back(freed_[static_cast<std::size_t>(it->record)]);
    else
      ++choice.moreCandidates;
  }
}

RecordCandidate RecordEvidence::Candidate(std::int32_t r) const {
  const SalvagedRecord& record = hive_.records[static_cast<std::size_t>(r)];
  return {record.offset.value, record.block, record.header.RecNo, r, UpToFirstZero(record.name)};
}

void RecordEvidence::List(RecordChoice& c, std::int32_t r) const {
  if (c.candidates.size() < kListed)
    c.candidates.push_back(Candidate(r));
  else
    ++c.moreCandidates;
}

// The only record of the search, or of its records the only one a byte away from the node's
// numbers, when no other key of the round wants it; kNoIndex when the evidence does not decide.
std::int32_t RecordEvidence::Decide(RecordChoice& c, const Search& s,
                                    const std::unordered_map<std::int32_t, int>& wanted) const {
  if (s.tooMany || s.records.empty()) return kNoIndex;
  std::int32_t take = kNoIndex;
  if (s.records.size() == 1) {
    take = s.records.front();
    c.by = ChosenBy::Checksum;
  } else {
    int near = 0;
    for (std::int32_t r : s.records) {
      if (!OneByteApart(hive_.keys[c.key].fields, hive_.records[static_cast<std::size_t>(r)])) continue;
      take = r;
      ++near;
    }
    if (near != 1) return kNoIndex;
    c.by = ChosenBy::OneByte;
  }
  const auto it = wanted.find(take);
  if (it == wanted.end() || it->second != 1 || hive_.records[static_cast<std::size_t>(take)].key != kNoIndex) {
    c.by = ChosenBy::Link;
    return kNoIndex;
  }
  c.orphansFound = s.records.size();
  return take;
}

std::vector<RecordChoice> RecordEvidence::Choose(std::span<const std::size_t> keys) {
  std::vector<RecordChoice> choices(keys.size());
  std::vector<std::int32_t> fits(keys.size(), kNoIndex);  // the linked record whose name gives the node's checksum

  // How each link reads.
  for (std::size_t i = 0; i < keys.size(); ++i) {
    RecordChoice& c = choices[i];
    c.key = keys[i];
    const SalvagedKey& key = hive_.keys[c.key];
    const KeyNode& n = key.fields;
    if (n.RecNo == kNoNumber && n.BlkNo == kNoNumber) {
      c.reading = key.parent == kNoIndex ? LinkReading::TopLevel : LinkReading::None;
      continue;
    }
    if (n.BlkNo >= hive_.blocks.size()) {
      c.reading = blocksPastEnd_ && n.BlkNo < announcedBlocks_ ? LinkReading::PastEnd : LinkReading::NoBlock;
      continue;
    }
    const std::uint64_t number = (std::uint64_t{n.BlkNo} << 16) | n.RecNo;
    auto it = std::lower_bound(numbers_.begin(), numbers_.end(), number,
                               [](const auto& e, std::uint64_t k) { return e.first < k; });
    if (it == numbers_.end() || it->first != number) {
      c.reading = LinkReading::NoSuchRecord;
      continue;
    }
    c.reading = LinkReading::Record;
    c.linked = it->second;
    // Several records of one number (damage of their own): the one whose name fits.
    for (int budget = kScanBudget; it != numbers_.end() && it->first == number && budget > 0; ++it, --budget) {
      if (NameFits(it->second, n.Chksum)) {
        fits[i] = c.linked = it->second;
        break;
      }
    }
  }

  // A record goes to the key whose checksum its name gives (the first, when it gives several
  // keys' checksums).
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (fits[i] != kNoIndex && hive_.records[static_cast<std::size_t>(fits[i])].key == kNoIndex)
      Attach(keys[i], fits[i], true);

  // A link to a record no key has whose name does not give the node's checksum: a ghost key,
  // as real files hold, unless a record no key reads does give it (the number was written
  // over, and the key's own record is left behind). Links that cross are put right both ways.
  std::vector<std::size_t> ghosts;
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (choices[i].reading == LinkReading::Record && fits[i] == kNoIndex &&
        hive_.records[static_cast<std::size_t>(choices[i].linked)].key == kNoIndex)
      ghosts.push_back(i);
  std::vector<Search> found;
  std::unordered_map<std::int32_t, int> wanted;  // record -> how many keys of the round it would fit
  for (std::size_t i : ghosts) {
    found.push_back(FindOrphans(choices[i], choices[i].linked));
    for (std::int32_t r : found.back().records) ++wanted[r];
  }
  std::vector<bool> pending(keys.size(), false);
  for (std::size_t j = 0; j < ghosts.size(); ++j) {
    RecordChoice& c = choices[ghosts[j]];
    const std::int32_t take = Decide(c, found[j], wanted);
    if (take != kNoIndex)
      Attach(c.key, take, true);
    else
      pending[ghosts[j]] = true;
  }
  for (std::size_t j = 0; j < ghosts.size(); ++j) {
    const std::size_t i = ghosts[j];
    RecordChoice& c = choices[i];
    if (!pending[i] || hive_.records[static_cast<std::size_t>(c.linked)].key != kNoIndex) continue;
    Attach(c.key, c.linked, true);
    pending[i] = false;
    if (!found[j].records.empty()) {  // the link is in doubt: say what else fits
      for (std::int32_t r : found[j].records) List(c, r);
      c.tooMany = found[j].tooMany;
    }
  }

  // The keys left: the evidence decides, or lists what it found.
  std::vector<std::size_t> open;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    RecordChoice& c = choices[i];
    if (c.reading == LinkReading::TopLevel || c.reading == LinkReading::PastEnd) continue;
    if (c.reading == LinkReading::Record) {
      if (hive_.keys[c.key].record != kNoIndex) continue;
      c.holder = hive_.records[static_cast<std::size_t>(c.linked)].key;
      if (c.holder == kNoIndex) {  // not reached: an unread linked record was taken above
        Attach(c.key, c.linked, true);
        continue;
      }
      c.holderFits = NameFits(c.linked, hive_.keys[static_cast<std::size_t>(c.holder)].fields.Chksum);
    }
    open.push_back(i);
  }
  found.clear();
  wanted.clear();
  for (std::size_t i : open) {
    found.push_back(FindOrphans(choices[i], choices[i].linked));
    for (std::int32_t r : found.back().records) ++wanted[r];
  }
  for (std::size_t j = 0; j < open.size(); ++j) {
    const std::size_t i = open[j];
    RecordChoice& c = choices[i];
    const Search& s = found[j];
    // A key whose checksum the linked record's name gives as well as its holder's: either of
    // them may be the one whose own record is elsewhere, so nothing tells which.
    const bool fitsLinked = fits[i] != kNoIndex;
    const std::int32_t take = fitsLinked ? kNoIndex : Decide(c, s, wanted);
    if (take != kNoIndex) {
      Attach(c.key, take, true);
      continue;
    }
    if (fitsLinked) List(c, c.linked);
    for (std::int32_t r : s.records) List(c, r);
    c.tooMany = s.tooMany;
    ListFreed(c);
    // The linked record alone, which the finding on the link already names: nothing to list.
    if (fitsLinked && c.candidates.size() == 1 && c.moreCandidates == 0 && !c.tooMany) c.candidates.clear();
    // The key shows the linked record's name where the evidence cannot tell the key from the
    // record's holder; where the name gives the holder's checksum and not this key's, the
    // name is the holder's, and this key's own is unknown.
    if (c.reading == LinkReading::Record && (fitsLinked || !c.holderFits)) Attach(c.key, c.linked, false);
  }
  return choices;
}

// ---- texts -------------------------------------------------------------------------------

namespace {

std::string KeyText(std::size_t key, const std::function<std::string(std::size_t)>& pathOf) {
  const std::string path = pathOf(key);
  return path.empty() ? "the root key" : "key " + path;
}

std::string RecordPlace(const RecordCandidate& c) {
  if (c.recNo == kNoNumber) return "freed record at " + Hex32(static_cast<std::uint32_t>(c.offset));
  return "record " + Hex16(c.recNo) + " of block " + Dec(c.block) + " at " +
         Hex32(static_cast<std::uint32_t>(c.offset));
}

// The first reading: what the link itself names.
std::string LinkText(const RecordChoice& c, const SalvagedHive& hive,
                     const std::function<std::string(std::size_t)>& pathOf) {
  const KeyNode& n = hive.keys[c.key].fields;
  switch (c.reading) {
    case LinkReading::None:
      return "Blk# and Rec# 0xFFFF link no record";
    case LinkReading::NoBlock:
      return "Blk# " + Hex16(n.BlkNo) + " names no data block (" + Dec(hive.blocks.size()) + " found)";
    case LinkReading::NoSuchRecord:
      return "data block " + Dec(n.BlkNo) + " holds no record " + Hex16(n.RecNo);
    case LinkReading::Record: {
      std::string text = "record " + Hex16(n.RecNo) + " of block " + Dec(n.BlkNo);
      if (c.holder == kNoIndex)
        return text + " is named " + NameText(UpToFirstZero(hive.records[static_cast<std::size_t>(c.linked)].name)) +
               ", which does not give the node's checksum";
      text += " is read by " + KeyText(static_cast<std::size_t>(c.holder), pathOf);
      if (c.holderFits) text += ", whose checksum its name gives";
      return text;
    }
    case LinkReading::TopLevel:
    case LinkReading::PastEnd:
      break;
  }
  return {};
}

}  // namespace

std::string RecordNote(const RecordChoice& c, const SalvagedHive& hive,
                       const std::function<std::string(std::size_t)>& pathOf) {
  const SalvagedKey& key = hive.keys[c.key];
  const SalvagedRecord& record = hive.records[static_cast<std::size_t>(key.record)];
  std::string text = Hex16(record.header.RecNo) + " of block " + Dec(record.block) + " at " +
                     Hex32(static_cast<std::uint32_t>(record.offset.value)) + " (" + NameText(key.name) +
                     "), chosen by the evidence: " + LinkText(c, hive, pathOf) + "; the node's checksum " +
                     Hex32(key.fields.Chksum) + " is that of " + NameText(key.name);
  if (c.by == ChosenBy::OneByte)
    text += ", as of " + Dec(c.orphansFound) +
            " records no key reads, of which this is the only one whose numbers "
            "differ from the node's in one byte";
  else
    text += ", and no key reads that record";
  return text;
}

std::string CandidateList(const RecordChoice& c, const SalvagedHive& hive,
                          const std::function<std::string(std::size_t)>& pathOf) {
  const std::size_t count = c.candidates.size() + c.moreCandidates;
  std::string text = (c.tooMany ? "more than " : "") + Dec(count) +
                     (count == 1 && !c.tooMany ? " record fits" : " records fit") + " the node's checksum " +
                     Hex32(hive.keys[c.key].fields.Chksum) + ": ";
  for (std::size_t i = 0; i < c.candidates.size(); ++i) {
    const RecordCandidate& r = c.candidates[i];
    if (i > 0) text += "; ";
    text += RecordPlace(r) + " " + NameText(r.name);
    if (r.record != kNoIndex) {
      const std::int32_t holder = hive.records[static_cast<std::size_t>(r.record)].key;
      text += holder == kNoIndex ? " (no key reads it)"
                                 : " (read by " + KeyText(static_cast<std::size_t>(holder), pathOf) + ")";
    }
  }
  if (c.moreCandidates > 0 || c.tooMany)
    text += "; and " + (c.tooMany ? std::string("more") : Dec(c.moreCandidates) + " more");
  return text;
}

}  // namespace quarvex::salvage
