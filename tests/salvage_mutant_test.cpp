// Mutants of the real Windows Me user.dat (tests/data): one field changed, a few bytes changed,
// the file cut short. Whatever a mutant loses of what the sound file gives (keys read from a
// record of their own, so with their name, and values read whole) must be damage, so that
// `check` exits 4: no such mutant may be called healthy. The set is fixed and a few hundred
// strong: every field kind of every structure, the record links of key nodes spread over the
// file, byte runs at places spread over it, and cuts.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hive/finding.h"
#include "salvage/check_text.h"
#include "salvage/salvage.h"

#include "tests/support/test_support.h"

namespace quarvex::salvage {
namespace {

using quarvex::testing::CountReadable;
using quarvex::testing::Readable;

using Image = std::vector<std::uint8_t>;

Image RealUserDat() {
  std::ifstream in(std::string(QUARVEX_TEST_DATA_DIR) + "/USER.DAT", std::ios::binary);
  return Image((std::istreambuf_iterator<char>(in)), {});
}

std::uint32_t Get(const Image& b, std::size_t at, int size) {
  std::uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = (v << 8) | b.at(at + static_cast<std::size_t>(i));
  return v;
}
void Put(Image& b, std::size_t at, int size, std::uint32_t v) {
  for (int i = 0; i < size; ++i) b.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(v >> (8 * i));
}
std::int32_t GetI32(const Image& b, std::size_t at) { return static_cast<std::int32_t>(Get(b, at, 4)); }

struct Field {
  std::size_t at;
  int size;
};

// Every field of every structure of the sound file, as fuzz/one_field_mutants.py lists them:
// the file header, the key-node block header, the key nodes the tree reaches, and per data block
// its header, its records' headers and their value entries. Also the key nodes' offsets.
void ListFields(const Image& hive, std::vector<Field>& fields, std::vector<std::size_t>& nodes) {
  auto add = [&](std::size_t base, std::initializer_list<std::pair<int, int>> layout) {
    for (const auto& [offset, size] : layout) fields.push_back({base + static_cast<std::size_t>(offset), size});
  };
  add(0, {{4, 2}, {6, 2}, {8, 4}, {12, 4}, {16, 2}, {18, 2}, {20, 2}, {22, 2}, {24, 4}, {28, 4}});
  add(32, {{4, 4}, {8, 4}, {12, 4}, {16, 4}, {20, 4}, {24, 4}, {28, 4}});
  std::vector<std::int32_t> todo{GetI32(hive, 40)};
  std::vector<bool> seen(hive.size(), false);
  while (!todo.empty()) {
    const std::int32_t rel = todo.back();
    todo.pop_back();
    if (rel <= 0 || 32 + static_cast<std::size_t>(rel) + 28 > hive.size() || seen[static_cast<std::size_t>(rel)])
      continue;
    seen[static_cast<std::size_t>(rel)] = true;
    const std::size_t node = 32 + static_cast<std::size_t>(rel);
    nodes.push_back(node);
    add(node, {{0, 4}, {4, 4}, {8, 4}, {12, 4}, {16, 4}, {20, 4}, {24, 2}, {26, 2}});
    todo.push_back(GetI32(hive, node + 16));
    todo.push_back(GetI32(hive, node + 20));
  }
  std::size_t block = Get(hive, 8, 4);
  for (std::uint32_t b = 0, count = Get(hive, 16, 2); b < count; ++b) {
    add(block, {{4, 4}, {8, 4}, {12, 4}, {16, 4}, {20, 2}, {22, 2}, {24, 4}, {28, 4}});
    const std::size_t end = block + Get(hive, block + 4, 4);
    for (std::size_t record = block + 32; record + 20 <= end;) {
      const std::int32_t next = GetI32(hive, record);
      add(record, {{0, 4}, {4, 2}, {6, 2}, {8, 4}, {12, 2}, {14, 2}, {16, 4}});
      if (Get(hive, record + 4, 2) != 0xFFFF) {
        std::size_t value = record + 20 + Get(hive, record + 12, 2);
        for (std::uint32_t v = 0, n = Get(hive, record + 14, 2);
             v < n && value + 12 <= record + static_cast<std::size_t>(next); ++v) {
          add(value, {{0, 2}, {2, 2}, {4, 4}, {8, 2}, {10, 2}});
          value += 12 + Get(hive, value + 8, 2) + Get(hive, value + 10, 2);
        }
      }
      if (next <= 0) break;
      record += static_cast<std::size_t>(next);
    }
    block = end;
  }
}

struct Mutant {
  std::string label;
  Image bytes;
};

std::string HexText(std::uint64_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(v));
  return text;
}

std::vector<Mutant> Mutants(const Image& sound) {
  std::vector<Field> fields;
  std::vector<std::size_t> nodes;
  ListFields(sound, fields, nodes);
  std::vector<Mutant> out;
  auto mutate = [&](std::string label, std::size_t at, int size, std::uint32_t value) {
    if (Get(sound, at, size) == value) return;
    Image m = sound;
    Put(m, at, size, value);
    out.push_back({std::move(label) + " at " + HexText(at) + " = " + HexText(value), std::move(m)});
  };
  // One field: every 293rd of the (field, value) pairs the one-field mutant script makes.
  std::size_t pair = 0;
  for (const Field& f : fields) {
    const std::uint32_t mask = f.size == 4 ? 0xFFFFFFFFu : 0xFFFFu;
    const std::uint32_t original = Get(sound, f.at, f.size);
    for (const std::uint32_t value :
         {0u, mask, mask >> 1, (mask >> 1) + 1, (original + 1) & mask, (original - 1) & mask})
      if (pair++ % 293 == 5) mutate("field", f.at, f.size, value);
  }
  // A key node's record link, at every 24th node: each number lost, both lost, one byte of the
  // record number changed, the record number of another key of the same block.
  for (std::size_t i = 3; i < nodes.size(); i += 24) {
    const std::size_t node = nodes[i];
    const std::uint32_t recNo = Get(sound, node + 24, 2), blkNo = Get(sound, node + 26, 2);
    if (blkNo == 0xFFFF) continue;
    mutate("Rec#", node + 24, 2, 0xFFFF);
    mutate("Blk#", node + 26, 2, 0xFFFF);
    mutate("Rec# and Blk#", node + 24, 4, 0xFFFFFFFF);
    mutate("one byte of Rec#", node + 24, 2, recNo ^ 0x4000);
    for (std::size_t j = i + 1; j < nodes.size(); ++j) {
      if (Get(sound, nodes[j] + 26, 2) != blkNo) continue;
      mutate("another key's Rec#", node + 24, 2, Get(sound, nodes[j] + 24, 2));
      break;
    }
  }
  // A few bytes overwritten (2 to 8) at places spread over the file, by a fixed generator.
  std::uint64_t state = 1998;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
  };
  for (int i = 0; i < 90; ++i) {
    Image m = sound;
    const std::size_t at = next() % (sound.size() - 8);
    const std::size_t length = 2 + next() % 7;
    for (std::size_t j = 0; j < length; ++j) m[at + j] = static_cast<std::uint8_t>(next());
    if (m != sound) out.push_back({"bytes at " + HexText(at) + " (" + std::to_string(length) + ")", std::move(m)});
  }
  // Cut copies: 40 lengths spread over the file, and each block's start and end, one byte either side.
  std::vector<std::size_t> cuts;
  for (std::size_t i = 1; i <= 40; ++i) cuts.push_back(sound.size() * i / 41);
  std::size_t block = Get(sound, 8, 4);
  for (std::uint32_t b = 0, count = Get(sound, 16, 2); b < count; ++b) {
    for (const std::size_t at : {block - 1, block + 1, block + 31, block + 33}) cuts.push_back(at);
    block += Get(sound, block + 4, 4);
  }
  cuts.push_back(sound.size() - 1);
  for (const std::size_t length : cuts)
    out.push_back({"cut to " + std::to_string(length),
                   Image(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(length))});
  return out;
}

