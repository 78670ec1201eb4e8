#include "ui/browser/browser_facts_model.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QFont>
#include <QStyle>

#include "browse/value_text.h"
#include "facts/fact_definition.h"
#include "ui/browser/browser_document.h"

namespace quarvex::ui {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Recovered facts in the colour the key tree draws recovered keys in.
const QColor kRecoveredColour(0xA0, 0x20, 0x90);

// The fact as the text report's value line reads: "1. url1 = http://a.example/".
QString FactText(const facts::Fact& f) {
  std::string line;
  if (f.position) line += std::to_string(*f.position) + ". ";
  if (facts::NamesKeyOnly(f)) {
    line += f.text;
  } else if (!f.hasValue && f.valueName.empty()) {
    line += "(no value)";
  } else {
    line += (f.valueName.empty() ? std::string("(default)") : browse::EscapeControls(f.valueName)) + " = " + f.text;
  }
  return FromUtf8(line);
}

QStandardItem* Cell(const QString& text) {
  auto* item = new QStandardItem(text);
  item->setEditable(false);
  item->setToolTip(text);
  return item;
}

}  // namespace

BrowserFactsModel::BrowserFactsModel(QObject* parent) : QStandardItemModel(parent) {
  recoveredIcon_ = QApplication::style()->standardIcon(QStyle::SP_TrashIcon);
  damagedIcon_ = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
  setHorizontalHeaderLabels({QStringLiteral("Fact"), QStringLiteral("Key"), QStringLiteral("Found"),
                             QStringLiteral("Reached by"), QStringLiteral("Note")});
}

void BrowserFactsModel::SetDocument(const BrowserDocument* doc) {
  removeRows(0, rowCount());
  factItems_.clear();
  if (!doc) return;
  const std::vector<facts::Fact>& all = doc->Facts().facts;
  factItems_.assign(all.size(), nullptr);
  QFont bold;
  bold.setBold(true);
  for (const facts::Theme theme : {facts::Theme::System, facts::Theme::Programs, facts::Theme::Hardware,
                                   facts::Theme::Network, facts::Theme::Traces}) {
    QStandardItem* themeItem = Cell(FromUtf8(facts::ThemeTitle(theme)));
    themeItem->setFont(bold);
    QStandardItem* placeItem = nullptr;
    const facts::FactDefinition* place = nullptr;
    int count = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
      const facts::Fact& f = all[i];
      if (f.definition->theme != theme) continue;
      if (f.definition != place) {
        place = f.definition;
        placeItem = Cell(FromUtf8(place->label));
        placeItem->setToolTip(FromUtf8(place->id));
        themeItem->appendRow(placeItem);
      }
      ++count;
      QStandardItem* fact = Cell(FactText(f));
      fact->setData(static_cast<qulonglong>(i), kFactRole);
      QStandardItem* key = Cell(QStringLiteral("[%1] ").arg(f.hive + 1) + FromUtf8(browse::EscapeControls(f.keyPath)));
      QString origin;
      if (f.recovered) {
        origin = QStringLiteral("recovered, confidence ") + FromUtf8(recover::ConfidenceName(f.confidence));
      } else if (!f.findings.empty()) {
        origin = QStringLiteral("damaged: ");
        for (std::size_t k = 0; k < f.findings.size(); ++k)
          origin += (k ? QStringLiteral("; ") : QString()) + FromUtf8(f.findings[k]);
      } else {
        origin = QStringLiteral("live");
      }
      QStandardItem* found = Cell(origin);
      if (f.recovered) {
        found->setIcon(recoveredIcon_);
        for (QStandardItem* item : {fact, key, found}) item->setForeground(QBrush(kRecoveredColour));
      } else if (!f.findings.empty()) {
        found->setIcon(damagedIcon_);
      }
      QList<QStandardItem*> row{fact, key, found, Cell(FromUtf8(f.via)), Cell(FromUtf8(f.note))};
      for (QStandardItem* item : row) item->setData(static_cast<qulonglong>(i), kFactRole);
      placeItem->appendRow(row);
      factItems_[i] = fact;
    }
    if (count == 0) {
      QStandardItem* none = Cell(QStringLiteral("(nothing found)"));
      none->setEnabled(false);
      themeItem->appendRow(none);
    }
    appendRow(QList<QStandardItem*>{
        themeItem, Cell(count == 1 ? QStringLiteral("1 fact") : QStringLiteral("%1 facts").arg(count))});
  }
}

std::optional<std::size_t> BrowserFactsModel::FactOf(const QModelIndex& index) const {
  const QVariant v = index.data(kFactRole);
  if (!v.isValid()) return std::nullopt;
  return static_cast<std::size_t>(v.toULongLong());
}

QModelIndex BrowserFactsModel::IndexOfFact(std::size_t fact) const {
  if (fact >= factItems_.size() || !factItems_[fact]) return {};
  return indexFromItem(factItems_[fact]);
}

}  // namespace quarvex::ui
