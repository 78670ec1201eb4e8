#include "ui/browser/browser_history_panel.h"

#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTableWidget>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "browse/value_text.h"
#include "image/image_address.h"
#include "timeline/key_story.h"
#include "ui/browser/browser_document.h"

namespace quarvex::ui {

struct BrowserHistoryPanel::ReadResult {
  std::string note;
  std::vector<image::HiveCopy> copies;
  std::vector<std::unique_ptr<BrowserDocument>> docs;
  std::vector<std::string> errors;  // per copy: why it could not be read
};

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QTableWidgetItem* Cell(const QString& text, const QString& tip = {}) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  if (!tip.isEmpty()) item->setToolTip(tip);
  return item;
}

const char* MarkText(timeline::ValueMark mark) {
  switch (mark) {
    case timeline::ValueMark::Added:
      return "added";
    case timeline::ValueMark::Changed:
      return "changed";
    case timeline::ValueMark::Same:
      break;
  }
  return "";
}

}  // namespace

BrowserHistoryPanel::BrowserHistoryPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("historyPanel"));
  status_ = new QLabel(QStringLiteral("Open a registry file to see its key through the hive's copies"));
  status_->setObjectName(QStringLiteral("historyStatus"));
  status_->setWordWrap(true);
  copyTable_ = new QTableWidget(0, kCopyColumns);
  copyTable_->setObjectName(QStringLiteral("historyCopies"));
  copyTable_->setHorizontalHeaderLabels(
      {QStringLiteral("Copy"), QStringLiteral("Date"), QStringLiteral("Dated by"), QStringLiteral("Key")});
  copyTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
  copyTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  copyTable_->verticalHeader()->setVisible(false);
  copyTable_->horizontalHeader()->setStretchLastSection(true);
  copyTable_->setColumnWidth(kCopy, 360);
  copyTable_->setColumnWidth(kDate, 150);
  copyTable_->setColumnWidth(kDatedBy, 220);
  valueTree_ = new QTreeWidget;
  valueTree_->setObjectName(QStringLiteral("historyValues"));
  valueTree_->setColumnCount(kValueColumns);
  valueTree_->setHeaderLabels(
      {QStringLiteral("Value"), QStringLiteral("Type"), QStringLiteral("Data"), QStringLiteral("Change")});
  valueTree_->setColumnWidth(kValue, 260);
  valueTree_->setColumnWidth(kData, 360);
  auto* split = new QSplitter(Qt::Horizontal);
  split->addWidget(copyTable_);
  split->addWidget(valueTree_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(status_);
  layout->addWidget(split, 1);
}

BrowserHistoryPanel::~BrowserHistoryPanel() {
  // The reader may not outlive the panel whose result it fills.
  if (reader_) {
    reader_->wait();
    delete reader_;
  }
}

void BrowserHistoryPanel::SetHive(const std::string& address, std::optional<text::CodePage> codePage) {
  ++generation_;  // a read still running for the hive before is forgotten
  address_ = address;
  codePage_ = codePage;
  read_ = false;
  note_.clear();
  copies_.clear();
  docs_.clear();
  key_.reset();
  Refresh();
  // A read still running ends first (ReadEnded starts the new one): the window never waits.
  if (!address_.empty() && isVisible() && !reader_) StartReading();
}

void BrowserHistoryPanel::ShowKey(std::optional<std::string> path) {
  key_ = std::move(path);
  Refresh();
}

void BrowserHistoryPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!address_.empty() && !read_ && !reader_) StartReading();
}

void BrowserHistoryPanel::StartReading() {
  if (reader_) {
    reader_->wait();
    reader_->deleteLater();
    reader_ = nullptr;
  }
  const int generation = generation_;
  auto result = std::make_shared<ReadResult>();
  result_ = result;
  const std::string address = address_;
  const std::optional<text::CodePage> codePage = codePage_;
  reader_ = QThread::create([result, address, codePage] {
    std::string error;
    std::optional<image::HiveHistory> found = image::CopiesOf(address, error);
    if (!found) {
      result->note = error;
      return;
    }
    result->copies = std::move(found->copies);
    for (const image::HiveCopy& copy : result->copies) {
      std::string why;
      result->docs.push_back(BrowserDocument::Load(copy.address, codePage, why));
      result->errors.push_back(why);
    }
  });
  connect(reader_, &QThread::finished, this, [this, generation] { ReadEnded(generation); });
  Refresh();
  reader_->start();
}