TEST(SalvageMutants, EveryMutantThatLosesKeysOrValuesIsDamage) {
  const Image sound = RealUserDat();
  ASSERT_EQ(sound.size(), 159776u);
  const Readable whole = CountReadable(Salvage(sound, {text::CodePage::Cp1252}));
  ASSERT_EQ(whole.keys, 787u);  // every key but the root, which has no record
  ASSERT_EQ(whole.values, 1518u);

  const std::vector<Mutant> mutants = Mutants(sound);
  ASSERT_GT(mutants.size(), 400u);
  ASSERT_LT(mutants.size(), 900u);
  std::size_t losing = 0, healthy = 0;
  for (const Mutant& m : mutants) {
    const SalvagedHive hive = Salvage(m.bytes, {text::CodePage::Cp1252});
    if (!hive.isHive) continue;  // check exits 1: not called healthy either
    const Readable got = CountReadable(hive);
    const bool lost = got.keys < whole.keys || got.values < whole.values;
    losing += lost ? 1 : 0;
    if (hive.summary.damage == 0) {
      ++healthy;
      // Healthy means nothing lost: every count as in the sound file.
      EXPECT_EQ(hive.summary.keysUnreadable + hive.summary.valuesUnreadable + hive.summary.bytesLost, 0u) << m.label;
    }
    if (!lost) continue;
    std::string lines;
    for (const hive::Finding& f : hive.findings) lines += FindingLine(f) + "\n";
    EXPECT_GT(hive.summary.damage, 0u) << m.label << ": " << got.keys << " keys, " << got.values << " values\n"
                                       << lines;
    EXPECT_EQ(SummaryText(hive).rfind("healthy", 0), std::string::npos) << m.label;
  }
  // The set is not idle: many of its mutants lose something, and some lose nothing at all.
  EXPECT_GT(losing, 100u);
  EXPECT_GT(healthy, 20u);
}

// The record links of the real file, one node each way, read back by the evidence: the key keeps
// its name and values, and check still calls the file damaged.
TEST(SalvageMutants, RecordLinksOfTheRealFileAreReadBackByTheirChecksum) {
  const Image sound = RealUserDat();
  std::vector<Field> fields;
  std::vector<std::size_t> nodes;
  ListFields(sound, fields, nodes);
  std::size_t checked = 0;
  for (std::size_t i = 5; i < nodes.size(); i += 40) {
    const std::size_t node = nodes[i];
    if (Get(sound, node + 26, 2) == 0xFFFF) continue;
    for (const auto& [at, size, value] : {std::tuple{node + 24, 4, 0xFFFFFFFFu}, std::tuple{node + 26, 2, 0xFFFFu},
                                          std::tuple{node + 24, 2, Get(sound, node + 24, 2) ^ 0x4000u}}) {
      Image m = sound;
      Put(m, at, size, value);
      const SalvagedHive hive = Salvage(m, {text::CodePage::Cp1252});
      const Readable got = CountReadable(hive);
      EXPECT_EQ(got.keys, 787u) << HexText(node);
      EXPECT_EQ(got.values, 1518u) << HexText(node);
      EXPECT_GT(hive.summary.damage, 0u) << HexText(node);
      ++checked;
    }
  }
  EXPECT_GT(checked, 40u);
}

}  // namespace
}  // namespace quarvex::salvage
