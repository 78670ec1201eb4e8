// The browser's byte view: sections of the file (a key node's 28 bytes, a data record, one
// value, or whatever structure "Go to offset" found) as hex rows, with a range of bytes
// highlighted (the selected value's). Read-only; the rows come from HexRows.
#pragma once

#include <QPlainTextEdit>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hive/byte_cursor.h"
#include "text/codepage.h"

namespace quarvex::ui {

class BrowserHexView : public QPlainTextEdit {
  Q_OBJECT

 public:
  // Bytes shown per section at most; a longer structure is cut with a line saying so.
  static constexpr std::int64_t kMaxSectionBytes = 64 * 1024;

  struct Section {
    QString title;  // "Key node at 0x000000AC"
    std::int64_t start = 0;
    std::int64_t length = 0;
  };

  explicit BrowserHexView(QWidget* parent = nullptr);

  // Shows the sections of image; highlight is [start, start + length) in file offsets.
  void ShowSections(hive::Bytes image, text::CodePage codePage, std::vector<Section> sections,
                    std::optional<std::pair<std::int64_t, std::int64_t>> highlight = std::nullopt);
  void ClearSections();

  const std::vector<Section>& Sections() const { return sections_; }
  std::optional<std::pair<std::int64_t, std::int64_t>> Highlight() const { return highlight_; }
  // The bytes of section i as shown (what the rows hold).
  QByteArray SectionBytes(std::size_t i) const;
  // The text the highlight covers, in the hex columns ("05 00 00 00").
  QString HighlightedHex() const;

 private:
  hive::Bytes image_;
  std::vector<Section> sections_;
  std::optional<std::pair<std::int64_t, std::int64_t>> highlight_;
};

}  // namespace quarvex::ui
