// check says why the faithful report of a file fails where the salvage reader reads on: a
// note with the report's Fail(N) and the reason, at the place its reader stopped. Free lists
// headed by 0, as hand-made files of other libraries have them, fail the report and are read
// as empty lists by check, which then calls the file healthy.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "hive/error_codes.h"
#include "job/report_reading.h"
#include "salvage/salvage.h"
#include "tests/support/test_support.h"

namespace quarvex::testing {
namespace {

using nlohmann::json;

BuiltHive Plain() {
  HiveBuilder b;
  b.SetCodePage(CodePage::Cp1252);
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software", {Text("Name", "Quarvex")});
  b.AddKey(software, "Vendor", {Dword("Count", 42)});
  return b.Build();
}

struct NoteCase {
  const char* name;
  void (*damage)(BuiltHive&);
  std::int32_t code;      // the report's Fail(code)
  const char* reasonHas;  // in the note
  const char* at;         // the note's offset and structure, as its line starts
  int checkStatus;        // check's exit status: the report failing alone is no damage
};

std::vector<NoteCase> NoteCases() {
  return {
      // The key-node block's list headed by 0: the report reads its own header as a free area,
      // whose NextOfs (iRec1stOfs) leads to the root node, whose Unk1 (0) leads back.
      {"key-node free list headed by 0", [](BuiltHive& h) { h.PutU32(32 + 12, 0); }, code::kLinkLoop,
       "its free-list reader takes a free list headed by 0 as offset 0, the block's own header; here it is read as an "
       "empty list",
       "0x00000020: note: key-node block header: the report fails with Fail(21) (", 0},
      // A data block's list headed by 0: the report reads the block's header as a free record,
      // whose NextOfs (iRestSize) leads back to it, as the four hand-made files of another
      // library that ship as its tests do.
      {"data block free list headed by 0", [](BuiltHive& h) { h.PutU32(h.block[0] + 16, 0); }, code::kLinkLoop,
       "its free-list reader takes a free list headed by 0 as offset 0, the block's own header; here it is read as an "
       "empty list",
       "note: data block 0: the report fails with Fail(21) (", 0},
      // Cut inside the data block's header: the report's block table stops there.
      {"cut inside the data block's header",
       [](BuiltHive& h) { h.bytes.resize(static_cast<std::size_t>(h.block[0] + 16)); }, code::kBlockHeaderShort,
       "its block table stops at a data block header that lies (partly) outside the file; here the blocks the file "
       "holds are read",
       ": the report fails with Fail(7) (", 4},
      {"a key tree that loops",
       [](BuiltHive& h) { h.PutU32(h.KeyNodeFileOffset(2) + 16, static_cast<std::uint32_t>(h.keyNode[1])); },
       code::kLinkLoop,
       "its walk stops where a key tree, a parent chain or a free list links back onto itself; here the loop "
       "is cut at its first repeat",
       ": the report fails with Fail(21) (", 4},
  };
}

TEST(ReportNote, CheckSaysWhyTheReportFails) {
  TempDir dir;
  for (const NoteCase& c : NoteCases()) {
    SCOPED_TRACE(c.name);
    BuiltHive built = Plain();
    c.damage(built);
    const std::string file = dir.Write("h.dat", built);
    const CliResult report = Cli({"-o", dir.Path("r.txt").string(), file});
    EXPECT_EQ(report.status, 1);
    if (c.code >= 0) {
      EXPECT_NE(report.err.find("Fail(" + std::to_string(c.code) + ")"), std::string::npos) << report.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path("r.txt"))) << "a failed report writes no file";

    const CliResult check = Cli({"check", file});
    EXPECT_EQ(check.status, c.checkStatus) << check.out;
    EXPECT_NE(check.out.find(c.at), std::string::npos) << check.out;
    EXPECT_NE(check.out.find(c.reasonHas), std::string::npos) << check.out;
    // The same note, once, in the JSON, and the report's outcome as data.
    const json checked = json::parse(Cli({"check", "--json", "-", file}).out)["files"][0];
    EXPECT_FALSE(checked["report"]["made"].get<bool>());
    if (c.code >= 0) {
      EXPECT_EQ(checked["report"]["code"], c.code);
    }
    std::size_t notes = 0;
    for (const json& f : checked["findings"]) notes += f["field"] == "the report" ? 1 : 0;
    EXPECT_EQ(notes, 1u);
    std::filesystem::remove(dir.Path("r.txt"));
  }
}

TEST(ReportNote, NoNoteWhenTheReportIsMade) {
  TempDir dir;
  const std::string file = dir.Write("h.dat", Plain());
  const CliResult check = Cli({"check", file});
  EXPECT_EQ(check.status, 0);
  EXPECT_EQ(check.out.find("the report"), std::string::npos) << check.out;
  const json checked = json::parse(Cli({"check", "--json", "-", file}).out)["files"][0];
  EXPECT_TRUE(checked["report"]["made"].get<bool>());
  EXPECT_TRUE(checked["report"]["reason"].is_null());
}

// Every code a report can end with has its own reason, which says what the report's reader
// does and, where the salvage reader does otherwise, what that is.
TEST(ReportNote, EveryFailureCodeHasItsReason) {
  const std::vector<std::uint8_t> bytes = Plain().bytes;
  const salvage::SalvagedHive hive = salvage::Salvage(bytes, {CodePage::Cp1252});
  const std::vector<std::int32_t> codes = {
      code::kHiveHeaderShort, code::kHiveSignature,    code::kKernelHeaderShort, code::kKernelSignature,
      code::kKeyNodeShort,    code::kFreeKeyNodeShort, code::kBlockHeaderShort,  code::kBlockSignature,
      code::kNoSuchBlock,     code::kIndexEmpty,       code::kKeyNameShort,      code::kValueEntryShort,
      code::kTextValueShort,  code::kDwordValueShort,  code::kRawValueShort,     code::kFreeRecordShort,
      code::kLoadFailed,      code::kLinkLoop,         code::kInternalFailure,   code::kValueNameShort};
  for (const std::int32_t c : codes) {
    job::ReportReading reading;
    reading.code = c;
    const std::string reason = job::ReportFailureReason(reading, hive);
    EXPECT_FALSE(reason.empty()) << c;
    EXPECT_NE(reason, code::Describe(c)) << c << ": a reason of its own, not the code's description";
    EXPECT_EQ(reason.find('\n'), std::string::npos) << c;
    const auto note = job::ReportFailureNote(reading, hive);
    ASSERT_TRUE(note) << c;
    EXPECT_EQ(note->severity, Severity::Note);
    EXPECT_EQ(note->found, "fails with Fail(" + std::to_string(c) + ")");
  }
  job::ReportReading made;
  EXPECT_EQ(job::ReportFailureReason(made, hive), "");
  EXPECT_FALSE(job::ReportFailureNote(made, hive));
}

// The reading is the report's: its code is the one the report itself ends with.
TEST(ReportNote, TheReadingFailsAsTheReportDoes) {
  for (const NoteCase& c : NoteCases()) {
    SCOPED_TRACE(c.name);
    BuiltHive built = Plain();
    c.damage(built);
    const auto run = RunJob(built);
    const job::ReportReading reading = job::ReadAsTheReport(built.bytes, "h.dat", CodePage::Cp1252);
    EXPECT_EQ(reading.code, run->Code());
    EXPECT_EQ(reading.finding, run->result.finding);
    EXPECT_FALSE(reading.analysis);
  }
  const job::ReportReading sound = job::ReadAsTheReport(Plain().bytes, "h.dat", CodePage::Cp1252);
  EXPECT_FALSE(sound.Failed());
  ASSERT_TRUE(sound.analysis);
  EXPECT_EQ(sound.analysis->goodCount, 2);
}

}  // namespace
}  // namespace quarvex::testing
