#include "ui/browser/browser_hit_table.h"

#include <QHeaderView>
#include <QTableView>

#include "ui/browser/browser_search.h"

namespace quarvex::ui {

QTableView* NewHitTable(QAbstractItemModel* hits) {
  auto* table = new QTableView;
  table->setObjectName(QStringLiteral("hitTable"));
  table->setModel(hits);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setWordWrap(false);
  table->setTabKeyNavigation(false);
  // Rows of one height: adding rows measures none of them.
  QHeaderView* rows = table->verticalHeader();
  rows->hide();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(table->fontMetrics().height() + 4);
  QHeaderView* columns = table->horizontalHeader();
  columns->setStretchLastSection(true);
  columns->setHighlightSections(false);
  table->setColumnWidth(BrowserSearchHits::kKey, 220);
  table->setColumnWidth(BrowserSearchHits::kValue, 110);
  table->setColumnWidth(BrowserSearchHits::kType, 100);
  return table;
}

std::optional<int> StepHit(int current, int rows, bool forward) {
  if (rows <= 0) return std::nullopt;
  if (current < 0 || current >= rows) return forward ? 0 : rows - 1;
  return forward ? (current + 1) % rows : (current + rows - 1) % rows;
}

}  // namespace quarvex::ui
