// The report buffer: lines kept in their saved form in chunks that grow up to 4 MiB and never
// move. Whatever the lines' sizes, each line reads back as appended (by index and in order),
// the saved form is each line with CR LF, and saving writes exactly that, also with other
// line ends; a copy and a cleared buffer behave as new.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "text/report_file.h"
#include "tests/support/test_namespaces.h"

namespace quarvex::testing {
namespace {

std::vector<std::string> LinesOfSizes(std::initializer_list<std::pair<std::size_t, std::size_t>> runs) {
  std::vector<std::string> lines;
  for (const auto& [count, size] : runs)
    for (std::size_t i = 0; i < count; ++i)
      lines.push_back(std::string(size, static_cast<char>('a' + lines.size() % 26)));
  return lines;
}

std::string Saved(const std::vector<std::string>& lines, std::string_view end = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + std::string(end);
  return text;
}

void ExpectHolds(const ReportLines& buffer, const std::vector<std::string>& lines, const char* what) {
  ASSERT_EQ(buffer.Count(), lines.size()) << what;
  EXPECT_EQ(buffer.Empty(), lines.empty()) << what;
  std::size_t wrong = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) wrong += buffer[i] != lines[i];
  EXPECT_EQ(wrong, 0u) << what << ": lines read back by index differ";
  std::size_t k = 0;
  buffer.ForEach([&](std::string_view line) { wrong += k >= lines.size() || line != lines[k++]; });
  EXPECT_EQ(wrong, 0u) << what << ": lines read back in order differ";
  EXPECT_EQ(k, lines.size()) << what;
  const std::string saved = Saved(lines);
  EXPECT_EQ(buffer.SavedSize(), saved.size()) << what;
  EXPECT_TRUE(buffer.SavedText() == saved) << what;
}

struct LinesCase {
  const char* name;
  std::vector<std::string> lines;
};

std::vector<LinesCase> Cases() {
  return {
      {"none", {}},
      {"one empty line", {""}},
      {"empty lines among others", {"", "a", "", "", "bc", ""}},
      {"a line of exactly the first chunk", LinesOfSizes({{1, 4096 - 2}, {1, 1}})},
      {"a line one byte over the first chunk", LinesOfSizes({{1, 4096 - 1}, {2, 3}})},
      {"many small lines over several chunks", LinesOfSizes({{300000, 40}})},
      {"a line larger than the largest chunk", LinesOfSizes({{3, 10}, {1, (5u << 20) + 7}, {3, 10}})},
      {"large lines after a full chunk", LinesOfSizes({{100000, 45}, {2, (3u << 20) + 1}, {10, 0}})},
  };
}

TEST(ReportLines, EveryLineReadsBackAsAppendedAndSavesWithCrLf) {
  for (const LinesCase& c : Cases()) {
    ReportLines buffer;
    for (const std::string& line : c.lines) buffer.Append(line);
    ExpectHolds(buffer, c.lines, c.name);
  }
}

TEST(ReportLines, ACopyAndACopyAssignedOverOthersHoldTheSameLines) {
  for (const LinesCase& c : Cases()) {
    ReportLines original;
    for (const std::string& line : c.lines) original.Append(line);
    const ReportLines copy(original);
    ExpectHolds(copy, c.lines, c.name);
    ReportLines assigned;
    assigned.Append("left over");
    assigned = original;
    ExpectHolds(assigned, c.lines, c.name);
    ExpectHolds(original, c.lines, c.name);
  }
}

TEST(ReportLines, AClearedBufferTakesNewLinesAsANewOne) {
  ReportLines buffer;
  for (const std::string& line : LinesOfSizes({{200000, 30}})) buffer.Append(line);
  buffer.Clear();
  ExpectHolds(buffer, {}, "cleared");
  const std::vector<std::string> again{"x", "", "yz"};
  for (const std::string& line : again) buffer.Append(line);
  ExpectHolds(buffer, again, "after clearing");
}

TEST(ReportLines, SavedToAFileWithEitherLineEndExactly) {
  TempDir dir;
  for (const LinesCase& c : Cases()) {
    ReportLines buffer;
    for (const std::string& line : c.lines) buffer.Append(line);
    for (const char* end : {"\r\n", "\n"}) {
      const std::string path = dir.Path("out.txt");
      std::string error;
      ASSERT_TRUE(SaveReportLines(buffer, path, error, std::nullopt, end)) << c.name << ": " << error;
      EXPECT_TRUE(ReadFileBytes(path) == Saved(c.lines, end))
          << c.name << " with line end " << (end[0] == '\r' ? "CR LF" : "LF");
    }
  }
}

// Streamed from the start or after some lines: the sink gets the saved form whole and in
// order, the counts go on covering every line, and the buffer never holds more than a chunk
// of the largest size (or one longer line); the lines handed over read as empty, and a
// cleared buffer streams no more.
TEST(ReportLines, StreamedLinesReachTheSinkWholeAndInOrder) {
  constexpr std::size_t kLargestChunk = std::size_t{4} << 20;
  for (const LinesCase& c : Cases()) {
    for (std::size_t before : {std::size_t{0}, c.lines.size() / 2}) {
      const std::string what = std::string(c.name) + ", streaming after " + std::to_string(before) + " lines";
      ReportLines buffer;
      std::string sunk;
      std::size_t longest = 0, mostHeld = 0;
      for (std::size_t i = 0; i < c.lines.size(); ++i) {
        if (i == before) buffer.StreamTo([&sunk](std::string_view text) { sunk += text; });
        buffer.Append(c.lines[i]);
        longest = std::max(longest, c.lines[i].size() + 2);
        if (i >= before && (i % 1000 == 0 || c.lines[i].size() > 1000))
          mostHeld = std::max(mostHeld, buffer.SavedText().size());
      }
      if (before == c.lines.size()) buffer.StreamTo([&sunk](std::string_view text) { sunk += text; });
      EXPECT_TRUE(buffer.Streaming()) << what;
      buffer.Flush();
      EXPECT_TRUE(sunk == Saved(c.lines)) << what;
      EXPECT_EQ(buffer.Count(), c.lines.size()) << what;
      EXPECT_EQ(buffer.Empty(), c.lines.empty()) << what;
      EXPECT_EQ(buffer.SavedSize(), sunk.size()) << what;
      EXPECT_LE(mostHeld, std::max(kLargestChunk, longest)) << what;
      if (!c.lines.empty()) {
        EXPECT_EQ(buffer[0], "") << what;
      }
      buffer.Flush();
      EXPECT_TRUE(sunk == Saved(c.lines)) << what << ": a second flush hands over nothing";
    }
  }
  ReportLines buffer;
  std::string sunk;
  buffer.StreamTo([&sunk](std::string_view text) { sunk += text; });
  buffer.Append("gone");
  buffer.Clear();
  EXPECT_FALSE(buffer.Streaming());
  buffer.Append("kept");
  ExpectHolds(buffer, {"kept"}, "cleared while streaming");
  EXPECT_EQ(sunk, "");
}

}  // namespace
}  // namespace quarvex::testing
