#include "ui/analyser/options_page.h"
#include "ui/common/option_controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QToolButton>
#include <algorithm>

namespace quarvex::ui {

namespace {

struct BoxPlace {
  quarvex::stage::Option option;
  int left, top, width, height;
};

// In tab order.
constexpr BoxPlace kBoxPlaces[] = {
    {quarvex::stage::Option::Analyse, 24, 18, 97, 17},
    {quarvex::stage::Option::AnalysisInReport, 40, 42, 161, 17},
    {quarvex::stage::Option::ListBadAndGhostKeys, 56, 64, 225, 17},
    {quarvex::stage::Option::StructureReport, 24, 146, 89, 17},
    {quarvex::stage::Option::HeaderInfo, 48, 208, 73, 17},
    {quarvex::stage::Option::KeyNodeBlockInfo, 208, 184, 81, 17},
    {quarvex::stage::Option::KeyNodesInUse, 208, 248, 81, 17},
    {quarvex::stage::Option::KeyNodesInUseCount, 224, 264, 65, 17},
    {quarvex::stage::Option::FreeKeyNodes, 208, 288, 89, 17},
    {quarvex::stage::Option::FreeKeyNodesCount, 224, 304, 65, 17},
    {quarvex::stage::Option::DataBlockInfo, 408, 184, 81, 17},
    {quarvex::stage::Option::DataBlockCount, 424, 200, 65, 17},
    {quarvex::stage::Option::RecordsInUse, 408, 264, 81, 17},
    {quarvex::stage::Option::RecordsInUseGauge, 512, 264, 97, 17},
    {quarvex::stage::Option::RecordsInUseChecksum, 424, 280, 121, 17},
    {quarvex::stage::Option::RecordsInUseData, 424, 296, 129, 17},
    {quarvex::stage::Option::RecordsInUseCount, 424, 312, 65, 17},
    {quarvex::stage::Option::FreeRecords, 408, 336, 97, 17},
    {quarvex::stage::Option::FreeRecordsCount, 424, 352, 65, 17},
    {quarvex::stage::Option::PrescanRecordHeaders, 40, 352, 273, 25},
    {quarvex::stage::Option::MinimiseWhileAnalysing, 440, 18, 225, 17},
};

QFrame* Bevel(QWidget* parent, const char* name, QFrame::Shadow shadow, const Scale& scale, int l, int t, int w,
              int h) {
  auto* frame = new QFrame(parent);
  frame->setObjectName(QString::fromLatin1(name));
  frame->setFrameStyle(QFrame::Box | shadow);
  scale.Place(frame, l, t, w, h);
  return frame;
}

QLabel* Label(QWidget* parent, const char* name, const char* text, const QColor& colour, const QFont& font,
              const Scale& scale, int l, int t) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(font);
  SetColours(label, colour);
  scale.PlaceAuto(label, l, t);
  return label;
}

// Makes a label's font smaller, a pixel at a time, until the label ends before right.
void FitWidth(QLabel* label, int right) {
  QFont font = label->font();
  while (label->x() + label->sizeHint().width() > right && font.pixelSize() > 6) {
    font.setPixelSize(font.pixelSize() - 1);
    label->setFont(font);
    label->adjustSize();
  }
}

}  // namespace

