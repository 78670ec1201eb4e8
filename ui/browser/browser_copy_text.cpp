#include "ui/browser/browser_copy_text.h"

#include <string>
#include <string_view>
#include <vector>

#include "browse/hive_view.h"
#include "browse/value_text.h"
#include "hive/finding.h"
#include "recover/recover.h"
#include "text/report_lines.h"
#include "text/text_encoding.h"
#include "ui/browser/browser_document.h"
#include "ui/browser/browser_subtree_export.h"

namespace quarvex::ui {

namespace {

constexpr std::uint16_t kSz = 1, kExpandSz = 2, kDword = 4, kDwordBigEndian = 5, kMultiSz = 7, kQword = 11;

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool Nameless(const browse::HiveView& view, std::int32_t key) {
  return key >= 0 && view.Hive().keys[static_cast<std::size_t>(key)].record == salvage::kNoIndex;
}

std::string_view UpToZero(std::string_view s) { return s.substr(0, std::min(s.find('\0'), s.size())); }

}  // namespace

std::string WindowKeyName(const browse::HiveView& view, std::int32_t key) {
  if (!Nameless(view, key)) return view.Name(key);
  const hive::KeyNodeOffset node = view.Hive().keys[static_cast<std::size_t>(key)].node;
  return "{key node " + hive::Hex32(static_cast<std::uint32_t>(node.InFile().value)) + "}";
}

std::string WindowKeyPath(const browse::HiveView& view, std::int32_t key) {
  std::vector<std::int32_t> chain;
  for (std::int32_t k = key; k != browse::kTop; k = view.Parent(k)) chain.push_back(k);
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.empty()) path += '\\';
    path += WindowKeyName(view, *it);
  }
  return path;
}

QString NamelessKeyNote(const browse::HiveView& view, std::int32_t key) {
  if (!Nameless(view, key)) return {};
  return QStringLiteral(
      "Named by its key node's file offset (as the bytes, the problems and Go to Offset count): "
      "its data record, which holds the name, could not be read");
}

QString RecoveredKeyPath(const BrowserDocument& doc, std::size_t recovered) {
  const recover::RecoveredKey& key = doc.Recovery().keys[recovered];
  const QString path = FromUtf8(text::CodePageToUtf8(key.path, doc.CodePage()));
  if (!key.parentKnown) return path;
  return FromUtf8(doc.RootKey()) + QLatin1Char('\\') + path;
}

QString PlainDataText(const BrowserValueTableModel::Row& row, text::CodePage codePage) {
  const std::string_view raw(reinterpret_cast<const char*>(row.data.data()), row.data.size());
  if (row.type == kSz || row.type == kExpandSz) return FromUtf8(text::CodePageToUtf8(UpToZero(raw), codePage));
  if (row.type == kMultiSz) {
    QStringList strings;
    std::size_t begin = 0;
    while (begin < raw.size()) {
      const std::size_t end = std::min(raw.find('\0', begin), raw.size());
      if (end == begin) break;  // an empty string ends the list
      strings << FromUtf8(text::CodePageToUtf8(raw.substr(begin, end - begin), codePage));
      begin = end + 1;
    }
    return strings.join(QLatin1Char('\n'));
  }
  const std::size_t n = row.data.size();
  if (((row.type == kDword || row.type == kDwordBigEndian) && n == 4) || (row.type == kQword && n == 8)) {
    salvage::SalvagedValue value;
    value.type = row.type;
    value.data = row.data;
    return FromUtf8(browse::DataText(value, codePage));
  }
  return DataHexText(row);
}

QString DataHexText(const BrowserValueTableModel::Row& row) { return FromUtf8(browse::HexBytes(row.data)); }

QString SubtreeRegedit4Text(const BrowserDocument& doc, std::int32_t key) {
  text::ReportLines lines;
  ExportSubtree(doc, key, lines);
  std::string utf8;
  lines.ForEach([&](std::string_view line) {
    utf8 += text::CodePageToUtf8(line, doc.CodePage());
    utf8 += '\n';
  });
  return FromUtf8(utf8);
}

}  // namespace quarvex::ui
