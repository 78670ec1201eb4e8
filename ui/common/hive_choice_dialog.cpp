#include "ui/common/hive_choice_dialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "carve/carve_text.h"
#include "carve/carver.h"
#include "image/carve_scope.h"
#include "image/container_kind.h"
#include "image/hive_listing_text.h"

namespace quarvex::ui {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsLiveSystemOrUser(const image::ListedHive& hive) {
  if (hive.file.kind != image::HiveKind::Live || hive.file.deleted || hive.member) return false;
  const std::string& path = hive.file.path;
  const std::size_t slash = path.find_last_of('/');
  const QString name = QString::fromStdString(slash == std::string::npos ? path : path.substr(slash + 1)).toUpper();
  return name == QLatin1String("SYSTEM.DAT") || name == QLatin1String("USER.DAT");
}

// A row the carver adds.
struct CarvedRow {
  bool fragment = false;
  std::uint64_t size = 0;
  std::string address;  // "@0x01A2B000"
  std::string found;    // what was found of it, and what is missing
};

// The search of the unallocated clusters, run on the carver's thread: the rows, and the line
// that sums them up (or says why nothing was searched).
std::vector<CarvedRow> CarveRows(const std::string& container, const std::atomic<bool>& stop,
                                 const std::function<void(std::uint64_t, std::uint64_t)>& progress,
                                 std::string& status) {
  std::vector<CarvedRow> rows;
  std::string error;
  std::optional<image::CarveScope> scope = image::OpenCarveScope(container, false, error);
  if (!scope) {
    status = "Unallocated clusters not searched: " + error;
    return rows;
  }
  const carve::CarveResult result =
      carve::Carve(*scope->source, scope->scan, [&](std::uint64_t done, std::uint64_t total) {
        progress(done, total);
        return !stop.load();
      });
  for (const carve::HiveChain& hive : result.hives)
    rows.push_back({false, hive.End() - hive.start, "@" + carve::OffsetText(hive.start),
                    "whole: " + std::to_string(hive.header.wDBblks) +
                        (hive.header.wDBblks == 1 ? " data block" : " data blocks")});
  for (const carve::Fragment& fragment : result.fragments) {
    std::string found = carve::FragmentHas(fragment);
    for (const std::string& missing : fragment.missing) found += "; missing " + missing;
    rows.push_back({true, carve::FragmentBytes(fragment), "@" + carve::OffsetText(fragment.offset), found});
  }
  status = "Searched " + scope->searched + " (" + std::to_string(result.bytesScanned) +
           " bytes): " + std::to_string(result.hives.size()) +
           (result.hives.size() == 1 ? " whole registry file, " : " whole registry files, ") +
           std::to_string(result.fragments.size()) + (result.fragments.size() == 1 ? " fragment" : " fragments") +
           " carved";
  for (const std::string& note : scope->notes) status += "\nnote: " + note;
  for (const std::string& note : result.notes) status += "\nnote: " + note;
  return rows;
}

}  // namespace

// What the carver's thread hands over; the dialog reads it once the thread has ended.
struct HiveChoiceDialog::CarveRun {
  std::atomic<bool> stop = false;
  std::vector<CarvedRow> rows;
  std::string status;
};

std::optional<std::size_t> PreselectedHive(const image::HiveListing& listing) {
  for (std::size_t i = 0; i < listing.hives.size(); ++i)
    if (IsLiveSystemOrUser(listing.hives[i])) return i;
  for (std::size_t i = 0; i < listing.hives.size(); ++i) {
    const image::ListedHive& hive = listing.hives[i];
    if (hive.file.kind != image::HiveKind::CabinetBackup && !hive.file.deleted) return i;
  }
  return std::nullopt;
}

HiveChoiceDialog::HiveChoiceDialog(const QString& container, const image::HiveListing& listing, QWidget* parent,
                                   bool carve)
    : QDialog(parent), container_(container), carve_(carve) {
  setObjectName(QStringLiteral("HiveChoiceDialog"));
  setWindowTitle(QStringLiteral("Registry files in %1").arg(container));
  setModal(true);

  const std::string where = QFile::encodeName(container).toStdString();
  QStringList lines{FromUtf8(image::ListingSummary(where, listing))};
  for (const image::FileSystemInfo& fs : listing.fileSystems) lines << FromUtf8(image::FileSystemText(fs));
  for (const std::string& note : listing.notes) lines << QStringLiteral("note: ") + FromUtf8(note);
  summary_ = new QLabel(lines.join(QLatin1Char('\n')), this);
  summary_->setObjectName(QStringLiteral("lbImage"));
  summary_->setTextFormat(Qt::PlainText);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("lvHives"));
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setHeaderLabels({QStringLiteral("Kind"), QStringLiteral("Size"), QStringLiteral("Created"),
                          QStringLiteral("Written"), QStringLiteral("Accessed"), QStringLiteral("Address"),
                          QStringLiteral("Carved")});
  QTreeWidgetItem* preselectedItem = nullptr;
  const std::optional<std::size_t> preselected = PreselectedHive(listing);
  for (std::size_t i = 0; i < listing.hives.size(); ++i) {
    const image::ListedHive& hive = listing.hives[i];
    const image::HiveRowText row = image::RowText(hive);
    auto* item =
        new QTreeWidgetItem(list_, QStringList{FromUtf8(row.kind), FromUtf8(row.size), FromUtf8(row.created),
                                               FromUtf8(row.written), FromUtf8(row.accessed), FromUtf8(row.address)});
    item->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
    // A backup cabinet is no hive itself: its hives follow it in the list.
    if (hive.file.kind == image::HiveKind::CabinetBackup)
      item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
    else if (preselected == i)
      preselectedItem = item;
  }
  for (int column = 0; column < kColumns; ++column) list_->resizeColumnToContents(column);
  if (preselectedItem) list_->setCurrentItem(preselectedItem);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
  open_ = buttons->button(QDialogButtonBox::Open);
  open_->setObjectName(QStringLiteral("btOpenHive"));
  open_->setEnabled(preselectedItem != nullptr);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QTreeWidget::itemSelectionChanged, this,
          [this] { open_->setEnabled(!list_->selectedItems().isEmpty()); });
  connect(list_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    if (item && (item->flags() & Qt::ItemIsSelectable)) accept();
  });

  carveStatus_ = new QLabel(this);
  carveStatus_->setObjectName(QStringLiteral("lbCarve"));
  carveStatus_->setTextFormat(Qt::PlainText);
  carveStatus_->setWordWrap(true);
  carveStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  carveStatus_->setVisible(carve_);
  carveProgress_ = new QProgressBar(this);
  carveProgress_->setObjectName(QStringLiteral("pbCarve"));
  carveProgress_->setRange(0, 1000);
  carveProgress_->setVisible(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(list_, 1);
  layout->addWidget(carveStatus_);
  layout->addWidget(carveProgress_);
  layout->addWidget(buttons);
  resize(900, 360);
}

