// The salvage reader's key-node phases: the key tree from its links, each key's record chosen on
// the evidence, the free key-node list, and the lost keys in the key-node block's unaccounted
// stretches.
#include "salvage/salvager.h"

#include "hive/key_links.h"

namespace quarvex::salvage {

std::size_t Salvager::AddKey(std::int32_t rel, const KeyNode& node, std::int32_t parent, bool lost) {
  SalvagedKey key;
  key.node = KeyNodeOffset(rel);
  key.fields = node;
  key.parent = parent;
  key.lost = lost;
  out_.keys.push_back(key);
  keyOrder_.push_back(nextOrder_++);  // the place of its record's findings
  return out_.keys.size() - 1;
}

// Decides the records of every key the walk read, all at once, so that where two nodes link
// one record the evidence, not the walk's order, says whose it is; then says what it found.
// Each key's findings keep the place in the order the key was read at.
void Salvager::ChooseRecords() {
  evidence_.emplace(out_, index_, freeInChain_, leadBytes_,
                    rgknEnd_ > size_ || (!out_.blocks.empty() && out_.blocks.back().cut), out_.creg.wDBblks);
  std::vector<std::size_t> keys(out_.keys.size());
  std::iota(keys.begin(), keys.end(), std::size_t{0});
  for (const RecordChoice& choice : evidence_->Choose(keys)) {
    orderFor_ = keyOrder_[choice.key];
    ReportRecordChoice(choice);
  }
  orderFor_.reset();
}

// The findings of a key's record link, and of its name against the node's checksum.
void Salvager::ReportRecordChoice(const RecordChoice& c) {
  const std::size_t k = c.key;
  const SalvagedKey& key = out_.keys[k];
  const KeyNode& n = key.fields;
  const std::int64_t at = key.node.InFile().value;
  const bool read = key.record != kNoIndex;
  // Where the evidence found the record, the link's fault cost nothing here; a reader that
  // follows the link (Windows) still loses the key, so the fault stays damage.
  const std::string missing = read ? "" : "; the key's record is missing";
  switch (c.reading) {
    case LinkReading::TopLevel:
      return;
    case LinkReading::PastEnd:
      ++out_.summary.keysUnreadable;
      ++keysPastEnd_;  // one finding for all of them: the file was cut before their block
      return;
    case LinkReading::None:
      AddForKey(Severity::Damage, Structure::KeyNode, at, k, FieldName(KeyNodeField::BlkNo), Hex16(n.BlkNo),
                "a data block (only a top-level key goes without a record and a name)");
      break;
    case LinkReading::NoBlock:
      AddForKey(Severity::Damage, Structure::KeyNode, at, k, FieldName(KeyNodeField::BlkNo), Hex16(n.BlkNo),
                "below " + Dec(out_.blocks.size()) + " (the data blocks found)" + missing);
      break;
    case LinkReading::NoSuchRecord:
      AddForKey(Severity::Damage, Structure::KeyNode, at, k, FieldName(KeyNodeField::RecNo), Hex16(n.RecNo),
                "a record number of data block " + Dec(n.BlkNo) + missing);
      break;
    case LinkReading::Record:
      if (c.holder != kNoIndex) {
        AddForKey(Severity::Damage, Structure::KeyNode, at, k, FieldName(KeyNodeField::RecNo), Hex16(n.RecNo),
                  "a record of its own (the key node at " +
                      HexI(out_.keys[static_cast<std::size_t>(c.holder)].node.InFile().value) + " has this one)");
      } else if (read && key.record != c.linked) {
        // The link names a record no key has, whose name is not the key's; the key's own
        // record is elsewhere in the block (or under its number in another block).
        const SalvagedRecord& own = out_.records[static_cast<std::size_t>(key.record)];
        const bool block = own.block != n.BlkNo;
        AddForKey(
            Severity::Damage, Structure::KeyNode, at, k,
            block ? FieldName(KeyNodeField::BlkNo) : FieldName(KeyNodeField::RecNo), Hex16(block ? n.BlkNo : n.RecNo),
            Hex16(block ? static_cast<std::uint16_t>(own.block) : own.header.RecNo) +
                " (the record whose name gives the node's checksum; the name of the record the link names does not)");
      }
      break;
  }
  if (!read) ++out_.summary.keysUnreadable;
  const auto pathOf = [this](std::size_t other) { return PathText(other); };
  if (read && c.by != ChosenBy::Link)
    AddForKey(Severity::Note, Structure::KeyNode, at, k, "record", RecordNote(c, out_, pathOf));
  else if (!c.candidates.empty())
    AddForKey(Severity::Damage, Structure::KeyNode, at, k, "record candidates", CandidateList(c, out_, pathOf),
              !read ? "(the evidence does not tell which is the key's; its name and values stay unread)"
              : out_.records[static_cast<std::size_t>(key.record)].key == static_cast<std::int32_t>(k)
                  ? "(the record the link names does not give the node's checksum, and the evidence does not tell "
                    "which of these is the key's; the key is read from the record its link names)"
                  : "(the evidence does not tell which is the key's; it shows the name of the record its link "
                    "names, without values)");
  if (!read) return;
  // The sums of the record's name, which the evidence has already taken for the link.
  const NameChecksums sums = evidence_->NameSums(key.record);
  const std::uint32_t sum = sums.system;
  if (sum != n.Chksum) {
    if (sums.plain == n.Chksum)
      AddForKey(Severity::Note, Structure::KeyNode, at, k, FieldName(KeyNodeField::Chksum), Hex32(n.Chksum),
                Hex32(sum) + " under code page " + std::string(text::CodePageName(options_.codePage)) +
                    " (the sum matches the name read as single bytes)");
    else
      AddForKey(Severity::Warning, Structure::KeyNode, at, k, FieldName(KeyNodeField::Chksum), Hex32(n.Chksum),
                Hex32(sum) + " (the checksum of the name: a ghost key)");
  }
}

void Salvager::WalkKeyTree() {
  auto onNode = [&](const hive::KeyLink& link, const KeyNode& node) {
    const std::int32_t rel = link.target;
    const std::int32_t parent = link.parent;
    const std::int32_t expectedUpr =
        parent == kNoIndex ? kNoOffset : out_.keys[static_cast<std::size_t>(parent)].node.value;
    const std::size_t k = AddKey(rel, node, parent, false);
    nodeKey_.emplace_back(rel, static_cast<std::int32_t>(k));
    if (node.UprOfs != expectedUpr)
      AddForKey(
          Severity::Damage, Structure::KeyNode, hive::kKeyNodeBlockStart + rel, k, FieldName(KeyNodeField::UprOfs),
          HexI(node.UprOfs),
          HexI(expectedUpr) + (parent == kNoIndex ? " (a top-level key)" : " (the key whose child list holds it)"));
    return static_cast<std::int32_t>(k);
  };
  auto onCut = [&](const hive::KeyLink& link, hive::LinkCut why) {
    using Field = hive::KeyLink::Field;
    const bool header = link.field == Field::FirstKey;
    Add(Severity::Damage, header ? Structure::RgknHeader : Structure::KeyNode, link.owner,
        header                            ? FieldName(RgknHeaderField::iRec1stOfs)
        : link.field == Field::FirstChild ? FieldName(KeyNodeField::LwrOfs)
                                          : FieldName(KeyNodeField::NextOfs),
        HexI(link.target),
        why == hive::LinkCut::OutsideBlock ? NodeRange() + "; the link is cut and what it led to is skipped"
                                           : "a key node not yet read (the link loops back; cut here)");
    NameOwner(link.owner);
    return true;
  };
  hive::WalkKeyLinks(image_, out_.rgkn.iRec1stOfs, keyAreaEnd_, visited_, onNode, onCut);
}

std::int32_t Salvager::KeyAtNode(std::int32_t rel) const {
  // nodeKey_ is appended in walk order; lookups during the walk are rare (findings only),
  // after it the vector is sorted.
  if (nodeKeySorted_) {
    const auto it = std::lower_bound(nodeKey_.begin(), nodeKey_.end(), std::pair{rel, std::int32_t{-1}},
                                     [](const auto& a, const auto& c) { return a.first < c.first; });
    return it != nodeKey_.end() && it->first == rel ? it->second : kNoIndex;
  }
  for (auto it = nodeKey_.rbegin(); it != nodeKey_.rend(); ++it)
    if (it->first == rel) return it->second;
  return kNoIndex;
}

void Salvager::WalkFreeKeyNodes() {
  std::int32_t f = out_.rgkn.iERecOfs;
  std::int64_t owner = hive::kKeyNodeBlockStart;
  Structure ownerStructure = Structure::RgknHeader;
  std::string_view field = FieldName(RgknHeaderField::iERecOfs);
  if (f == 0) {
    Add(Severity::Warning, Structure::RgknHeader, hive::kKeyNodeBlockStart, field, HexI(0),
        "0xFFFFFFFF for an empty free key-node list (read as empty)");
    return;
  }
  std::vector<bool> seen(visited_.size(), false);
  while (f != kNoOffset) {
    if (!NodeInBlock(f, static_cast<std::int64_t>(FreeKeyNode::kSize))) {
      Add(Severity::Damage, ownerStructure, owner, field, HexI(f),
          "0xFFFFFFFF or a free area inside the key-node block; the list is cut here");
      return;
    }
    if (seen[Slot(f)]) {
      Add(Severity::Damage, ownerStructure, owner, field, HexI(f),
          "a free area not yet on the list (the list loops back; cut here)");
      return;
    }
    seen[Slot(f)] = true;
    const std::int64_t at = hive::kKeyNodeBlockStart + f;
    const FreeKeyNode node = DecodeAt<FreeKeyNode>(at);
    std::int64_t size = node.Size;
    if (size < static_cast<std::int64_t>(FreeKeyNode::kSize) || at + size > keyAreaEnd_) {
      Add(Severity::Damage, Structure::FreeKeyNode, at, FieldName(FreeKeyNodeField::Size), HexI(node.Size),
          "between 12 and " + HexI(keyAreaEnd_ - at) + " (the key-node block's end)");
      size = std::clamp<std::int64_t>(size, static_cast<std::int64_t>(FreeKeyNode::kSize), keyAreaEnd_ - at);
    }
    freeAreas_.emplace_back(f, f + size);
    owner = at;
    ownerStructure = Structure::FreeKeyNode;
    field = FieldName(FreeKeyNodeField::NextOfs);
    f = node.NextOfs;
  }
}

// Sweeps the key-node block: reachable nodes and free areas must not overlap, and what lies
// between them is either a lost key node (taken in), a dead gap too small for a node, or
// bytes nothing accounts for.
void Salvager::ScanKeyNodeArea() {
  struct Span {
    std::int64_t begin, end;
    bool free;
  };
  std::vector<Span> spans;
  spans.reserve(nodeKey_.size() + freeAreas_.size());
  for (const auto& [rel, k] : nodeKey_) spans.push_back({rel, rel + static_cast<std::int64_t>(KeyNode::kSize), false});
  for (const auto& [b, e] : freeAreas_) spans.push_back({b, e, true});
  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& c) { return a.begin < c.begin; });
  std::sort(nodeKey_.begin(), nodeKey_.end());
  nodeKeySorted_ = true;

  std::vector<std::pair<std::int64_t, std::int64_t>> gaps;
  std::int64_t covered = hive::kFirstKeyNode;
  const Span* coveringSpan = nullptr;
  for (const Span& s : spans) {
    if (s.begin < covered && coveringSpan != nullptr) {
      const std::int64_t at = hive::kKeyNodeBlockStart + s.begin;
      const std::string other = std::string(coveringSpan->free ? "the free area at " : "the key node at ") +
                                HexI(hive::kKeyNodeBlockStart + coveringSpan->begin);
      if (s.free) {
        Add(Severity::Damage, Structure::FreeKeyNode, at, "position", HexI(s.begin), "clear of " + other);
      } else {
        const std::int32_t k = KeyAtNode(static_cast<std::int32_t>(s.begin));
        AddForKey(Severity::Damage, Structure::KeyNode, at, static_cast<std::size_t>(k), "position", HexI(s.begin),
                  "clear of " + other + " (a node of its own)");
      }
    } else if (s.begin > covered) {
      gaps.emplace_back(covered, s.begin);
    }
    if (s.end > covered) {
      covered = s.end;
      coveringSpan = &s;
    }
  }
  const std::int64_t areaEnd = keyAreaEnd_ - hive::kKeyNodeBlockStart;
  if (areaEnd > covered) gaps.emplace_back(covered, areaEnd);

  std::uint64_t deadCount = 0, deadBytes = 0;
  std::int64_t firstDead = -1;
  for (const auto& [g0, g1] : gaps) {
    std::int64_t unaccounted = g0;
    std::int64_t r = (g0 + 3) / 4 * 4;
    while (r + static_cast<std::int64_t>(KeyNode::kSize) <= g1) {
      if (TakeLostNode(static_cast<std::int32_t>(r))) {
        ReportUnaccounted(unaccounted, r, deadCount, deadBytes, firstDead);
        r += static_cast<std::int64_t>(KeyNode::kSize);
        unaccounted = r;
      } else {
        r += 4;
      }
    }
    ReportUnaccounted(unaccounted, g1, deadCount, deadBytes, firstDead);
  }
  if (deadCount > 0)
    Add(Severity::Note, Structure::KeyNode, hive::kKeyNodeBlockStart + firstDead, "dead gaps",
        Dec(deadCount) + " gap" + (deadCount == 1 ? "" : "s") + " of " + Dec(deadBytes) + " bytes in all",
        "(too small for a key node; real files leave them at 4 KiB page ends)");
}

