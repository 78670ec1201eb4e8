#include "recover/judge.h"

#include <algorithm>

#include "hive/finding.h"
#include "hive/keyname.h"

namespace quarvex::recover::detail {

using namespace quarvex::hive;

namespace {

bool Placing(Link l) { return l == Link::Exact || l == Link::Elimination || l == Link::Order; }

struct PathWalk {
  std::string path;
  bool parentKnown = false;
  bool guessed = false;                         // a link on the way is doubtful or not placing
  bool named = true;                            // every old node on the way has a name
  std::int32_t liveParent = salvage::kNoIndex;  // the live key the walk reached (kNoIndex: the top)
  bool direct = false;                          // the key's own node names that live key (no deleted key between)
};

// Follows UprOfs from a node up to a live key; the names of old nodes on the way come from
// the records tied to them. Bounded by the number of old nodes, and stops at a repeat.
PathWalk BuildPath(const Scene& scene, const Candidate& c, const KeyNode& fields) {
  PathWalk w;
  std::vector<std::string> segments{NameText(c.name)};
  w.guessed = c.doubtful || (c.lostKey == salvage::kNoIndex && !Placing(c.link));
  KeyNodeOffset cur(fields.UprOfs);
  std::string prefix;
  std::vector<KeyNodeOffset> seen;
  for (std::size_t steps = 0;; ++steps) {
    if (cur.IsNone()) {
      w.parentKnown = true;
      w.direct = steps == 0;
      break;
    }
    if (const std::int32_t live = scene.LiveKeyAt(cur); live != salvage::kNoIndex) {
      prefix = scene.hive.KeyPathBytes(static_cast<std::size_t>(live));
      if (salvage::IsUnnamedRoot(scene.hive.keys[static_cast<std::size_t>(live)])) prefix.clear();
      w.liveParent = live;
      w.parentKnown = true;
      w.direct = steps == 0;
      break;
    }
    const std::int32_t old = scene.OldNodeAt(cur);
    if (old < 0 || steps > scene.oldNodes.size() || std::find(seen.begin(), seen.end(), cur) != seen.end()) {
      prefix = "(unknown parent)";
      break;
    }
    seen.push_back(cur);
    const OldNode& n = scene.oldNodes[static_cast<std::size_t>(old)];
    if (n.candidate >= 0) {
      const Candidate& above = scene.candidates[static_cast<std::size_t>(n.candidate)];
      segments.push_back(NameText(above.name));
      if (!Placing(n.link) || above.doubtful) w.guessed = true;
    } else {
      segments.push_back("{deleted key node " + HexI(hive::kKeyNodeBlockStart + n.rel) + "}");
      w.named = false;
    }
    cur = KeyNodeOffset(n.fields.UprOfs);
  }
  w.path = prefix;
  for (auto it = segments.rbegin(); it != segments.rend(); ++it) {
    if (!w.path.empty()) w.path += '\\';
    w.path += *it;
  }
  return w;
}

std::string Ordinal(std::int64_t n) {
  const std::int64_t tens = n % 100;
  const char* suffix = (tens >= 11 && tens <= 13) ? "th"
                       : n % 10 == 1              ? "st"
                       : n % 10 == 2              ? "nd"
                       : n % 10 == 3              ? "rd"
                                                  : "th";
  return Dec(static_cast<std::uint64_t>(n)) + suffix;
}

std::string ChangeList(const LiveCounterpart& lc) {
  std::string s;
  for (const ValueChange& change : lc.changed) {
    if (!s.empty()) s += ", ";
    s += "\"" + change.name + "\" " + std::string(ValueChangeName(change.kind));
  }
  return s;
}

}  // namespace

RecoveredKey Judge(const Scene& scene, const LiveKeyIndex& live, std::size_t ci) {
  const Candidate& c = scene.candidates[ci];
  const salvage::SalvagedHive& hive = scene.hive;
  RecoveredKey k;
  k.offset = FileOffset(c.at);
  k.block = c.block;
  k.recordNumber = c.recNo;
  k.source = c.source;
  k.name = c.name;
  k.values = c.values;
  k.valuesAnnounced = c.datN;
  k.link = c.link;
  k.partial = !c.whole;
  std::vector<std::string>& why = k.reasons;

  switch (c.source) {
    case Source::FreeRecord:
      why.push_back("found at the start of a free record of data block " + Dec(c.block));
      break;
    case Source::InFreeArea:
      why.push_back("found inside a free area of data block " + Dec(c.block));
      break;
    case Source::DeadGap:
      why.push_back("found in dead gap of data block " + Dec(c.block));
      break;
    case Source::OrphanRecord:
      why.push_back("a record in use that no key node refers to (orphan)");
      break;
    case Source::LostKey:
      why.push_back("the record of a key node that no link reaches (lost key)");
      break;
  }

  // The values.
  const bool chainExact = c.whole && c.typesKnown && c.sizesFit &&
                          (c.numbersLost ? c.chainEnd <= c.claimedEnd : c.chainEnd == c.claimedEnd);
  if (chainExact) {
    why.push_back(c.datN == 0 ? "no values; the name ends the record exactly"
                              : "values chain exactly to the record's end (" + Dec(c.datN) + " of " + Dec(c.datN) +
                                    ", known types, sizes that fit)");
  } else if (c.whole) {
    if (!c.typesKnown) why.push_back("a value of unknown type");
    if (!c.sizesFit) why.push_back("a DWORD value whose length is not 4");
    if (c.typesKnown && c.sizesFit)
      why.push_back("values do not end where the record's size says (" + HexI(c.chainEnd - c.at) + " of " +
                    HexI(c.claimedEnd - c.at) + " bytes)");
  } else {
    std::size_t whole = 0;
    for (const RecoveredValue& v : c.values) whole += v.partial ? 0 : 1;
    why.push_back("overwritten from " + HexI(c.cutAt) + ": " + Dec(whole) + " of " + Dec(c.datN) + " values whole" +
                  (c.nameCut ? ", the name cut" : ""));
  }

  // The name.
  const bool printable = !c.nameCut && scene.in.PrintableName(c.name);
  why.push_back(printable ? "name printable, no path separator" : "name not printable in the code page");

  // The key node, and the evidence that tied it.
  bool checksum = false;
  const KeyNode* fields = nullptr;
  const Bytes bareName = UpToFirstZero(c.name);
  auto sumFits = [&](std::uint32_t stored) {
    return KeyNameChecksum(bareName, scene.in.LeadBytes()) == stored || KeyNameChecksumPlain(bareName) == stored;
  };
  if (c.lostKey != salvage::kNoIndex) {
    const salvage::SalvagedKey& key = hive.keys[static_cast<std::size_t>(c.lostKey)];
    fields = &key.fields;
    k.node = key.node;
    checksum = sumFits(key.fields.Chksum);
    why.push_back("its key node " + HexI(key.node.InFile().value) + " names block " + Dec(key.fields.BlkNo) +
                  " record " + Dec(key.fields.RecNo));
    why.push_back(checksum ? "the node's checksum " + Hex32(key.fields.Chksum) + " equals the name's"
                           : "the node's checksum " + Hex32(key.fields.Chksum) + " is not the name's");
  } else if (c.oldNode >= 0) {
    const OldNode& n = scene.oldNodes[static_cast<std::size_t>(c.oldNode)];
    fields = &n.fields;
    k.node = KeyNodeOffset(n.rel);
    const std::string node = "freed key node " + HexI(hive::kKeyNodeBlockStart + n.rel) + " (block " +
                             Dec(n.fields.BlkNo) + ", record " + Dec(n.fields.RecNo) + ")";
    if (c.link == Link::Exact)
      why.push_back("placed by its record numbers: " + node +
                    " names the block and record number the record still carries");
    else if (c.link == Link::Elimination)
      why.push_back(
          "placed by elimination: " + node +
          " is the only freed node of the block whose record number no record in use holds, and this the only "
          "record of the block left unexplained");
    else
      why.push_back("placed by free-list order: " + node + " is the " + Ordinal(c.orderRank + 1) +
                    " freed node naming block " + Dec(c.block) + " from the head of the key-node free list, this the " +
                    Ordinal(c.orderRank + 1) + " unexplained record from the head of the block's free list");
    if (n.checksumSurvives) {
      checksum = sumFits(n.fields.Chksum);
      if (checksum) why.push_back("the node's surviving checksum " + Hex32(n.fields.Chksum) + " equals the name's");
    }
  } else if (c.link != Link::LiveCopy) {
    why.push_back("no key node names the record");
  }
  for (const std::string& note : c.pairingNotes) why.push_back(note);

  PathWalk walk;
  if (fields != nullptr) {
    walk = BuildPath(scene, c, *fields);
    k.path = walk.path;
    k.parentKnown = walk.parentKnown;
    k.pathGuessed = walk.guessed;
    why.push_back(walk.parentKnown ? "its parent links lead to a live key" : "its parent links lead to no live key");
    if (!walk.named) why.push_back("a deleted key on its path has no record left");
    if (walk.guessed) why.push_back("a link on the path is in doubt");
  } else if (c.link == Link::LiveCopy) {
    k.olderCopy = true;
    const std::string livePath = hive.KeyPathBytes(static_cast<std::size_t>(c.copyOf));
    k.path = livePath;
    k.parentKnown = true;
    why.push_back(c.copyIdentical
                      ? "an older copy of the live key " + livePath + ": the same name and values"
                      : "an older copy of the live key " + livePath + ": the same name and an older set of its values");
  } else {
    k.path = "(unknown parent)\\" + NameText(c.name);
    if (c.copyMatches > 1)
      why.push_back("the same name and values as " + Dec(c.copyMatches) +
                    " live keys: an older copy of one of them, or a deletion of one more");
  }

  // Its live counterpart: the live key at its path, else the live key it is a copy of.
  if (k.parentKnown && walk.direct && !walk.guessed && !k.olderCopy && !c.nameCut) {
    if (const std::int32_t at = live.KeyUnder(walk.liveParent, c.name); at != salvage::kNoIndex) {
      k.liveCounterpart = live.Compare(at, c.values);
      why.push_back("a live key has this path now" +
                    std::string(k.liveCounterpart->identical ? ", with the same values" : ""));
    }
  }
  // Its name against its place: a key of that name under a key named as its parent elsewhere
  // supports the path; it never places a key nor raises its confidence.
  if (k.parentKnown && walk.direct && !k.olderCopy && !c.nameCut && !k.liveCounterpart) {
    const std::vector<std::int32_t> namesakes = live.NamesakesUnderNamesakes(walk.liveParent, c.name);
    if (!namesakes.empty())
      why.push_back("its name fits its parent (support only): " +
                    (namesakes.size() == 1
                         ? "the live key " + hive.KeyPathBytes(static_cast<std::size_t>(namesakes.front())) + " has"
                         : Dec(namesakes.size()) + " live keys (" +
                               hive.KeyPathBytes(static_cast<std::size_t>(namesakes.front())) + " ...) have") +
                    " this name under a key named as its parent");
  }
  if (!k.liveCounterpart && c.copyOf != salvage::kNoIndex && c.copyMatches == 1)
    k.liveCounterpart = live.Compare(c.copyOf, c.values);
  if (k.liveCounterpart && !k.liveCounterpart->identical)
    why.push_back("against the live key: " + ChangeList(*k.liveCounterpart));

  // The confidence of the key with its path: high only when both are known.
  const bool placed = Placing(c.link) && !c.doubtful && k.parentKnown && !k.pathGuessed && walk.named;
  const bool lostWithSum = c.lostKey != salvage::kNoIndex && checksum && k.parentKnown && !k.pathGuessed;
  if (chainExact && printable && (placed || lostWithSum || (checksum && k.parentKnown && !k.pathGuessed && walk.named)))
    k.confidence = Confidence::High;
  else if (printable && (chainExact || c.link != Link::None || checksum))
    k.confidence = Confidence::Medium;
  else
    k.confidence = Confidence::Low;
  return k;
}

}  // namespace quarvex::recover::detail
