// What the browser window selects and the bytes it shows for it: a key or a deleted key in the
// tree, a value, a file offset (Go to Offset), and the key, value and bytes a search hit, a
// finding or a fact leads to.
#include <QInputDialog>
#include <QLineEdit>
#include <QStatusBar>
#include <QTableView>
#include <QTreeView>
#include <algorithm>

#include "browse/value_text.h"
#include "ui/browser/browser_copy_text.h"
#include "ui/browser/browser_document.h"
#include "ui/browser/browser_facts_model.h"
#include "ui/browser/browser_hex_lines.h"
#include "ui/browser/browser_hex_view.h"
#include "ui/browser/browser_history_panel.h"
#include "ui/browser/browser_hit_table.h"
#include "ui/browser/browser_key_tree_model.h"
#include "ui/browser/browser_search.h"
#include "ui/browser/browser_value_table_model.h"
#include "ui/browser/browser_window.h"

namespace quarvex::ui {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Hex8(std::int64_t value) {
  return QStringLiteral("0x") +
         QString::number(static_cast<qulonglong>(value), 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

// The key's node and its data record, as the hex view shows a key.
std::vector<BrowserHexView::Section> KeySections(const BrowserDocument& doc, std::int32_t key) {
  const salvage::SalvagedKey& k = doc.Hive().keys[static_cast<std::size_t>(key)];
  std::vector<BrowserHexView::Section> sections;
  const std::int64_t node = k.node.InFile().value;
  sections.push_back({QStringLiteral("Key node at %1 (28 bytes)").arg(Hex8(node)), node, 28});
  if (const std::optional<std::size_t> record = doc.RecordOf(key)) {
    const salvage::SalvagedRecord& r = doc.Hive().records[*record];
    const std::int64_t length = doc.RecordLength(*record);
    sections.push_back({QStringLiteral("Data record at %1 (block %2, record %3, %4 bytes)")
                            .arg(Hex8(r.offset.value))
                            .arg(r.block)
                            .arg(r.header.RecNo)
                            .arg(length),
                        r.offset.value, length});
  } else {
    sections.push_back({QStringLiteral("(no data record could be read for this key)"), 0, 0});
  }
  return sections;
}

// Bytes shown before and after a hit that lies past what the view shows of its record.
constexpr std::int64_t kHitContext = 64;

}  // namespace

std::optional<std::int32_t> BrowserWindow::SelectedKey() const {
  const QModelIndex current = tree_->currentIndex();
  if (!current.isValid() || treeModel_->KindOf(current) != BrowserKeyTreeModel::Kind::Key) return std::nullopt;
  return treeModel_->RefOf(current);
}

bool BrowserWindow::SelectKey(std::int32_t key) {
  const QModelIndex index = treeModel_->IndexForKey(key);
  if (!index.isValid()) return false;
  tree_->scrollTo(index);  // expands the ancestors
  tree_->setCurrentIndex(index);
  return true;
}

bool BrowserWindow::SelectRecovered(std::size_t recovered) {
  const QModelIndex index = treeModel_->IndexForRecovered(recovered);
  if (!index.isValid()) return false;
  tree_->scrollTo(index);
  tree_->setCurrentIndex(index);
  return true;
}

void BrowserWindow::OnTreeCurrentChanged(const QModelIndex& current) {
  if (!doc_ || !current.isValid()) {
    valueModel_->Clear();
    hexView_->ClearSections();
    return;
  }
  switch (treeModel_->KindOf(current)) {
    case BrowserKeyTreeModel::Kind::Key:
      valueModel_->ShowKey(doc_.get(), treeModel_->RefOf(current));
      ShowKeyBytes(treeModel_->RefOf(current), std::nullopt);
      statusBar()->showMessage(KeyPathText(treeModel_->RefOf(current)));
      KeyShown(treeModel_->RefOf(current));
      historyPanel_->ShowKey(doc_->View().Path(treeModel_->RefOf(current)));
      break;
    case BrowserKeyTreeModel::Kind::Recovered:
      valueModel_->ShowRecovered(doc_.get(), static_cast<std::size_t>(treeModel_->RefOf(current)));
      ShowRecoveredBytes(static_cast<std::size_t>(treeModel_->RefOf(current)), std::nullopt);
      statusBar()->showMessage(RecoveredKeyPath(*doc_, static_cast<std::size_t>(treeModel_->RefOf(current))));
      historyPanel_->ShowKey(std::nullopt);
      break;
    default:
      statusBar()->clearMessage();
      valueModel_->Clear();
      hexView_->ClearSections();
      historyPanel_->ShowKey(std::nullopt);
      break;
  }
}

QString BrowserWindow::KeyPathText(std::int32_t key) const {
  return FromUtf8(doc_->RootKey()) + QLatin1Char('\\') + FromUtf8(WindowKeyPath(doc_->View(), key));
}

void BrowserWindow::ShowKeyBytes(std::int32_t key, std::optional<std::pair<std::int64_t, std::int64_t>> highlight) {
  hexView_->ShowSections(doc_->Image(), doc_->CodePage(), KeySections(*doc_, key), highlight);
}

void BrowserWindow::ShowRecoveredBytes(std::size_t recovered,
                                       std::optional<std::pair<std::int64_t, std::int64_t>> highlight) {
  const recover::RecoveredKey& rk = doc_->Recovery().keys[recovered];
  std::vector<BrowserHexView::Section> sections;
  if (rk.node)
    sections.push_back({QStringLiteral("Deleted key node at %1 (28 bytes)").arg(Hex8(rk.node->InFile().value)),
                        rk.node->InFile().value, 28});
  // The recovered record: its header and name, and every value that survived.
  const std::int64_t end = RecoveredEnd(rk);
  sections.push_back({QStringLiteral("Deleted data record at %1 (%2)")
                          .arg(Hex8(rk.offset.value), FromUtf8(std::string(recover::SourceName(rk.source)))),
                      rk.offset.value, end - rk.offset.value});
  hexView_->ShowSections(doc_->Image(), doc_->CodePage(), std::move(sections), highlight);
}

void BrowserWindow::OnValueCurrentChanged(const QModelIndex& current) {
  if (!doc_ || !current.isValid()) return;
  const BrowserValueTableModel::Row& row = valueModel_->RowAt(valueSort_->mapToSource(current).row());
  const std::pair<std::int64_t, std::int64_t> range{row.offset.value,
                                                    12 + static_cast<std::int64_t>(row.name.size() + row.data.size())};
  const QModelIndex key = tree_->currentIndex();
  if (treeModel_->KindOf(key) == BrowserKeyTreeModel::Kind::Key)
    ShowKeyBytes(treeModel_->RefOf(key), range);
  else if (treeModel_->KindOf(key) == BrowserKeyTreeModel::Kind::Recovered)
    ShowRecoveredBytes(static_cast<std::size_t>(treeModel_->RefOf(key)), range);
}

bool BrowserWindow::GoToOffset(std::int64_t offset) {
  if (!doc_) return false;
  const std::optional<StructureAtOffset> found = doc_->StructureAt(offset);
  if (!found) {
    ShowMessage(
        QStringLiteral("Offset %1 lies outside the file (%2 bytes)").arg(Hex8(offset)).arg(doc_->Image().size()));
    return false;
  }
  const std::pair<std::int64_t, std::int64_t> range{found->start, found->length};
  if (found->freeRecord) {
    ShowFreeRecord(offset, *found);
    return true;
  }
  if (found->key && SelectKey(*found->key)) {
    // Select the value's row too; that shows the key's bytes with the value highlighted.
    if (found->value) SelectValueIndex(*found->value);
    ShowKeyBytes(*found->key, range);
  } else {
    std::vector<BrowserHexView::Section> sections{
        {QStringLiteral("%1 at %2").arg(FromUtf8(found->what), Hex8(found->start)), found->start, found->length}};
    hexView_->ShowSections(doc_->Image(), doc_->CodePage(), std::move(sections), range);
  }
  statusBar()->showMessage(QStringLiteral("%1: %2 at %3").arg(Hex8(offset), FromUtf8(found->what), Hex8(found->start)),
                           8000);
  return true;
}

void BrowserWindow::ShowFreeRecord(std::int64_t offset, const StructureAtOffset& found) {
  const browse::FreeRecord& free = *found.freeRecord;
  QString text = QStringLiteral("%1: free record, block %2, size %3, at %4")
                     .arg(Hex8(offset))
                     .arg(free.block)
                     .arg(free.size)
                     .arg(Hex8(free.offset));
  if (found.recovered) {
    // The deleted key read there, selected as a click on it in the tree selects it.
    const std::size_t recovered = *found.recovered;
    if (!treeModel_->ShowRecovered()) SetShowRecovered(true);
    SelectRecovered(recovered);
    const recover::RecoveredKey& rk = doc_->Recovery().keys[recovered];
    text +=
        QStringLiteral("; deleted key %1 read at %2").arg(RecoveredKeyPath(*doc_, recovered), Hex8(rk.offset.value));
  }
  // The free record's own bytes (the view shows up to kMaxSectionBytes of them) in place of
  // what selecting the deleted key showed: the offset asked for lies in them.
  std::vector<BrowserHexView::Section> sections{
      {QStringLiteral("Free record at %1 (block %2, %3 bytes)").arg(Hex8(free.offset)).arg(free.block).arg(free.size),
       free.offset, found.length}};
  hexView_->ShowSections(doc_->Image(), doc_->CodePage(), std::move(sections), std::pair{free.offset, found.length});
  statusBar()->showMessage(text, 8000);
}

void BrowserWindow::GoToOffsetWithDialog() {
  if (!doc_) return;
  bool ok = false;
  const QString text = QInputDialog::getText(this, QStringLiteral("Go to Offset"),
                                             QStringLiteral("File offset (hexadecimal):"), QLineEdit::Normal, {}, &ok);
  if (!ok) return;
  QString digits = text.trimmed();
  if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) digits = digits.mid(2);
  bool parsed = false;
  const qlonglong offset = digits.toLongLong(&parsed, 16);
  if (!parsed) {
    ShowMessage(QStringLiteral("Not a hexadecimal offset: %1").arg(text));
    return;
  }
  GoToOffset(offset);
}

void BrowserWindow::OnHitActivated(const QModelIndex& index) {
  if (!index.isValid() || !doc_) return;
  const SearchHit hit = search_->Hits()->At(index.row());
  if (!SelectKey(hit.key)) return;
  if (!hit.value || !SelectValueIndex(*hit.value) || !hit.inside) return;
  // Selecting the value marked its whole entry; a hit inside its data marks just the bytes
  // found. The value's data is a span into the image, so its file offset is where it starts.
  const salvage::SalvagedValue& value = doc_->Hive().values[*hit.value];
  if (value.data.empty() || hit.inside->offset >= value.data.size()) return;
  const std::int64_t dataStart = value.data.data() - doc_->Image().data();
  const std::int64_t length =
      static_cast<std::int64_t>(std::min(hit.inside->length, value.data.size() - hit.inside->offset));
  const std::pair<std::int64_t, std::int64_t> found{dataStart + static_cast<std::int64_t>(hit.inside->offset), length};
  std::vector<BrowserHexView::Section> sections = KeySections(*doc_, hit.key);
  // The view shows the first kMaxSectionBytes of a record; a value of nearly 64 KB can hold a
  // hit past them, whose bytes are then shown as a section of their own (from where the
  // record's part ends, so no byte is shown twice).
  const BrowserHexView::Section& record = sections.back();
  const std::int64_t shownEnd = record.start + std::min(record.length, BrowserHexView::kMaxSectionBytes);
  if (record.length > 0 && found.first + found.second > shownEnd) {
    const std::int64_t from = std::max(shownEnd, (found.first - kHitContext) & ~std::int64_t{kHexRowBytes - 1});
    const std::int64_t to =
        std::min(dataStart + static_cast<std::int64_t>(value.data.size()), found.first + found.second + kHitContext);
    sections.push_back({QStringLiteral("Value data at %1, beyond the first %2 bytes of the record")
                            .arg(Hex8(from))
                            .arg(BrowserHexView::kMaxSectionBytes),
                        from, to - from});
  }
  hexView_->ShowSections(doc_->Image(), doc_->CodePage(), std::move(sections), found);
  statusBar()->showMessage(QStringLiteral("Found at %1 (+0x%2 in the data of the value), %3 byte(s)")
                               .arg(Hex8(found.first))
                               .arg(QString::number(static_cast<qulonglong>(hit.inside->offset), 16)
                                        .toUpper()
                                        .rightJustified(2, QLatin1Char('0')))
                               .arg(found.second),
                           8000);
}

bool BrowserWindow::SelectValueIndex(std::size_t value) {
  for (int row = 0; row < valueSort_->rowCount(); ++row) {
    const QModelIndex index = valueSort_->index(row, 0);
    if (valueModel_->RowAt(valueSort_->mapToSource(index).row()).valueIndex == value) {
      valueTable_->setCurrentIndex(index);
      return true;
    }
  }
  return false;
}

void BrowserWindow::OnProblemActivated(const QModelIndex& index) {
  if (!index.isValid() || !doc_) return;
  const auto finding = static_cast<std::size_t>(index.row());
  const std::int32_t key = doc_->FindingKey(finding);
  const std::int64_t offset = doc_->Hive().findings[finding].offset.value;
  if (key != browse::kTop && SelectKey(key)) {
    // The key's bytes, with the structure the finding names marked when it is one of them.
    const std::optional<StructureAtOffset> found = doc_->StructureAt(offset);
    ShowKeyBytes(key, found ? std::optional(std::pair{found->start, found->length}) : std::nullopt);
    return;
  }
  GoToOffset(offset);
}

void BrowserWindow::OnFactActivated(const QModelIndex& index) {
  if (!index.isValid() || !doc_) return;
  if (const std::optional<std::size_t> fact = factsModel_->FactOf(index)) SelectFact(*fact);
}

bool BrowserWindow::SelectFact(std::size_t fact) {
  if (!doc_ || fact >= doc_->Facts().facts.size()) return false;
  const facts::Fact& f = doc_->Facts().facts[fact];
  bool selected = false;
  if (f.key) {
    selected = SelectKey(*f.key);
  } else if (f.recoveredKey) {
    if (!treeModel_->ShowRecovered()) SetShowRecovered(true);
    selected = SelectRecovered(*f.recoveredKey);
  }
  if (!selected) return false;
  if (f.valueOffset) SelectValueAt(*f.valueOffset);
  statusBar()->showMessage(FromUtf8(doc_->RootKey()) + QLatin1Char('\\') + FromUtf8(f.keyPath), 8000);
  return true;
}

bool BrowserWindow::SelectValueAt(std::int64_t valueOffset) {
  for (int row = 0; row < valueSort_->rowCount(); ++row) {
    const QModelIndex index = valueSort_->index(row, 0);
    if (valueModel_->RowAt(valueSort_->mapToSource(index).row()).offset.value == valueOffset) {
      valueTable_->setCurrentIndex(index);
      return true;
    }
  }
  return false;
}

}  // namespace quarvex::ui
