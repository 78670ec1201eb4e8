#include "ui/hive_choice_dialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "image/container_kind.h"
#include "image/hive_listing_text.h"

namespace quarvex::ui {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

bool IsLiveSystemOrUser(const image::ListedHive& hive) {
  if (hive.file.kind != image::HiveKind::Live || hive.file.deleted || hive.member) return false;
  const std::string& path = hive.file.path;
  const std::size_t slash = path.find_last_of('/');
  const QString name = QString::fromStdString(slash == std::string::npos ? path : path.substr(slash + 1)).toUpper();
  return name == QLatin1String("SYSTEM.DAT") || name == QLatin1String("USER.DAT");
}

}  // namespace

std::optional<std::size_t> PreselectedHive(const image::HiveListing& listing) {
  for (std::size_t i = 0; i < listing.hives.size(); ++i)
    if (IsLiveSystemOrUser(listing.hives[i])) return i;
  for (std::size_t i = 0; i < listing.hives.size(); ++i) {
    const image::ListedHive& hive = listing.hives[i];
    if (hive.file.kind != image::HiveKind::CabinetBackup && !hive.file.deleted) return i;
  }
  return std::nullopt;
}

HiveChoiceDialog::HiveChoiceDialog(const QString& container, const image::HiveListing& listing, QWidget* parent)
    : QDialog(parent), container_(container) {
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
                          QStringLiteral("Written"), QStringLiteral("Accessed"), QStringLiteral("Address")});
  QTreeWidgetItem* preselectedItem = nullptr;
  const std::optional<std::size_t> preselected = PreselectedHive(listing);
  for (std::size_t i = 0; i < listing.hives.size(); ++i) {
    const image::ListedHive& hive = listing.hives[i];
    const image::HiveRowText row = image::RowText(hive);
    auto* item = new QTreeWidgetItem(list_, QStringList{FromUtf8(row.kind), FromUtf8(row.size), FromUtf8(row.created),
                                                        FromUtf8(row.written), FromUtf8(row.accessed),
                                                        FromUtf8(row.address)});
    item->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
    // A backup cabinet is no hive itself: its hives follow it in the list.
    if (hive.file.kind == image::HiveKind::CabinetBackup) item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
    else if (preselected == i) preselectedItem = item;
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

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(list_, 1);
  layout->addWidget(buttons);
  resize(900, 360);
}

QString HiveChoiceDialog::ChosenAddress() const {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return {};
  return container_ + QStringLiteral("::") + selected.front()->text(kAddress);
}

QString ChooseHiveIn(QWidget* parent, const QString& chosen, const HiveChoiceRunner& run, QString& error) {
  error.clear();
  const std::string path = QFile::encodeName(chosen).toStdString();
  if (image::ContainerKindOf(path) == image::ContainerKind::None) return chosen;
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
  if (!any) {
    error = QStringLiteral("%1: no registry file in it (SYSTEM.DAT, USER.DAT, CLASSES.DAT, SYSTEM.1ST, "
                           "SYSTEM.DA0, USER.DA0, or one in a RBnnn.CAB backup)")
                .arg(chosen);
    return {};
  }
  HiveChoiceDialog dialog(chosen, *listing, parent);
  const int result = run ? run(dialog) : dialog.exec();
  return result == QDialog::Accepted ? dialog.ChosenAddress() : QString();
}

}  // namespace quarvex::ui
