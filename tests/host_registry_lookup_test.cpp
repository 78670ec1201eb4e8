// The key-path look-up in a system.dat: keys found by path whatever their letter case, values
// with their types, and damaged files (loops, truncation, lengths past the end) that end every
// walk inside the file.
#include <gtest/gtest.h>

#include <random>

#include "host/registry_lookup.h"
#include "tests/support/test_support.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

struct SystemDatFixture {
  BuiltHive hive;
  int software, microsoft, explorer, enumKey, machine, network;
};

SystemDatFixture SystemDat() {
  HiveBuilder b;
  SystemDatFixture f{};
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  b.AddKey(root, "Config");
  f.enumKey = b.AddKey(root, "Enum");
  const int rootEnum = b.AddKey(f.enumKey, "Root");
  const int pnp = b.AddKey(rootEnum, "*PNP0C01");
  f.machine = b.AddKey(pnp, "0000",
                       {Text("SetupMachineType", "IBM PC/AT"), Text("ComputerName", "RETRO"), Dword("Flags", 0x10)});
  f.network = b.AddKey(root, "Network");
  f.software = b.AddKey(root, "Software");
  f.microsoft = b.AddKey(f.software, "Microsoft");
  f.explorer = b.AddKey(f.microsoft, "Internet Explorer",
                        {Text("Version", "5.50.4134.0100"), Binary("Path", std::string("%windir%\\x\0", 11), 2)});
  f.hive = b.Build();
  return f;
}

HiveImage Image(const BuiltHive& hive) { return HiveImage(hive.bytes); }

std::vector<std::string> Names(const std::vector<RegistryFileValue>& values) {
  std::vector<std::string> names;
  for (const auto& v : values) names.push_back(v.name);
  return names;
}

TEST(RegistryLookup, FindsKeysByPathWhateverTheirLetterCase) {
  RegistryFile file(Image(SystemDat().hive));
  ASSERT_TRUE(file.Usable()) << file.Problem();
  const auto values = file.KeyValues("software\\MICROSOFT\\internet explorer");
  ASSERT_TRUE(values);
  ASSERT_EQ(values->size(), 2u);
  EXPECT_EQ((*values)[0].name, "Version");
  EXPECT_EQ((*values)[0].type, 1u);
  EXPECT_EQ((*values)[0].data, std::string("5.50.4134.0100\0", 15));
  EXPECT_EQ((*values)[1].type, 2u);
  EXPECT_EQ((*values)[1].data, std::string("%windir%\\x\0", 11));
}

TEST(RegistryLookup, ValuesInStoredOrderWithTheirTypes) {
  RegistryFile file(Image(SystemDat().hive));
  const auto values = file.KeyValues("Enum\\Root\\*PNP0C01\\0000");
  ASSERT_TRUE(values);
  EXPECT_EQ(Names(*values), (std::vector<std::string>{"SetupMachineType", "ComputerName", "Flags"}));
  EXPECT_EQ((*values)[2].type, 4u);
  EXPECT_EQ((*values)[2].data, std::string("\x10\0\0\0", 4));
}

TEST(RegistryLookup, MissingKeysGiveNothingAndExtraSeparatorsAreIgnored) {
  RegistryFile file(Image(SystemDat().hive));
  EXPECT_FALSE(file.KeyValues("Software\\Missing"));
  EXPECT_FALSE(file.KeyValues("Enum\\Root\\*PNP0C01\\0001"));
  EXPECT_FALSE(file.KeyValues("Enum\\Root\\*PNP0C0"));
  EXPECT_TRUE(file.KeyValues("\\Software\\\\Microsoft\\Internet Explorer\\"));
  const auto root = file.KeyValues("");
  ASSERT_TRUE(root);
  EXPECT_TRUE(root->empty());
}

TEST(RegistryLookup, UnreadableFilesOpenNoKey) {
  TempDir dir;
  RegistryFile missing(dir.Path("nothing.dat").string());
  EXPECT_FALSE(missing.Usable());
  EXPECT_FALSE(missing.Problem().empty());
  EXPECT_FALSE(missing.KeyValues("Software"));

  BuiltHive notCreg = SystemDat().hive;
  notCreg.bytes[0] = 'X';
  EXPECT_FALSE(RegistryFile(Image(notCreg)).Usable());

  BuiltHive noRgdb = SystemDat().hive;
  noRgdb.bytes[static_cast<std::size_t>(noRgdb.block[0])] = 'X';
  RegistryFile broken(Image(noRgdb));
  EXPECT_FALSE(broken.Usable());
  EXPECT_FALSE(broken.KeyValues("Software"));
}

