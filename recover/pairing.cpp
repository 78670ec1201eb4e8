#include "recover/pairing.h"

#include <algorithm>
#include <climits>
#include <map>
#include <set>
#include <utility>

#include "hive/keyname.h"

namespace quarvex::recover::detail {

using namespace quarvex::hive;

namespace {

void Tie(Scene& scene, std::size_t c, std::size_t n, Link link) {
  scene.candidates[c].oldNode = static_cast<std::int32_t>(n);
  scene.candidates[c].link = link;
  scene.oldNodes[n].candidate = static_cast<std::int32_t>(c);
  scene.oldNodes[n].link = link;
}

void LinkByNumbers(Scene& scene) {
  std::vector<std::pair<std::uint64_t, std::int32_t>> byNumber;
  for (std::size_t i = 0; i < scene.oldNodes.size(); ++i)
    byNumber.emplace_back((std::uint64_t{scene.oldNodes[i].fields.BlkNo} << 16) | scene.oldNodes[i].fields.RecNo,
                          static_cast<std::int32_t>(i));
  std::sort(byNumber.begin(), byNumber.end());
  for (std::size_t c = 0; c < scene.candidates.size(); ++c) {
    Candidate& cand = scene.candidates[c];
    if (!cand.recNo || cand.lostKey != salvage::kNoIndex) continue;
    const std::uint64_t key = (std::uint64_t{cand.block} << 16) | *cand.recNo;
    std::vector<std::size_t> naming;
    for (auto it = std::lower_bound(byNumber.begin(), byNumber.end(), std::pair{key, std::int32_t{-1}});
         it != byNumber.end() && it->first == key; ++it)
      if (scene.oldNodes[static_cast<std::size_t>(it->second)].candidate < 0)
        naming.push_back(static_cast<std::size_t>(it->second));
    if (naming.empty()) continue;
    // Of several nodes naming the number, the one whose surviving checksum is the name's.
    std::size_t chosen = naming.front();
    if (naming.size() > 1) {
      const Bytes name = UpToFirstZero(cand.name);
      std::size_t fits = 0;
      for (const std::size_t n : naming) {
        const OldNode& node = scene.oldNodes[n];
        if (node.checksumSurvives && (KeyNameChecksum(name, scene.in.LeadBytes()) == node.fields.Chksum ||
                                      KeyNameChecksumPlain(name) == node.fields.Chksum)) {
          chosen = n;
          ++fits;
        }
      }
      if (fits != 1) {
        cand.doubtful = true;
        cand.pairingNotes.push_back(Dec(naming.size()) + " freed key nodes name block " + Dec(cand.block) + " record " +
                                    Dec(*cand.recNo) + ": several pairings are possible");
      }
    }
    Tie(scene, c, chosen, Link::Exact);
  }
}

// A record no node is tied to yet, that lost its numbers, and whose name reads: a deletion
// still to be explained, or an older copy (a look-alike: copyOf set, told apart below).
bool Unexplained(const Scene& scene, const Candidate& c) {
  return c.link == Link::None && c.numbersLost && !c.nameCut && scene.in.PrintableName(c.name) &&
         (c.source == Source::FreeRecord || c.source == Source::InFreeArea || c.source == Source::DeadGap);
}
bool LookAlike(const Candidate& c) { return c.copyOf != salvage::kNoIndex; }
// A copy of exactly one live key with the same values: taken as its older record when the
// counts do not say otherwise (a rewrite frees a record and no node).
bool PlainCopy(const Candidate& c) { return LookAlike(c) && c.copyIdentical && c.copyMatches == 1; }

bool TouchedSince(const Candidate& c, std::int32_t firstSplit) {
  if (c.absorbedSplit) return true;
  if (firstSplit == INT32_MAX) return false;
  return c.listPosition < 0 || firstSplit < c.listPosition;
}

void NoteTouched(Scene& scene, std::size_t c, std::int32_t firstSplit, bool allocatedSince) {
  Candidate& cand = scene.candidates[c];
  if (allocatedSince) {
    cand.doubtful = true;
    cand.pairingNotes.push_back(
        "a record of block " + Dec(cand.block) +
        " numbered above every freed node's was allocated "
        "in its free space after the deletions: the new key took a freed node, maybe this one's");
    return;
  }
  if (!TouchedSince(cand, firstSplit)) return;
  cand.doubtful = true;
  cand.pairingNotes.push_back(
      "space of block " + Dec(cand.block) +
      " was allocated since the record was freed (a split free area): the pairing may be stale");
}

// The candidates and old nodes of block b (indexes in ascending order).
struct BlockShare {
  std::vector<std::size_t> candidates;
  std::vector<std::size_t> nodes;
  std::int32_t firstSplit = INT32_MAX;
  bool allocatedSince = false;  // a split free area whose allocation came after the deletions
};

void LinkInBlock(Scene& scene, std::uint32_t b, const BlockShare& share) {
  // Elimination: one freed node of the block whose number no record in use holds, and one
  // record left to explain (or one once the plain copies are taken as copies).
  std::vector<std::size_t> all, sure;
  for (const std::size_t c : share.candidates) {
    const Candidate& cand = scene.candidates[c];
    if (!Unexplained(scene, cand)) continue;
    all.push_back(c);
    if (!PlainCopy(cand)) sure.push_back(c);
  }
  if (all.empty()) return;
  std::vector<std::size_t> nodes;
  for (const std::size_t i : share.nodes) {
    const OldNode& n = scene.oldNodes[i];
    if (n.candidate < 0 && !scene.NumberInUse(b, n.fields.RecNo)) nodes.push_back(i);
  }
  if (nodes.size() == 1 && (all.size() == 1 || sure.size() == 1)) {
    const std::size_t c = all.size() == 1 ? all[0] : sure[0];
    Tie(scene, c, nodes[0], Link::Elimination);
    NoteTouched(scene, c, share.firstSplit, share.allocatedSince);
    if (LookAlike(scene.candidates[c])) {  // it may as well be an older copy, with no node of its own
      scene.candidates[c].doubtful = true;
      scene.candidates[c].pairingNotes.push_back("it reads like an older copy of a live key as well");
    }
    return;
  }

  // Free-list order, from the heads. Nodes whose number a record in use holds again stay in
  // the node sequence (their records may still be on the list), but a pairing with one is
  // doubtful: the number was taken again since.
  std::vector<std::size_t> listedNodes;
  for (const std::size_t i : share.nodes) {
    const OldNode& n = scene.oldNodes[i];
    if (n.candidate < 0 && n.listPosition >= 0) listedNodes.push_back(i);
  }
  std::sort(listedNodes.begin(), listedNodes.end(), [&](std::size_t x, std::size_t y) {
    return scene.oldNodes[x].listPosition < scene.oldNodes[y].listPosition;
  });
  // The block's list as the deletions left it, up to the first entry that reads as no record
  // (a split free area). A merge takes the area behind a freed record off the list, but that
  // area's free view keeps its own link to the entry that followed it: put back in front of
  // that entry, it stands where it stood. One whose place cannot be told ends the reading.
  const std::int32_t firstSplit = share.firstSplit;
  std::map<std::int64_t, std::size_t> startsAt;
  for (const std::size_t c : share.candidates) startsAt.emplace(scene.candidates[c].at, c);
  const std::int64_t base = scene.hive.blocks[b].offset.value;
  std::vector<std::int64_t> order = b < scene.freeLists.size() ? scene.freeLists[b] : std::vector<std::int64_t>{};
  std::vector<std::int64_t> pending;
  for (const std::size_t c : share.candidates) {
    const Candidate& cand = scene.candidates[c];
    if (cand.absorbedFreeView && !cand.absorbedSplit) pending.push_back(cand.absorbedAt);
  }
  // A few rounds place areas merged into areas that were merged in turn; each look is paid for
  // from the work budget, so a list of thousands of entries cannot make this slow.
  for (std::size_t round = 0; !pending.empty() && round < 8; ++round) {
    std::vector<std::int64_t> still;
    for (const std::int64_t at : pending) {
      if (!scene.in.Spend(order.size() + 1)) {
        still.push_back(at);
        continue;
      }
      const std::int32_t next = scene.in.Read<hive::FreeDataRecordField::NextOfs>(at);
      const auto before = next == kNoOffset ? order.end() : std::find(order.begin(), order.end(), base + next);
      if (next != kNoOffset && before == order.end()) {
        still.push_back(at);
        continue;
      }
      order.insert(before, at);
    }
    if (still.size() == pending.size()) break;
    pending = std::move(still);
  }
  std::set<std::int64_t> unplacedFrom;  // records whose merged area found no place: the reading ends there
  for (const std::size_t c : share.candidates)
    if (std::find(pending.begin(), pending.end(), scene.candidates[c].absorbedAt) != pending.end() &&
        scene.candidates[c].absorbedAt >= 0)
      unplacedFrom.insert(scene.candidates[c].at);
  std::vector<std::size_t> listed;
  for (const std::int64_t at : order) {
    const auto it = startsAt.find(at);
    if (it == startsAt.end()) break;  // a split free area, or bytes that read as no record
    listed.push_back(it->second);
    if (unplacedFrom.count(at) > 0) break;
  }

  // The counts settle what one entry alone cannot. When the records to explain on the list are
  // exactly as many as the freed nodes naming the block, each of them was a deletion (the
  // look-alikes too), and a record a merge took off the list had no node. When they are as
  // many once the look-alikes are left out, the look-alikes are older copies. Otherwise plain
  // copies are taken as copies, and behind any other look-alike the places may have moved.
  std::size_t toExplain = 0, lookAlikes = 0;
  for (const std::size_t c : listed) {
    const Candidate& cand = scene.candidates[c];
    if (!Unexplained(scene, cand)) break;
    ++toExplain;
    if (LookAlike(cand)) ++lookAlikes;
  }
  const bool allDeletions = toExplain == listedNodes.size();
  const bool lookAlikesAreCopies = !allDeletions && lookAlikes > 0 && toExplain - lookAlikes == listedNodes.size();
  std::size_t k = 0;
  bool movedAhead = false;  // an entry ahead may or may not have had a node: the places behind may have moved
  for (const std::size_t c : listed) {
    Candidate& cand = scene.candidates[c];
    if (k >= listedNodes.size() || !Unexplained(scene, cand)) break;  // bytes that read as no deletion end the reading
    if (LookAlike(cand) && !allDeletions) {
      if (lookAlikesAreCopies || PlainCopy(cand)) continue;
      cand.pairingNotes.push_back("it reads like an older copy of a live key as well");
      cand.doubtful = true;
    }
    cand.orderRank = static_cast<std::int32_t>(k);
    const std::size_t n = listedNodes[k++];
    Tie(scene, c, n, Link::Order);
    if (scene.NumberInUse(b, scene.oldNodes[n].fields.RecNo)) {
      cand.doubtful = true;
      cand.pairingNotes.push_back("the node's record number " + Dec(scene.oldNodes[n].fields.RecNo) +
                                  " is held by a record in use again");
    }
    NoteTouched(scene, c, firstSplit, share.allocatedSince);
    if (movedAhead) {
      cand.doubtful = true;
      cand.pairingNotes.push_back(
          "a record ahead of it on the block's free list may be an older copy or a deletion: its "
          "place may have moved");
    }
    if (cand.doubtful && LookAlike(cand)) movedAhead = true;
  }
}

}  // namespace

void PairNodesAndRecords(Scene& scene, const LiveKeyIndex& live) {
  LinkByNumbers(scene);
  live.FindCopies(scene.candidates, scene.in);
  std::vector<BlockShare> shares(scene.hive.blocks.size());
  for (std::size_t c = 0; c < scene.candidates.size(); ++c)
    if (scene.candidates[c].block < shares.size()) shares[scene.candidates[c].block].candidates.push_back(c);
  for (std::size_t n = 0; n < scene.oldNodes.size(); ++n)
    if (scene.oldNodes[n].fields.BlkNo < shares.size()) shares[scene.oldNodes[n].fields.BlkNo].nodes.push_back(n);
  // Record numbers grow: a record that split a free area and is numbered above every number the
  // block's freed nodes name was allocated after those keys were made, and after their
  // deletions, when a new key took a node from the head of the key-node free list.
  std::vector<int> highestFreedNumber(shares.size(), -1);
  for (const OldNode& n : scene.oldNodes)
    if (n.fields.BlkNo < shares.size())
      highestFreedNumber[n.fields.BlkNo] = std::max<int>(highestFreedNumber[n.fields.BlkNo], n.fields.RecNo);
  for (const SplitTrace& s : scene.splits) {
    if (s.block >= shares.size()) continue;
    shares[s.block].firstSplit = std::min(shares[s.block].firstSplit, s.listPosition);
    if (s.allocated && *s.allocated > highestFreedNumber[s.block]) shares[s.block].allocatedSince = true;
  }
  for (std::uint32_t b = 0; b < shares.size(); ++b) LinkInBlock(scene, b, shares[b]);
  // What no node took and looks like exactly one live key is that key's older copy.
  for (Candidate& c : scene.candidates)
    if (c.link == Link::None && c.lostKey == salvage::kNoIndex && LookAlike(c) && c.copyMatches == 1)
      c.link = Link::LiveCopy;
}

}  // namespace quarvex::recover::detail
