#include "ui/browser/browser_hex_view.h"

#include <QFontDatabase>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>

#include "ui/common/backslash_fonts.h"
#include "ui/browser/browser_hex_lines.h"

namespace quarvex::ui {

BrowserHexView::BrowserHexView(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setUndoRedoEnabled(false);
  // Japanese text in the text column until a hive says otherwise (the window sets the font
  // for each hive's code page).
  setFont(BrowserFontFor(text::CodePage::Cp932, true));
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void BrowserHexView::ClearSections() {
  sections_.clear();
  highlight_.reset();
  setExtraSelections({});
  clear();
}

void BrowserHexView::ShowSections(hive::Bytes image, text::CodePage codePage, std::vector<Section> sections,
                                  std::optional<std::pair<std::int64_t, std::int64_t>> highlight) {
  image_ = image;
  sections_ = std::move(sections);
  highlight_ = highlight;
  QStringList lines;
  struct RowAt {
    int block;
    std::int64_t offset;
    std::int64_t from, to;  // the section's bytes
  };
  std::vector<RowAt> rows;
  const auto size = static_cast<std::int64_t>(image.size());
  for (Section& section : sections_) {
    section.start = std::clamp<std::int64_t>(section.start, 0, size);
    section.length = std::clamp<std::int64_t>(section.length, 0, size - section.start);
    const bool cut = section.length > kMaxSectionBytes;
    if (cut) section.length = kMaxSectionBytes;
    if (!lines.isEmpty()) lines << QString();
    lines << section.title;
    for (const HexRow& row : HexRows(image, section.start, section.length, codePage)) {
      rows.push_back({static_cast<int>(lines.size()), row.offset, section.start, section.start + section.length});
      lines << QString::fromUtf8(row.text.data(), static_cast<qsizetype>(row.text.size()));
    }
    if (cut) lines << QStringLiteral("(the first %1 bytes are shown)").arg(kMaxSectionBytes);
  }
  setPlainText(lines.join(QLatin1Char('\n')));

  QList<QTextEdit::ExtraSelection> marks;
  bool scrolled = false;
  if (highlight_) {
    const std::int64_t hFrom = highlight_->first, hTo = highlight_->first + highlight_->second;
    QTextCharFormat format;
    format.setBackground(palette().highlight());
    format.setForeground(palette().highlightedText());
    for (const RowAt& row : rows) {
      const std::int64_t from = std::max({hFrom, row.from, row.offset});
      const std::int64_t to = std::min({hTo, row.to, row.offset + kHexRowBytes});
      if (from >= to) continue;
      const QTextBlock block = document()->findBlockByNumber(row.block);
      QTextCursor cursor(block);
      cursor.setPosition(block.position() + HexColumnOf(static_cast<int>(from - row.offset)));
      cursor.setPosition(block.position() + HexColumnOf(static_cast<int>(to - row.offset)) - 1,
                         QTextCursor::KeepAnchor);
      marks.push_back({cursor, format});
      if (!scrolled) {
        setTextCursor(QTextCursor(block));
        ensureCursorVisible();
        scrolled = true;
      }
    }
  }
  setExtraSelections(marks);
  if (!scrolled) moveCursor(QTextCursor::Start);
}

QByteArray BrowserHexView::SectionBytes(std::size_t i) const {
  if (i >= sections_.size()) return {};
  const Section& s = sections_[i];
  return QByteArray(reinterpret_cast<const char*>(image_.data() + s.start), static_cast<qsizetype>(s.length));
}

QString BrowserHexView::HighlightedHex() const {
  QStringList parts;
  for (const QTextEdit::ExtraSelection& mark : extraSelections()) parts << mark.cursor.selectedText();
  return parts.join(QLatin1Char(' '));
}

}  // namespace quarvex::ui