void Salvager::ReportUnaccounted(std::int64_t from, std::int64_t to, std::uint64_t& deadCount, std::uint64_t& deadBytes,
                                 std::int64_t& firstDead) {
  if (to <= from) return;
  if (to - from < static_cast<std::int64_t>(KeyNode::kSize)) {
    ++deadCount;
    deadBytes += static_cast<std::uint64_t>(to - from);
    if (firstDead < 0) firstDead = from;
    return;
  }
  Add(Severity::Warning, Structure::KeyNode, hive::kKeyNodeBlockStart + from, "unaccounted bytes",
      Dec(static_cast<std::uint64_t>(to - from)), "key nodes or free areas (no key node found in them)");
}

// A key node in a gap that looks whole: links that are none or inside the block, and either
// a parent already known or a record that no key has claimed.
bool Salvager::TakeLostNode(std::int32_t rel) {
  const KeyNode n = DecodeAt<KeyNode>(hive::kKeyNodeBlockStart + rel);
  auto linkOk = [&](std::int32_t link) {
    return link == kNoOffset || NodeInBlock(link, static_cast<std::int64_t>(KeyNode::kSize));
  };
  if (!linkOk(n.UprOfs) || !linkOk(n.LwrOfs) || !linkOk(n.NextOfs)) return false;
  const std::int32_t parent = n.UprOfs == kNoOffset ? kNoIndex : KeyAtNode(n.UprOfs);
  std::int32_t record = kNoIndex;
  if (n.HasDataRecord() && n.BlkNo < out_.blocks.size()) record = FindRecord(n.BlkNo, n.RecNo);
  const bool unclaimed = record != kNoIndex && out_.records[static_cast<std::size_t>(record)].key == kNoIndex;
  bool evidence = false;
  if (unclaimed) {
    // A record nobody claims whose name gives the node's checksum: the two belong together.
    const Bytes name = UpToFirstZero(out_.records[static_cast<std::size_t>(record)].name);
    evidence =
        parent != kNoIndex || KeyNameChecksum(name, leadBytes_) == n.Chksum || KeyNameChecksumPlain(name) == n.Chksum;
  } else if (!n.HasDataRecord() && n.RecNo == kNoNumber && n.BlkNo == kNoNumber) {
    // No record: a known parent, or a top-level node whose first child names it as parent.
    evidence = parent != kNoIndex || (n.UprOfs == kNoOffset && n.LwrOfs != kNoOffset &&
                                      DecodeAt<KeyNode>(hive::kKeyNodeBlockStart + n.LwrOfs).UprOfs == rel);
  }
  if (!evidence) return false;
  const std::size_t k = AddKey(rel, n, parent, true);
  // Keep the lookup sorted: gaps are swept in ascending order.
  nodeKey_.insert(std::upper_bound(nodeKey_.begin(), nodeKey_.end(), std::pair{rel, std::int32_t{-1}}),
                  {rel, static_cast<std::int32_t>(k)});
  ChooseRecord(k);
  AddForKey(Severity::Damage, Structure::KeyNode, hive::kKeyNodeBlockStart + rel, k, "links to it", "none",
            "a link from its parent's " + std::string(FieldName(KeyNodeField::LwrOfs)) + " or a sibling's " +
                std::string(FieldName(KeyNodeField::NextOfs)) + " (lost node, read under " +
                std::string(FieldName(KeyNodeField::UprOfs)) + " " + HexI(n.UprOfs) + ")");
  return true;
}

}  // namespace quarvex::salvage
