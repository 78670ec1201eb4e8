// Bad input never crashes or hangs a job: random bytes, fixtures with one field changed,
// and the real user.dat with one byte changed. Every job must end, with a code or a report.
// (CI runs these again under AddressSanitizer and UndefinedBehaviorSanitizer.)
#include <gtest/gtest.h>

#include <random>

#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

AnalysisOptions Everything() {
  AnalysisOptions o = AnalysisOptions::Initial();
  o.SelectAll();
  return o;
}

// Any ending is fine, as long as it is one: a completed job or a failure code.
void ExpectJobEnded(const JobRun& run, const std::string& what) {
  if (run.Code() == code::kOk)
    EXPECT_EQ(run.events.status, "The report has been made.") << what;
  else
    EXPECT_EQ(run.events.status, FailureText(run.Code())) << what;
}

TEST(Robustness, RandomBytes) {
  std::mt19937 random(20261207);
  for (int i = 0; i < 200; ++i) {
    std::string bytes(random() % 4096, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    if (i % 2 == 0 && bytes.size() >= 36) bytes.replace(0, 4, "CREG"), bytes.replace(32, 4, "RGKN");
    ExpectJobEnded(*RunJob(bytes, Everything()), "random " + std::to_string(i));
  }
}

// A sound hive with one 16- or 32-bit field overwritten by an unlucky value.
TEST(Robustness, FixtureWithOneFieldChanged) {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  int parent = root;
  for (int i = 0; i < 12; ++i) {
    const int k = b.AddKey(
        parent, "key" + std::to_string(i),
        {Text("", "default"), Dword("n", 7), Binary("b", std::string(30, 'x')), Text("long", std::string(100, 'y'))});
    if (i % 3 == 0) parent = k;
    if (i % 4 == 1) b.PlaceInBlock(k, 1);
  }
  b.AddFreeRecord(0, 40);
  b.AddFreeRecord(1, 60);
  b.AddFreeKeyNode(40);
  b.AddFreeKeyNode(28);
  const BuiltHive sound = b.Build();
  const std::uint32_t unlucky[] = {0, 1, 0xFFFFFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFF, 32, 52, 12};
  std::mt19937 random(7);
  for (int i = 0; i < 400; ++i) {
    BuiltHive h = sound;
    const std::int64_t at = random() % (h.bytes.size() - 4);
    const std::uint32_t value = unlucky[random() % std::size(unlucky)];
    if (random() % 2)
      h.PutU32(at, value);
    else
      h.PutU16(at, static_cast<std::uint16_t>(value));
    ExpectJobEnded(*RunJob(h, Everything()), "offset " + std::to_string(at) + " value " + std::to_string(value));
  }
}

// The real file with one byte changed at a time, in the headers, the key-node block and the
// first records: other readers of the format hang on such files.
TEST(Robustness, RealUserDatWithOneByteChanged) {
  const auto real = RealUserDat();
  if (!real) GTEST_SKIP() << "no real hive here";
  std::mt19937 random(42);
  for (int i = 0; i < 150; ++i) {
    std::string bytes = *real;
    const std::size_t at = i < 64 ? static_cast<std::size_t>(i) : random() % 0x6100;
    bytes[at] = static_cast<char>(bytes[at] ^ (1 << (random() % 8)));
    AnalysisOptions o = Everything();
    o.Set(Option::RecordsInUse, i % 10 == 0);  // the full record listing on some only: it is long
    ExpectJobEnded(*RunJob(bytes, o), "byte " + std::to_string(at));
  }
}

}  // namespace
}  // namespace quarvex::testing
