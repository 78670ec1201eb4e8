#include "text/report_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "text/printf.h"
#include "text/text_encoding.h"

namespace quarvex::text {

std::string SavedReportText(const ReportLines& lines, std::optional<CodePage> transcodeFrom) {
  if (!transcodeFrom) return lines.SavedText();
  std::string text;
  text.reserve(lines.SavedSize());
  for (std::size_t i = 0; i < lines.Count(); ++i) {
    text += CodePageToUtf8(lines[i], *transcodeFrom);
    text += "\r\n";
  }
  return text;
}

bool SaveReportLines(const ReportLines& lines, const std::string& path, std::string& error,
                     std::optional<CodePage> transcodeFrom, std::string_view lineEnd) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  // A name of our own beside the target, so the rename stays on one file system.
  std::random_device entropy;
  const fs::path temporary =
      target.parent_path() / Printf(".%s.%08x.tmp", target.filename().string().c_str(), entropy());
  std::FILE* file = std::fopen(temporary.string().c_str(), "wbx");
  if (!file) {
    error = Printf("cannot create %s: %s", path.c_str(), std::strerror(errno));
    return false;
  }
  bool ok = true;
  if (transcodeFrom) {
    const std::string text = SavedReportText(lines, transcodeFrom);
    ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  } else {
    for (std::size_t i = 0; ok && i < lines.Count(); ++i) {
      const std::string_view line = lines[i];
      ok = std::fwrite(line.data(), 1, line.size(), file) == line.size() && std::fwrite(lineEnd.data(), 1, lineEnd.size(), file) == lineEnd.size();
    }
  }
  const int savedErrno = errno;
  if (std::fclose(file) != 0) ok = false;
  std::error_code ec;
  if (ok) fs::rename(temporary, target, ec);
  if (!ok || ec) {
    error = Printf("cannot write %s: %s", path.c_str(), ec ? ec.message().c_str() : std::strerror(savedErrno));
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace quarvex::text