void BrowserHistoryPanel::ReadEnded(int generation) {
  if (!reader_) return;
  reader_->wait();
  reader_->deleteLater();
  reader_ = nullptr;
  std::shared_ptr<ReadResult> result = std::move(result_);
  if (generation != generation_) {
    if (!address_.empty() && isVisible()) StartReading();  // the hive changed meanwhile
    return;
  }
  note_ = std::move(result->note);
  copies_ = std::move(result->copies);
  docs_ = std::move(result->docs);
  for (std::size_t i = 0; i < copies_.size(); ++i)
    if (!docs_[i] && !result->errors[i].empty())
      copies_[i].note += (copies_[i].note.empty() ? "" : "; ") + result->errors[i];
  read_ = true;
  Refresh();
  emit copiesRead();
}

void BrowserHistoryPanel::Refresh() {
  copyTable_->setRowCount(0);
  valueTree_->clear();
  if (address_.empty()) {
    status_->setText(QStringLiteral("Open a registry file to see its key through the hive's copies"));
    return;
  }
  if (!read_) {
    status_->setText(reader_ ? QStringLiteral("Finding and reading the copies of this hive…")
                             : QStringLiteral("The copies of this hive are read when this view is shown"));
    return;
  }
  if (copies_.empty()) {
    status_->setText(QStringLiteral("No copies of this hive to compare: %1").arg(FromUtf8(note_)));
    return;
  }
  std::vector<const browse::HiveView*> views;
  for (const auto& doc : docs_) views.push_back(doc ? &doc->View() : nullptr);
  const std::vector<timeline::KeyInCopy> story =
      key_ ? timeline::KeyStory(views, *key_) : std::vector<timeline::KeyInCopy>(copies_.size());
  status_->setText(
      key_
          ? QStringLiteral("%1 in %2 copies of this hive, oldest first")
                .arg(key_->empty() ? QStringLiteral("The top key") : FromUtf8(*key_))
                .arg(copies_.size())
          : QStringLiteral("%1 copies of this hive, oldest first; select a live key to follow it").arg(copies_.size()));
  copyTable_->setRowCount(static_cast<int>(copies_.size()));
  for (std::size_t i = 0; i < copies_.size(); ++i) {
    const image::HiveCopy& c = copies_[i];
    const int row = static_cast<int>(i);
    const QString name = FromUtf8(image::DisplayName(c.address));
    // The copy the window shows is marked, so that "the copy before" reads at a glance.
    const bool open = image::SameHiveFile(c.address, address_);
    QTableWidgetItem* copyCell =
        Cell(QStringLiteral("[%1] %2%3").arg(i + 1).arg(name, open ? QStringLiteral(" (open)") : QString()),
             FromUtf8(c.address));
    if (open) {
      QFont bold = copyCell->font();
      bold.setBold(true);
      copyCell->setFont(bold);
    }
    copyTable_->setItem(row, kCopy, copyCell);
    copyTable_->setItem(row, kDate, Cell(c.when ? FromUtf8(image::WallClockText(c.when)) : QStringLiteral("no date")));
    copyTable_->setItem(
        row, kDatedBy,
        Cell(FromUtf8(c.whenSource) + (c.note.empty() ? QString() : QStringLiteral("; ") + FromUtf8(c.note))));
    const QString state = key_ ? QString::fromLatin1(timeline::KeyStateName(story[i].state)) : QString();
    copyTable_->setItem(row, kKey, Cell(docs_[i] ? state : QStringLiteral("not readable")));
    if (!key_) continue;
    auto* top = new QTreeWidgetItem(
        valueTree_, QStringList{QStringLiteral("[%1] %2").arg(i + 1).arg(name), QString(), QString(), state});
    for (const timeline::ValueInCopy& v : story[i].values)
      new QTreeWidgetItem(top, QStringList{v.name.empty() ? QStringLiteral("(default)") : FromUtf8(v.name),
                                           FromUtf8(browse::TypeName(v.type)), FromUtf8(v.data),
                                           QString::fromLatin1(MarkText(v.mark))});
    for (const std::string& gone : story[i].removedValues)
      new QTreeWidgetItem(top, QStringList{gone.empty() ? QStringLiteral("(default)") : FromUtf8(gone), QString(),
                                           QString(), QStringLiteral("removed")});
  }
  valueTree_->expandAll();
}

}  // namespace quarvex::ui
