// What every structure report section writes through: report lines, progress texts and the
// job's option boxes and status code.
//
// A full report of a large hive is hundreds of thousands of lines, so a line is built in one
// reused buffer and copied once into the report; nothing is allocated per line once the
// buffer has grown to the longest line seen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "job/analysis_job.h"

namespace quarvex::report {

class SectionOutput {
 public:
  explicit SectionOutput(AnalysisJob& job);

  hive::Hive& hive() { return job_.hive; }
  const text::LeadByteSet& LeadBytes() const { return job_.LeadBytes(); }
  bool Checked(stage::Option option) const { return job_.Checked(option); }
  bool Failed() const { return job_.hive.errorCode != hive::code::kOk; }
  // Sets the job's status code; a section returns right after. Always false.
  bool Fail(std::int32_t failure) {
    job_.hive.errorCode = failure;
    return false;
  }

  // One report line from a printf format (hexadecimal as %X: the report shows upper case).
  void Line(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // One report line of fixed text; an empty one is an empty line.
  void Text(std::string_view text) { job_.AppendLine(text); }
  void Empty() { job_.AppendLine({}); }
  // A listing's title, then its column header when `lines` is checked. Returns whether the
  // listing writes its per-record lines.
  bool OpenListing(std::string_view title, stage::Option lines, std::string_view columns);
  // A listing's total line when `count` is checked, then its closing empty line.
  void CloseListing(stage::Option countOption, int count);
  // Status panel 1, overwritten as the section advances.
  void Progress(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // An emptied buffer, reused, for a line built piece by piece and then passed to Text.
  std::string& Compose() {
    compose_.clear();
    return compose_;
  }

 private:
  AnalysisJob& job_;
  std::string line_;
  std::string compose_;
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

}  // namespace quarvex::report