TEST(RegistryLookup, SiblingLoopEndsTheSearch) {
  SystemDatFixture f = SystemDat();
  // The last top-level key links back to the first one.
  f.hive.PutU32(f.hive.KeyNodeFileOffset(f.software) + 20, static_cast<std::uint32_t>(f.hive.keyNode[1]));
  RegistryFile file(Image(f.hive));
  EXPECT_FALSE(file.KeyValues("NoSuchKey\\Below"));
  EXPECT_TRUE(file.KeyValues("Software\\Microsoft"));
}

TEST(RegistryLookup, KeyThatIsItsOwnChildEndsTheSearch) {
  SystemDatFixture f = SystemDat();
  f.hive.PutU32(f.hive.KeyNodeFileOffset(f.microsoft) + 16, static_cast<std::uint32_t>(f.hive.keyNode[f.microsoft]));
  RegistryFile file(Image(f.hive));
  EXPECT_FALSE(file.KeyValues("Software\\Microsoft\\Internet Explorer"));
  EXPECT_TRUE(file.KeyValues("Software\\Microsoft\\Microsoft"));
}

TEST(RegistryLookup, ValueCountPastTheRecordEndsAtTheFile) {
  SystemDatFixture f = SystemDat();
  f.hive.PutU16(f.hive.keyRecord[f.machine] + 14, 0xFFFF);  // DatN
  RegistryFile file(Image(f.hive));
  const auto values = file.KeyValues("Enum\\Root\\*PNP0C01\\0000");
  ASSERT_TRUE(values);
  ASSERT_GE(values->size(), 3u);
  EXPECT_EQ((*values)[1].data, std::string("RETRO\0", 6));
}

TEST(RegistryLookup, ValueNameLengthPastTheEndGivesNoValues) {
  SystemDatFixture f = SystemDat();
  const std::int64_t firstValue = f.hive.keyRecord[f.machine] + 20 + 4;  // after the name "0000"
  f.hive.PutU16(firstValue + 8, 0xFFFF);                                 // NL
  RegistryFile file(Image(f.hive));
  const auto values = file.KeyValues("Enum\\Root\\*PNP0C01\\0000");
  ASSERT_TRUE(values);
  EXPECT_TRUE(values->empty());
}

// Every prefix of the file: a key is either missing or has a prefix of its values.
TEST(RegistryLookup, EveryTruncationStaysInsideTheFile) {
  const BuiltHive whole = SystemDat().hive;
  RegistryFile full(Image(whole));
  const auto all = full.KeyValues("Enum\\Root\\*PNP0C01\\0000");
  ASSERT_TRUE(all);
  for (std::size_t n = 0; n < whole.bytes.size(); ++n) {
    std::vector<std::uint8_t> cut(whole.bytes.begin(), whole.bytes.begin() + static_cast<std::ptrdiff_t>(n));
    RegistryFile file((HiveImage(std::move(cut))));
    const auto values = file.KeyValues("Enum\\Root\\*PNP0C01\\0000");
    if (!values) continue;
    ASSERT_LE(values->size(), all->size()) << n;
    for (std::size_t i = 0; i < values->size(); ++i) EXPECT_EQ((*values)[i].data, (*all)[i].data) << n;
  }
}

TEST(RegistryLookup, RandomlyDamagedFilesEveryLookupEnds) {
  const BuiltHive whole = SystemDat().hive;
  std::mt19937 random(11);
  for (int round = 0; round < 1500; ++round) {
    std::vector<std::uint8_t> bytes = whole.bytes;
    for (int flips = 1 + static_cast<int>(random() % 6); flips > 0; --flips)
      bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
    RegistryFile file((HiveImage(std::move(bytes))));
    file.KeyValues("Software\\Microsoft\\Internet Explorer");
    file.KeyValues("Enum\\Root\\*PNP0C01\\0000");
  }
}

}  // namespace
}  // namespace quarvex::testing
