// What every structure report section writes through: the report writer, the progress line,
// the option boxes and the hive's status code, all taken from the stage context.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "hive/offsets.h"
#include "stage/stage_context.h"

namespace quarvex::report {

class SectionOutput {
 public:
  explicit SectionOutput(const stage::StageContext& context);

  hive::Hive& hive() { return context_.hive; }
  const text::LeadByteSet& LeadBytes() const { return context_.leadBytes; }
  bool Checked(stage::Option option) const { return context_.Checked(option); }
  bool Failed() const { return context_.hive.errorCode != hive::code::kOk; }
  // Sets the hive's status code with the finding behind it; a section returns right after.
  // Always false.
  bool Fail(std::int32_t failure, hive::Finding finding) { return context_.hive.Fail(failure, std::move(finding)); }

  // One report line from a printf format (hexadecimal as %X: the report shows upper case).
  void Line(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // One report line of fixed text; an empty one is an empty line.
  void Text(std::string_view text) { context_.report.Text(text); }
  void Empty() { context_.report.Empty(); }
  // A listing's title, then its column header when `lines` is checked. Returns whether the
  // listing writes its per-record lines.
  bool OpenListing(std::string_view title, stage::Option lines, std::string_view columns);
  // A listing's total line when `count` is checked, then its closing empty line.
  void CloseListing(stage::Option countOption, int count);
  // Status panel 1, overwritten as the section advances.
  void Progress(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // The same, saying how far the section has come: `done` of `total`.
  void ProgressAt(std::uint64_t done, std::uint64_t total, const char* format, ...)
      __attribute__((format(printf, 4, 5)));
  // The same for a text already made (texts made once per record are written by hand).
  void ProgressText(std::string_view text, std::uint64_t done = 0, std::uint64_t total = 0) {
    context_.Progress(text, done, total);
  }
  // An emptied buffer, reused, for a line built piece by piece and then passed to Text.
  std::string& Compose() { return context_.report.Compose(); }

 private:
  const stage::StageContext& context_;
  std::string progress_;
};

// Appends a byte as two upper-case hexadecimal digits.
inline void AppendHexByte(std::string& out, std::uint8_t byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out.push_back(kDigits[byte >> 4]);
  out.push_back(kDigits[byte & 0x0F]);
}

// A 32-bit field as the report prints it with %X (signed fields show their bit pattern).
inline unsigned Hex(std::int32_t value) { return static_cast<std::uint32_t>(value); }
// Offsets print as 32-bit values, as the format stores them.
inline unsigned Hex(hive::FileOffset offset) { return static_cast<std::uint32_t>(offset.value); }
inline unsigned Hex(hive::KeyNodeOffset offset) { return static_cast<std::uint32_t>(offset.value); }
inline unsigned Hex(hive::BlockOffset offset) { return static_cast<std::uint32_t>(offset.value); }

}  // namespace quarvex::report
