#include "ui/browser/browser_bookmarks.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace quarvex::ui {

namespace {

const char* const kFormat = "quarvex browser bookmarks 1";
constexpr int kMaxLabel = 4096;

QString KindName(Bookmark::Kind kind) {
  return kind == Bookmark::Kind::Key ? QStringLiteral("key") : QStringLiteral("deleted");
}

}  // namespace

HiveIdentity IdentityOf(const QString& path, hive::Bytes bytes) {
  HiveIdentity id;
  id.path = path;
  id.size = static_cast<std::int64_t>(bytes.size());
  id.sha256 = QCryptographicHash::hash(
      QByteArrayView(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())),
      QCryptographicHash::Sha256);
  return id;
}

BookmarkStore::BookmarkStore(QString directory) : directory_(std::move(directory)) {
  if (directory_.isEmpty())
    directory_ =
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath(QStringLiteral("bookmarks"));
}

QString BookmarkStore::FileFor(const HiveIdentity& hive) const {
  // One name for the three together; the file repeats them, and a load compares them.
  QCryptographicHash name(QCryptographicHash::Sha256);
  name.addData(hive.path.toUtf8());
  name.addData(QByteArrayView("\0", 1));
  name.addData(QByteArray::number(static_cast<qlonglong>(hive.size)));
  name.addData(QByteArrayView("\0", 1));
  name.addData(hive.sha256);
  return QDir(directory_).filePath(QString::fromLatin1(name.result().toHex()) + QStringLiteral(".json"));
}

std::vector<Bookmark> BookmarkStore::Load(const HiveIdentity& hive, QString& error) const {
  error.clear();
  const QString path = FileFor(hive);
  QFile file(path);
  if (!file.exists()) return {};
  if (file.size() > kMaxFileBytes) {
    error = QStringLiteral("%1: %2 bytes, more than a bookmark file holds (%3); ignored")
                .arg(path)
                .arg(file.size())
                .arg(kMaxFileBytes);
    return {};
  }
  if (!file.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("%1: %2").arg(path, file.errorString());
    return {};
  }
  QJsonParseError parse;
  const QJsonDocument doc = QJsonDocument::fromJson(file.read(kMaxFileBytes), &parse);
  if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
    error = QStringLiteral("%1: not a bookmark file (%2 at byte %3); ignored")
                .arg(path, parse.errorString())
                .arg(parse.offset);
    return {};
  }
  const QJsonObject top = doc.object();
  if (top.value(QStringLiteral("format")).toString() != QLatin1String(kFormat) ||
      top.value(QStringLiteral("hive")).toString() != hive.path ||
      top.value(QStringLiteral("size")).toInteger(-1) != hive.size ||
      top.value(QStringLiteral("sha256")).toString() != QString::fromLatin1(hive.sha256.toHex())) {
    error = QStringLiteral("%1: \"format\", \"hive\", \"size\" or \"sha256\" do not name this file; ignored").arg(path);
    return {};
  }
  std::vector<Bookmark> out;
  for (const QJsonValue& item : top.value(QStringLiteral("bookmarks")).toArray()) {
    if (static_cast<int>(out.size()) >= kMaxBookmarks) break;
    const QJsonObject o = item.toObject();
    Bookmark b;
    const QString kind = o.value(QStringLiteral("kind")).toString();
    if (kind == KindName(Bookmark::Kind::Key))
      b.kind = Bookmark::Kind::Key;
    else if (kind == KindName(Bookmark::Kind::Deleted))
      b.kind = Bookmark::Kind::Deleted;
    else
      continue;
    b.offset = o.value(QStringLiteral("offset")).toInteger(-1);
    if (b.offset < 0 || b.offset >= hive.size) continue;
    b.label = o.value(QStringLiteral("label")).toString().left(kMaxLabel);
    if (std::find(out.begin(), out.end(), b) == out.end()) out.push_back(std::move(b));
  }
  return out;
}

bool BookmarkStore::Save(const HiveIdentity& hive, const std::vector<Bookmark>& bookmarks, QString& error) const {
  error.clear();
  if (!QDir().mkpath(directory_)) {
    error = QStringLiteral("%1: cannot make the folder for bookmarks").arg(directory_);
    return false;
  }
  QJsonArray list;
  for (const Bookmark& b : bookmarks)
    list.append(QJsonObject{{QStringLiteral("kind"), KindName(b.kind)},
                            {QStringLiteral("offset"), static_cast<qint64>(b.offset)},
                            {QStringLiteral("label"), b.label}});
  const QJsonObject top{{QStringLiteral("format"), QLatin1String(kFormat)},
                        {QStringLiteral("hive"), hive.path},
                        {QStringLiteral("size"), static_cast<qint64>(hive.size)},
                        {QStringLiteral("sha256"), QString::fromLatin1(hive.sha256.toHex())},
                        {QStringLiteral("bookmarks"), list}};
  const QString path = FileFor(hive);
  QSaveFile out(path);
  const QByteArray bytes = QJsonDocument(top).toJson();
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
    error = QStringLiteral("%1: %2").arg(path, out.errorString());
    return false;
  }
  return true;
}

}  // namespace quarvex::ui
