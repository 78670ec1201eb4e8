// Saving the report: every line followed by CR LF, in the lines' own bytes (or transcoded
// to UTF-8 when asked), no byte-order mark. The text goes to a temporary file beside the
// target, which is renamed over the target only once it is complete, so a failed save never
// leaves a half report that looks whole, and an existing file survives a failure intact. A
// symbolic link is followed (the link stays, its target gets the text); a device or named
// pipe (/dev/null, /dev/fd/1, a FIFO) is written to directly, never replaced by a file.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "text/codepage.h"
#include "text/report_lines.h"

namespace quarvex::text {

// transcodeFrom: when set, each line is converted from that code page to UTF-8. lineEnd:
// what follows each line of untranscoded bytes (CR LF unless a caller that already wrote
// the text in another form asks otherwise).
bool SaveReportLines(const ReportLines& lines, const std::string& path, std::string& error,
                     std::optional<CodePage> transcodeFrom = std::nullopt, std::string_view lineEnd = "\r\n");

// A report saved in its lines' own bytes with CR LF, written while it is built (see
// ReportLines::StreamTo): the text goes to the temporary file beside the target as it comes,
// and Commit renames it over the target as SaveReportLines does. Until then the target is
// untouched; a stream dropped without Commit removes its temporary file. Begin gives nothing
// for a target that is no regular file (a device, a pipe: written to only at the end, and only
// when there is something to write) or when the temporary file cannot be made (the save at
// the end then says why).
struct SaveTarget;
class ReportFileStream {
 public:
  static std::unique_ptr<ReportFileStream> Begin(const std::string& path);
  ~ReportFileStream();
  ReportFileStream(const ReportFileStream&) = delete;
  ReportFileStream& operator=(const ReportFileStream&) = delete;

  // A failed write is remembered; what follows it is dropped.
  void Write(std::string_view text);
  // False with the reason (as SaveReportLines gives it) when the text could not all be
  // written or the file not put in place; the temporary file is then gone.
  bool Commit(std::string& error);

 private:
  ReportFileStream();
  std::string path_;
  std::unique_ptr<SaveTarget> target_;
  std::filesystem::path temporary_;
  std::FILE* file_ = nullptr;
  bool ok_ = true;
  int errno_ = 0;
};

// The saved form as one string (for standard output and for comparisons).
std::string SavedReportText(const ReportLines& lines, std::optional<CodePage> transcodeFrom = std::nullopt);

}  // namespace quarvex::text
