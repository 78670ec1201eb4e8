// The facts of the open hive for the browser's Facts dock, grouped as the text report groups
// them: a row per theme, under it a row per place of the fact table that found something, under
// that the facts. Each fact row names its key, how it was found (live, recovered with its
// confidence, or damaged with the findings), the link that reached it and its note; the fact's
// index into the document's facts rides along for the window to select its key and value.
#pragma once

#include <QIcon>
#include <QStandardItemModel>
#include <cstddef>
#include <optional>
#include <vector>

namespace quarvex::ui {

class BrowserDocument;

class BrowserFactsModel : public QStandardItemModel {
  Q_OBJECT

 public:
  enum Column { kFact, kKey, kOrigin, kLinked, kNote, kColumns };
  static constexpr int kFactRole = Qt::UserRole + 1;  // the fact's index; absent on group rows

  explicit BrowserFactsModel(QObject* parent = nullptr);

  // doc may be null (nothing open); it must outlive its use here.
  void SetDocument(const BrowserDocument* doc);
  // The fact a row stands for (any column), or none for a theme or place row.
  std::optional<std::size_t> FactOf(const QModelIndex& index) const;
  // The row of a fact (column kFact).
  QModelIndex IndexOfFact(std::size_t fact) const;

 private:
  std::vector<QStandardItem*> factItems_;  // per fact, its kFact item; owned by the model
  QIcon recoveredIcon_;
  QIcon damagedIcon_;
};

}  // namespace quarvex::ui
