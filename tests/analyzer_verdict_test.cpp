// Verdicts on stored key-name checksums: good, bad, ghost, and keys that get none.
#include <gtest/gtest.h>

#include "analyzer/key_verdict.h"
#include "hive/keyname.h"
#include "tests/analyzer_fixtures.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

Bytes AsBytes(const std::string& s) { return Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); }

struct VerdictCase {
  const char* what;
  std::string name;
  std::uint32_t stored;
  Verdict expected;
};

TEST(AnalyzerVerdict, JudgesTheStoredSumAgainstBothSums) {
  const LeadByteSet cp932 = LeadByteSet::For(CodePage::Cp932);
  const VerdictCase cases[] = {
      {"plain name, right sum", "abc", 0xC6, Verdict::Good},
      {"plain name, upper-case sum of mixed case", "Ab1", 0xB4, Verdict::Good},
      {"double-byte name, stored the double-byte sum", "\x82\xA0", 0x22, Verdict::Bad},
      {"double-byte name, stored the plain sum", "\x82\xA0", 0x00, Verdict::Ghost},
      {"trail byte a-z, stored the double-byte sum", "\x82\x61", 0xE3, Verdict::Bad},
      {"trail byte a-z, stored the plain sum", "\x82\x61", 0x41, Verdict::Ghost},
      {"half-width katakana: both sums agree", "A\xB1", 0x41, Verdict::Good},
      {"empty name, zero sum", "", 0, Verdict::Good},
      {"empty name, non-zero sum", "", 1, Verdict::Ghost},
      {"sum compared in full 32 bits", "abc", 0x100000C6, Verdict::Ghost},
      {"only the part before a zero byte counts", std::string("ab\0cd", 5), 0x83, Verdict::Good},
  };
  for (const VerdictCase& c : cases) EXPECT_EQ(JudgeKeyName(AsBytes(c.name), c.stored, cp932), c.expected) << c.what;
}

TEST(AnalyzerVerdict, ASingleByteHostSeesNoDoubleByteCharacters) {
  // 0x82 0xA0 sums to 0x122 there, and the plain sum (0) still disagrees: Bad.
  EXPECT_EQ(JudgeKeyName(AsBytes("\x82\xA0"), 0x122, LeadByteSet()), Verdict::Bad);
  EXPECT_EQ(JudgeKeyName(AsBytes("\x82\xA0"), 0x22, LeadByteSet()), Verdict::Ghost);
}

// The same rules through a whole job: counts, the pie, and the keys listed in walk order.
TEST(AnalyzerVerdict, JobCountsAndListsFlaggedKeysInWalkOrder) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "ROOT");
  b.AddKey(root, "Plain");
  const int bad = b.AddKey(root, "\x82\xA0Kanji");         // stored: the double-byte sum
  const int ghostPlain = b.AddKey(root, "\x82\xA0Other");  // stored: the plain sum
  const int ghost = b.AddKey(bad, "Child");                // stored: nonsense
  const int noRecord = b.AddKey(root, "NoRecord");
  const std::string other = "\x82\xA0Other";
  b.SetChecksum(ghostPlain, KeyNameChecksumPlain(AsBytes(other)));
  b.SetChecksum(ghost, 0x12345);
  b.SetNoRecord(noRecord);
  b.SetChecksum(noRecord, 0x999);  // no record, so no verdict however wrong
  const BuiltHive hive = b.Build();
  auto run = RunJob(hive);
  ASSERT_EQ(run->Code(), 0);
  const AnalysisResult& s = *run->result.analysis;
  EXPECT_EQ(s.goodCount, 2);  // ROOT and Plain
  EXPECT_EQ(s.badCount, 1);
  EXPECT_EQ(s.ghostCount, 2);
  ASSERT_EQ(s.badKeys.size(), 1u);
  EXPECT_EQ(s.badKeys[0].node.value, hive.keyNode[static_cast<std::size_t>(bad)]);
  // Walk order: the bad key's child comes before the bad key's next sibling.
  ASSERT_EQ(s.ghostKeys.size(), 2u);
  EXPECT_EQ(s.ghostKeys[0].node.value, hive.keyNode[static_cast<std::size_t>(ghost)]);
  EXPECT_EQ(s.ghostKeys[1].node.value, hive.keyNode[static_cast<std::size_t>(ghostPlain)]);
  EXPECT_EQ(Values(run->Series()[SeriesId::KeyVerdicts]), (std::vector<double>{2, 1, 2}));
  // One record-size point per key with a record: five of the six keys.
  EXPECT_EQ(run->Series()[SeriesId::KeyRecordSizes].Count(), 5u);
}

// A key whose record numbers are not in the index has no record: no verdict, no point, and
// the lookup's "no such record" does not fail the job.
TEST(AnalyzerVerdict, KeyWhoseRecordIsNotIndexedGetsNoVerdict) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "ROOT");
  const int lost = b.AddKey(root, "Lost");
  BuiltHive hive = b.Build();
  hive.PutU16(hive.KeyNodeFileOffset(lost) + 24, 77);  // Rec# that no record has
  auto run = RunJob(hive);
  ASSERT_EQ(run->Code(), 0);
  const AnalysisResult& s = *run->result.analysis;
  EXPECT_EQ(s.goodCount + s.badCount + s.ghostCount, 1);
  EXPECT_EQ(s.keyNodeBlock.Using, 2 * 28);
  EXPECT_EQ(run->Series()[SeriesId::KeyRecordSizes].Count(), 1u);
}

}  // namespace
}  // namespace quarvex::testing
