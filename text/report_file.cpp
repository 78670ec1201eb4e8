#include "text/report_file.h"

#include <algorithm>
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

namespace {

namespace fs = std::filesystem;

bool WriteLines(std::FILE* file, const ReportLines& lines, std::optional<CodePage> transcodeFrom,
                std::string_view lineEnd) {
  if (transcodeFrom) {
    const std::string text = SavedReportText(lines, transcodeFrom);
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
  }
  // The lines are kept in their saved form, in chunks of up to 4 MiB: each is written with one
  // call, so a full structure report of a million lines takes a dozen writes, not two million.
  if (lineEnd == "\r\n") {
    bool written = true;
    lines.ForEachSavedPiece([&](std::string_view piece) {
      written = written && std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
    });
    return written;
  }
  // Other line ends: the lines with theirs gathered into chunks of a few MiB likewise.
  constexpr std::size_t kChunk = std::size_t{4} << 20;
  std::string chunk;
  chunk.reserve(std::min(kChunk + 4096, lines.SavedSize() + 64));
  auto flush = [&] {
    const bool written = std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
    chunk.clear();
    return written;
  };
  bool written = true;
  lines.ForEach([&](std::string_view line) {
    chunk.append(line).append(lineEnd);
    if (written && chunk.size() >= kChunk) written = flush();
  });
  return written && (chunk.empty() || flush());
}

// Where the text really goes: a symbolic link is followed to the file it names (a link to a
// link on to the last), so that the link stays a link and its target gets the new text, even
// a target not there yet. A relative link is read from the link's own folder.
fs::path ResolvedTarget(const fs::path& target) {
  constexpr int kMostLinks = 40;  // as the kernel's own limit: a loop of links ends here
  fs::path at = target;
  for (int i = 0; i < kMostLinks; ++i) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(at, ec)) || ec) break;
    const fs::path next = fs::read_symlink(at, ec);
    if (ec) break;
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  std::error_code ec;
  const fs::path resolved = fs::weakly_canonical(at, ec);
  return ec ? at : resolved;
}

}  // namespace

// Where a save of `path` writes: straight into a device or named pipe (special), else a
// temporary file beside the target that is renamed over it.
struct SaveTarget {
  bool special = false;
  std::filesystem::path target;
  std::filesystem::file_status status;
  bool statusKnown = false;
};

namespace {

SaveTarget TargetOf(const std::string& path) {
  // Something that is there but is no regular file (a device such as /dev/null or /dev/fd/1,
  // a named pipe) is written to as it is, by the name given (the links of /dev/fd/N lead
  // nowhere a path can name): renaming a file over it would replace the device or pipe
  // itself with a plain file.
  std::error_code statusError;
  const fs::file_status given = fs::status(fs::path(path), statusError);
  SaveTarget t;
  t.special = !statusError && fs::exists(given) && !fs::is_regular_file(given);
  t.target = t.special ? fs::path(path) : ResolvedTarget(fs::path(path));
  t.status = t.special ? given : fs::status(t.target, statusError);
  t.statusKnown = !statusError;
  return t;
}

// A name of our own beside the target, so the rename stays on one file system; created
// anew (never an existing file).
std::FILE* CreateTemporary(const std::string& path, const SaveTarget& t, fs::path& temporary, std::string& error) {
  std::random_device entropy;
  temporary = t.target.parent_path() / Printf(".%s.%08x.tmp", t.target.filename().string().c_str(), entropy());
  std::FILE* file = std::fopen(temporary.string().c_str(), "wbx");
  if (!file) error = Printf("cannot create %s: %s", path.c_str(), std::strerror(errno));
  return file;
}

// Closes the temporary file and, when everything was written, renames it over the target;
// otherwise (or when that fails) removes it and says why in error.
bool FinishTemporary(std::FILE* file, const fs::path& temporary, const std::string& path, const SaveTarget& t, bool ok,
                     int savedErrno, std::string& error) {
  if (std::fclose(file) != 0) {
    if (ok) savedErrno = errno;
    ok = false;
  }
  std::error_code ec;
  // A file replaced keeps its permissions (a report kept private stays private).
  if (ok && t.statusKnown && fs::is_regular_file(t.status)) fs::permissions(temporary, t.status.permissions(), ec);
  ec.clear();
  if (ok) fs::rename(temporary, t.target, ec);
  if (!ok || ec) {
    error = Printf("cannot write %s: %s", path.c_str(), ec ? ec.message().c_str() : std::strerror(savedErrno));
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace

bool SaveReportLines(const ReportLines& lines, const std::string& path, std::string& error,
                     std::optional<CodePage> transcodeFrom, std::string_view lineEnd) {
  const SaveTarget t = TargetOf(path);
  if (t.special) {
    if (fs::is_directory(t.status)) {
      error = Printf("cannot write %s: it is a directory", path.c_str());
      return false;
    }
    std::FILE* direct = std::fopen(t.target.string().c_str(), "wb");
    if (!direct) {
      error = Printf("cannot write %s: %s", path.c_str(), std::strerror(errno));
      return false;
    }
    bool written = WriteLines(direct, lines, transcodeFrom, lineEnd);
    const int writeErrno = errno;
    if (std::fclose(direct) != 0) written = false;
    if (!written) error = Printf("cannot write %s: %s", path.c_str(), std::strerror(writeErrno));
    return written;
  }
  fs::path temporary;
  std::FILE* file = CreateTemporary(path, t, temporary, error);
  if (!file) return false;
  const bool ok = WriteLines(file, lines, transcodeFrom, lineEnd);
  return FinishTemporary(file, temporary, path, t, ok, errno, error);
}

std::unique_ptr<ReportFileStream> ReportFileStream::Begin(const std::string& path) {
  std::unique_ptr<ReportFileStream> stream(new ReportFileStream());
  stream->path_ = path;
  stream->target_ = std::make_unique<SaveTarget>(TargetOf(path));
  if (stream->target_->special) return nullptr;
  std::string ignored;  // the save at the end meets the same trouble and names it
  stream->file_ = CreateTemporary(path, *stream->target_, stream->temporary_, ignored);
  if (!stream->file_) return nullptr;
  return stream;
}

ReportFileStream::ReportFileStream() = default;

ReportFileStream::~ReportFileStream() {
  if (!file_) return;
  std::fclose(file_);
  std::error_code ec;
  fs::remove(temporary_, ec);
}

void ReportFileStream::Write(std::string_view text) {
  if (!ok_) return;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
    ok_ = false;
    errno_ = errno;
  }
}

bool ReportFileStream::Commit(std::string& error) {
  std::FILE* file = file_;
  file_ = nullptr;
  return FinishTemporary(file, temporary_, path_, *target_, ok_, errno_, error);
}

}  // namespace quarvex::text
