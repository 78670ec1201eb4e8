// Hive shapes for the export: the golden file's fixture and the hives that the cross-check
// with the two independent readers exports. Each shape stresses one part of the REGEDIT4
// text: value forms and hex wrapping, double-byte names, keys without a name, damaged values.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "text/text_encoding.h"
#include "testkit/hive_builder.h"
#include "tools/hive_generator.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {

inline std::string ShiftJis(const char* utf8) { return Utf8ToCodePage(utf8, CodePage::Cp932); }

// Real files end their key-node block with free space; the builder's blocks end right after
// the last node unless told otherwise. libcreg cannot read a node in the block's last 32
// bytes (KeyNodeAtBlockEndShape shows it), so the other shapes keep 32 bytes free there.
inline BuiltHive Finish(HiveBuilder& b) {
  b.SetRgknSlack(32);
  return b.Build();
}

// Every form a value line takes: quoted text (with and without its terminator, empty, with
// \ and " to escape), dword:, hex: wrapped over several lines, hex(N): for the other types,
// and the text and DWORD values that must fall back to hex to keep their bytes.
inline BuiltHive ValueFormsShape() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software");
  std::string ramp;
  for (int i = 0; i < 100; ++i) ramp.push_back(static_cast<char>(i * 7));
  b.AddKey(software, "Forms",
           {Text("", "default text"), Value{1, "NoTerminator", "stored as Windows 9x stores text"},
            Value{1, "Empty", ""}, Text("Quotes \"and\" \\backslashes\\", "C:\\Path\\\"quoted\""),
            Dword("Number", 0xDEADBEEF), Binary("Ramp", ramp), Binary("EmptyBinary", ""),
            Binary("A value name long enough to push the first hex line past its column", "\x01\x02\x03\x04"),
            Binary("Expand", std::string("%windir%\\system\0", 17), 2),
            Binary("Multi", std::string("one\0two\0\0", 9), 7), Binary("None", "\x00\x01", 0),
            Binary("Odd type", "\xAB", 0x1234), Value{4, "ShortDword", std::string("\x01\x02", 2)},
            Value{1, "EmbeddedZero", std::string("left\0right\0", 11)}, Value{1, "LineBreak", "one\r\ntwo"}});
  const int nested = b.AddKey(software, "Nested");
  b.AddKey(b.AddKey(nested, "Deeper"), "Deepest", {Binary("", std::string(30, '\x5A'))});
  b.AddKey(root, "Second top-level key", {Dword("Zero", 0)});
  return Finish(b);
}

// Shift-JIS names and texts, among them characters whose second byte is 0x5C (a backslash
// on its own) and lead bytes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90).
inline BuiltHive DoubleByteNamesShape() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int top = b.AddKey(root, ShiftJis("ソフトウェア"));
  b.AddKey(top, ShiftJis("表示"), {Text(ShiftJis("ソース"), ShiftJis("予定表")), Text("", ShiftJis("込み処理・申請"))});
  b.AddKey(top, ShiftJis("ｽｸﾘｰﾝ ｾｰﾊﾞｰ"), {Text(ShiftJis("能力"), "half-width katakana key")});
  b.AddKey(root, ShiftJis("設定ー覧"), {Dword(ShiftJis("既定"), 1)});
  return Finish(b);
}

// Keys without a name: one without a data record (its numbers 0xFFFF) that has a subkey,
// and one whose record number the record index does not hold.
inline BuiltHive KeysWithoutRecordsShape() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software", {Text("Kept", "yes")});
  const int unnamed = b.AddKey(software, "NoRecord");
  b.SetNoRecord(unnamed);
  b.AddKey(unnamed, "ChildOfNoRecord", {Dword("Value", 7)});
  const int lost = b.AddKey(software, "LostRecord", {Text("Lost", "value")});
  b.AddKey(software, "After", {Text("Still", "here")});
  BuiltHive hive = Finish(b);
  hive.PutU16(hive.KeyNodeFileOffset(lost) + 24, 200);  // Rec#: no record has this number
  return hive;
}

// Values that run past their record: the second value of a key claims more data than its
// record holds, so it and the value after it cannot be exported.
inline BuiltHive ValueRunsPastRecordShape() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int key = b.AddKey(root, "Damaged", {Text("First", "fine"), Text("Second", "too long"), Dword("Third", 3)});
  b.AddKey(root, "Sound", {Text("Other", "fine")});
  BuiltHive hive = Finish(b);
  // Record: 20-byte header, name "Damaged" (7); value 1: 12 + 5 + 5; value 2's VL at +10.
  const std::int64_t second = hive.keyRecord[key] + 20 + 7 + (12 + 5 + 5);
  hive.PutU16(second + 10, 0x4000);
  return hive;
}

// A value whose type word is followed by a non-zero word (Un1), read here as a 16-bit type.
inline BuiltHive TypeHighWordShape() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  Value v = Text("HighWord", "text");
  v.un1 = 1;
  b.AddKey(root, "Types", {v, Text("Plain", "text")});
  return Finish(b);
}

// A sound file whose last key node ends exactly where the key-node block ends.
inline BuiltHive KeyNodeAtBlockEndShape() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  b.AddKey(b.AddKey(root, "First"), "Last", {Text("Value", "at the block's end")});
  return b.Build();
}

