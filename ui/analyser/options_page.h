// The Options page (tsOption): the 21 option boxes, "Select All", the frames that group them,
// and the panel pnREP_HIDE that covers the structure-report options in standard mode.
#pragma once

#include <QWidget>
#include <array>

#include "stage/options.h"
#include "ui/analyser/window_geometry.h"

class QCheckBox;
class QFrame;
class QLabel;
class QToolButton;

namespace quarvex::ui {

class OptionsPage : public QWidget {
  Q_OBJECT

 public:
  OptionsPage(const Scale& scale, QWidget* parent);

  QCheckBox* Box(quarvex::stage::Option option) const { return boxes_[static_cast<std::size_t>(option)]; }
  QToolButton* SelectAllButton() const { return sbSelAll_; }
  QLabel* CoverPanel() const { return pnREP_HIDE_; }
  QFrame* ReportFrame() const { return bvREP_; }
  // The states of all boxes now.
  quarvex::stage::AnalysisOptions States() const;

  // Standard mode: the panel takes the frame's place and size and shows, and nothing under it
  // can be reached, by mouse, by Tab or by a box's accelerator key. Advanced mode: hidden.
  void CoverReportOptions(bool cover);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::array<QCheckBox*, quarvex::stage::kOptionCount> boxes_{};
  QToolButton* sbSelAll_ = nullptr;
  QLabel* pnREP_HIDE_ = nullptr;
  QFrame* bvREP_ = nullptr;
  bool covered_ = false;
};

}  // namespace quarvex::ui