OptionsPage::OptionsPage(const Scale& scale, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("tsOption"));
  Bevel(this, "Bevel2", QFrame::Sunken, scale, 8, 8, 417, 113);
  bvREP_ = Bevel(this, "bvREP", QFrame::Sunken, scale, 8, 136, 673, 265);
  Bevel(this, "Bevel4", QFrame::Raised, scale, 24, 192, 137, 49);
  Bevel(this, "Bevel3", QFrame::Raised, scale, 24, 344, 337, 41);
  Bevel(this, "Bevel5", QFrame::Raised, scale, 176, 160, 185, 57);
  Bevel(this, "Bevel7", QFrame::Raised, scale, 176, 224, 185, 113);
  Bevel(this, "Bevel6", QFrame::Raised, scale, 376, 160, 289, 73);
  Bevel(this, "Bevel8", QFrame::Raised, scale, 376, 240, 289, 146);

  const QFont fixedBold = LayoutFont(Face::Gothic, 15, scale, true);
  const QFont plain = LayoutFont(Face::PGothic, 15, scale);
  Label(this, "Label12", "CREG ", kBlue, fixedBold, scale, 26, 176);
  // Ends before the RGKN Header frame (Bevel5) starts, whatever face stands in for the layout's.
  FitWidth(Label(this, "Label8", "General Header ", kMaroon, plain, scale, 72, 176), scale.Px(176) - 2);
  Label(this, "Label13", "RGKN ", kBlue, fixedBold, scale, 178, 144);
  Label(this, "Label9", "Key Node Info. ", kMaroon, plain, scale, 232, 144);
  Label(this, "Label11", "Header ", kPurple, plain, scale, 192, 168);
  Label(this, "Label10", "Record ", kPurple, plain, scale, 192, 232);
  Label(this, "Label14", "RGDB ", kBlue, fixedBold, scale, 378, 144);
  Label(this, "Label15", "Data Block ", kMaroon, plain, scale, 432, 144);
  Label(this, "Label16", "Header ", kPurple, plain, scale, 392, 168);
  Label(this, "Label17", "Record ", kPurple, plain, scale, 392, 248);

  QWidget* previous = nullptr;
  for (const BoxPlace& place : kBoxPlaces) {
    auto* box = new QCheckBox(QString::fromUtf8(quarvex::ui::OptionCaption(place.option).data(),
                                                static_cast<int>(quarvex::ui::OptionCaption(place.option).size())),
                              this);
    box->setObjectName(QString::fromLatin1(quarvex::ui::OptionControlName(place.option).data(),
                                           static_cast<int>(quarvex::ui::OptionControlName(place.option).size())));
    box->setChecked(quarvex::stage::OnByDefault(place.option));
    scale.Place(box, place.left, place.top, place.width, place.height);
    // This host's faces and check marks are wider than the ones the layout was drawn with:
    // a caption is never cut.
    box->resize(std::max(box->width(), box->sizeHint().width()), box->height());
    boxes_[static_cast<std::size_t>(place.option)] = box;
    if (previous) QWidget::setTabOrder(previous, box);
    previous = box;
  }

  sbSelAll_ = new QToolButton(this);
  sbSelAll_->setObjectName(QStringLiteral("sbSelAll"));
  sbSelAll_->setText(QStringLiteral("Select All"));
  sbSelAll_->setFont(LayoutFont(Face::PGothic, 13, scale, true));
  SetColours(sbSelAll_, kNavy);
  {
    // Disabled during a job, it greys out like the rest of the page.
    QPalette palette = sbSelAll_->palette();
    const QPalette standard = QApplication::palette(sbSelAll_);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
      palette.setColor(QPalette::Disabled, role, standard.color(QPalette::Disabled, role));
    sbSelAll_->setPalette(palette);
  }
  sbSelAll_->setCursor(Qt::PointingHandCursor);
  sbSelAll_->setFocusPolicy(Qt::NoFocus);
  scale.Place(sbSelAll_, 24, 248, 137, 25);

  auto* staticText1 = new QLabel(QStringLiteral("処理項目 (Do after Opened) "), this);
  staticText1->setObjectName(QStringLiteral("StaticText1"));
  staticText1->setAlignment(Qt::AlignCenter);
  staticText1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  staticText1->setFont(LayoutFont(Face::PGothic, 15, scale, true));
  SetColours(staticText1, Qt::white, kGreen);
  scale.Place(staticText1, 440, 410, 241, 17);

  pnREP_HIDE_ = new QLabel(QStringLiteral("  Standard Mode  "), this);
  pnREP_HIDE_->setObjectName(QStringLiteral("pnREP_HIDE"));
  pnREP_HIDE_->setAlignment(Qt::AlignCenter);
  pnREP_HIDE_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pnREP_HIDE_->setFont(LayoutFont(Face::PGothic, 20, scale, true));
  SetColours(pnREP_HIDE_, kNavy);
  pnREP_HIDE_->setAutoFillBackground(true);  // opaque, in the page's colour
  scale.Place(pnREP_HIDE_, 600, 176, 49, 41);
  pnREP_HIDE_->hide();

  for (QCheckBox* box : boxes_) box->installEventFilter(this);
}

quarvex::stage::AnalysisOptions OptionsPage::States() const {
  quarvex::stage::AnalysisOptions states;
  for (quarvex::stage::Option o : quarvex::stage::AllOptions()) states.Set(o, Box(o)->isChecked());
  return states;
}

void OptionsPage::CoverReportOptions(bool cover) {
  covered_ = cover;
  if (cover) {
    // Left, width, top and height of the frame, as the panel takes them.
    pnREP_HIDE_->setGeometry(bvREP_->geometry());
    pnREP_HIDE_->raise();
    pnREP_HIDE_->show();
  } else {
    pnREP_HIDE_->hide();
  }
  for (QCheckBox* box : boxes_)
    if (bvREP_->geometry().contains(box->geometry())) box->setFocusPolicy(cover ? Qt::NoFocus : Qt::StrongFocus);
}

bool OptionsPage::eventFilter(QObject* watched, QEvent* event) {
  // A covered box's accelerator key must not reach it.
  if (covered_ && event->type() == QEvent::Shortcut) {
    auto* box = qobject_cast<QCheckBox*>(watched);
    if (box && bvREP_->geometry().contains(box->geometry())) return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace quarvex::ui