// A free record of 16 bytes, smaller than a record header, in a block's record chain (the
// generator makes free records of 16 bytes and up); libcreg stops reading the block there.
inline BuiltHive FreeRecordSmallerThanHeaderShape() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int first = b.AddKey(root, "Before", {Text("Value", "1")});
  b.AddFreeRecord(0, 16, first);
  b.AddKey(root, "After", {Text("Value", "2")});
  return Finish(b);
}

// The generator makes free records of 16 bytes and up; libcreg stops reading a block at one
// smaller than a record header (FreeRecordSmallerThanHeaderShape shows it). For benchmarks
// that must have every reader read the whole file, each such record becomes slack of the
// record before it in its block's chain, and leaves its block's free list.
inline void AbsorbSmallFreeRecords(BuiltHive& hive) {
  for (std::size_t b = 0; b < hive.block.size(); ++b) {
    const std::int64_t base = hive.block[b];
    const auto size = static_cast<std::int32_t>(hive.GetU32(base + 4));
    std::int64_t previous = -1;
    for (std::int64_t at = base + 32; at < base + size;) {
      const auto next = static_cast<std::int32_t>(hive.GetU32(at));
      if (next <= 0) break;
      if (next < 20 && previous >= 0) {
        hive.PutU32(previous, hive.GetU32(previous) + static_cast<std::uint32_t>(next));
        const auto relative = static_cast<std::uint32_t>(at - base);
        std::int64_t link = base + 16;  // the block header's iERecOfs, then each free record's NextOfs
        while (hive.GetU32(link) != 0xFFFFFFFF && hive.GetU32(link) != relative) link = base + hive.GetU32(link) + 8;
        if (hive.GetU32(link) == relative) hive.PutU32(link, hive.GetU32(at + 8));
        at += next;
        continue;
      }
      previous = at;
      at += next;
    }
  }
}

// The benchmark hives: a user.dat (about 160 KB), a system.dat (about 1.5 MB) and a 12 MB one.
inline std::vector<std::pair<const char*, tools::GeneratorOptions>> BenchHives() {
  using tools::HiveKind;
  return {{"bench-1-user.dat-sized", {HiveKind::User, 1500, 3}},
          {"bench-2-system.dat-sized", {HiveKind::System, 11000, 4}},
          {"bench-3-large", {HiveKind::System, 100000, 12}}};
}

struct PeerShape {
  const char* name;
  std::function<BuiltHive()> build;
};

// Text kept inside binary data, as Windows and its programs keep it: UTF-16LE in an
// application's REG_BINARY and in a REG_NONE, an ANSI path in an MRU blob, a URL, and the same
// words in plain texts. find --data must find the values the peer's regfind.pl -d finds: it
// matches a non-text value's raw bytes and their UTF-16LE reading from the first byte.
inline BuiltHive BinaryStringsShape() {
  HiveBuilder b;
  const int root = b.AddKey(HiveBuilder::kRootParent, "");
  b.SetNoRecord(root);
  const int software = b.AddKey(root, "Software");
  b.AddKey(
      software, "AppCompatibility",
      {Binary("Flags", std::string("\x10\x00\x00\x00", 4) + Utf16Le("Microsoft Corporation") + std::string(2, '\0')),
       Binary("Shim", Utf16Le("NOTEPAD.EXE") + std::string(4, '\0'), 0), Text("Vendor", "Microsoft")});
  b.AddKey(software, "RecentDocs",
           {Binary("a", std::string("\x14\x00\x1F\x50", 4) + "C:\\WINDOWS\\NOTEPAD.EXE" + std::string(3, '\0')),
            Binary("b", Utf16Le("http://www.example.com/index.html") + std::string(2, '\0')),
            Binary("MRUListEx", std::string("\x01\x00\x00\x00\x00\x00\x00\x00\xFF\xFF\xFF\xFF", 12))});
  b.AddKey(software, "Internet", {Text("Start Page", "http://www.example.com/"), Dword("Count", 3)});
  return Finish(b);
}

inline std::vector<PeerShape> PeerShapes() {
  using tools::GenerateHive;
  using tools::HiveKind;
  return {
      {"user-60",
       [] {
         return GenerateHive({HiveKind::User, 60, 7});
       }},
      // Seeds whose free records are all at least 20 bytes (see FreeRecordSmallerThanHeaderShape).
      {"user-1500",
       [] {
         return GenerateHive({HiveKind::User, 1500, 1});
       }},
      {"system-3000",
       [] {
         return GenerateHive({HiveKind::System, 3000, 10});
       }},
      {"value-forms", ValueFormsShape},
      {"double-byte-names", DoubleByteNamesShape},
      {"keys-without-records", KeysWithoutRecordsShape},
      {"value-runs-past-record", ValueRunsPastRecordShape},
      {"type-high-word", TypeHighWordShape},
      {"key-node-at-block-end", KeyNodeAtBlockEndShape},
      {"free-record-smaller-than-header", FreeRecordSmallerThanHeaderShape},
      {"binary-strings", BinaryStringsShape},
  };
}

}  // namespace quarvex::testing
