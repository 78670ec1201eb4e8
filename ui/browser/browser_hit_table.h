// The Search dock's table of hits (key, value, type, matched text), and the step from one hit
// to the next or previous that Find Next and Find Previous (F3, Shift+F3) take.
#pragma once

#include <optional>

class QAbstractItemModel;
class QTableView;

namespace quarvex::ui {

// A table over BrowserSearchHits: whole rows selected one at a time, rows of one fixed
// height (hundreds of thousands of hits are laid out without measuring each), the last
// column stretched.
QTableView* NewHitTable(QAbstractItemModel* hits);

// The row Find Next (forward) or Find Previous goes to from `current` (-1: none yet) among
// `rows` hits, going round from the last to the first and back; nothing when there are none.
std::optional<int> StepHit(int current, int rows, bool forward);

}  // namespace quarvex::ui
