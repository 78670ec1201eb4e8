// The browser's bookmarks: keys of one hive the user marked, to go back to them, kept between
// sessions.
//
// They are saved in the program's own data folder (QStandardPaths::AppDataLocation, under
// "bookmarks/"), one small JSON file per hive, never in the hive and never beside it: the
// folder a hive lies in is often evidence, which the program only reads. A hive is known again
// by its absolute path, its size and the SHA-256 of its bytes together, so a file changed in
// place (or another file put at the same path) starts with no bookmarks rather than with
// bookmarks that point into other bytes.
//
// A key is kept by what stays the same each time the same bytes are read: a live key by its
// key node's file offset, a deleted key recovery found by its record's file offset. Its path
// is kept beside it as the menu's text.
//
// The file is written through a temporary file renamed over it (QSaveFile). It is read as
// untrusted input: a file that is not what this program writes, names another hive, or is
// larger than any it writes is ignored with the reason, and each bookmark is checked against
// the hive it is restored into.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "hive/byte_cursor.h"

namespace quarvex::ui {

struct Bookmark {
  enum class Kind { Key, Deleted };
  Kind kind = Kind::Key;
  std::int64_t offset = 0;  // the key node's file offset (Key), the deleted record's (Deleted)
  QString label;            // the key's path when it was bookmarked
  bool operator==(const Bookmark& other) const { return kind == other.kind && offset == other.offset; }
};

struct HiveIdentity {
  QString path;  // absolute; an image's hive as IMAGE::PATH with the image's absolute path
  std::int64_t size = 0;
  QByteArray sha256;  // of the hive's bytes, 32 bytes
};

// The identity of the hive opened from `path` whose bytes are `bytes`.
HiveIdentity IdentityOf(const QString& path, hive::Bytes bytes);

class BookmarkStore {
 public:
  // The most bookmarks a hive keeps, and the largest file read back.
  static constexpr int kMaxBookmarks = 500;
  static constexpr qint64 kMaxFileBytes = 1 << 20;

  // directory: where the files go; empty: the program's data folder's "bookmarks".
  explicit BookmarkStore(QString directory = {});

  // The file that holds this hive's bookmarks (it need not exist).
  QString FileFor(const HiveIdentity& hive) const;
  // The hive's bookmarks; none when it has no file yet. A file that cannot be read or is not
  // a bookmark file of this hive gives none and says why in error.
  std::vector<Bookmark> Load(const HiveIdentity& hive, QString& error) const;
  // Writes them (creating the folder); false and the reason when that fails.
  bool Save(const HiveIdentity& hive, const std::vector<Bookmark>& bookmarks, QString& error) const;

 private:
  QString directory_;
};

}  // namespace quarvex::ui