HiveChoiceDialog::~HiveChoiceDialog() {
  // The search stops within the piece it is reading; nothing it finds is wanted any more.
  if (carver_) {
    run_->stop = true;
    carver_->wait();
    delete carver_;
  }
}

void HiveChoiceDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (carve_ && !run_) StartCarving();
}

void HiveChoiceDialog::StartCarving() {
  run_ = std::make_shared<CarveRun>();
  carveStatus_->setText(QStringLiteral("Searching the unallocated clusters for registry files no directory names…"));
  carveProgress_->setValue(0);
  carveProgress_->setVisible(true);
  const std::string path = QFile::encodeName(container_).toStdString();
  carver_ = QThread::create([this, run = run_, path] {
    // Only a change of a tenth of a percent is posted: at most 1,000 calls however large the image.
    int shown = -1;
    run->rows = CarveRows(
        path, run->stop,
        [this, &shown](std::uint64_t done, std::uint64_t total) {
          const int permille = total ? static_cast<int>(done * 1000 / total) : 1000;
          if (permille == shown) return;
          shown = permille;
          QMetaObject::invokeMethod(
              this, [this, permille] { carveProgress_->setValue(permille); }, Qt::QueuedConnection);
        },
        run->status);
  });
  connect(carver_, &QThread::finished, this, &HiveChoiceDialog::CarvingEnded);
  carver_->start();
}

void HiveChoiceDialog::CarvingEnded() {
  if (!carver_) return;
  carver_->wait();
  carver_->deleteLater();
  carver_ = nullptr;
  carveProgress_->setVisible(false);
  carveStatus_->setText(FromUtf8(run_->status));
  for (const CarvedRow& row : run_->rows) {
    auto* item = new QTreeWidgetItem(list_, QStringList{QString::fromLatin1(row.fragment ? kFragmentKind : kCarvedKind),
                                                        QString::number(row.size),
                                                        {},
                                                        {},
                                                        {},
                                                        FromUtf8(row.address),
                                                        FromUtf8(row.found)});
    item->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
    item->setToolTip(kCarved, FromUtf8(row.found));
  }
  for (int column = 0; column < kColumns; ++column) list_->resizeColumnToContents(column);
  emit carvingEnded();
}

bool HiveChoiceDialog::ChosenIsFragment() const {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  return !selected.isEmpty() && selected.front()->text(kKind) == QLatin1String(kFragmentKind);
}

QString HiveChoiceDialog::ChosenAddress() const {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return {};
  return container_ + QStringLiteral("::") + selected.front()->text(kAddress);
}

QString ChooseHiveIn(QWidget* parent, const QString& chosen, const HiveChoiceRunner& run, QString& error,
                     bool opensFragments) {
  error.clear();
  const std::string path = QFile::encodeName(chosen).toStdString();
  const image::ContainerKind kind = image::ContainerKindOf(path);
  if (kind == image::ContainerKind::None) return chosen;
  std::string why;
  // Walking the image's directories takes a moment on a large disk.
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const std::optional<image::HiveListing> listing = image::ListHives(path, true, why);
  QGuiApplication::restoreOverrideCursor();
  if (!listing) {
    error = FromUtf8(why);
    return {};
  }
  bool any = false;
  for (const image::ListedHive& hive : listing->hives) any = any || hive.file.kind != image::HiveKind::CabinetBackup;
  // A disk image is listed even with no registry file its directories name: the carver may
  // find some in its unallocated clusters.
  const bool disk = kind == image::ContainerKind::DiskImage;
  if (!any && !disk) {
    error = QStringLiteral(
                "%1: no registry file in it (SYSTEM.DAT, USER.DAT, CLASSES.DAT, SYSTEM.1ST, "
                "SYSTEM.DA0, USER.DA0, or one in a RBnnn.CAB backup)")
                .arg(chosen);
    return {};
  }
  HiveChoiceDialog dialog(chosen, *listing, parent, disk);
  const int result = run ? run(dialog) : dialog.exec();
  if (result != QDialog::Accepted) return {};
  if (dialog.ChosenIsFragment() && !opensFragments) {
    error = QStringLiteral(
                "%1: a carved fragment, not a whole registry file: the analysis reads a file as Windows "
                "wrote it, and a fragment lacks blocks of it. Open the fragment in the browser window "
                "(its surviving keys and values), or list it with quarvex-cli hives --carve and read its "
                "facts with quarvex-cli facts.")
                .arg(dialog.ChosenAddress());
    return {};
  }
  return dialog.ChosenAddress();
}

}  // namespace quarvex::ui
