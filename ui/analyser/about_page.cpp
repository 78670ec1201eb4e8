#include "ui/analyser/about_page.h"

#include <QFrame>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>

namespace quarvex::ui {

void ClickableImage::mousePressEvent(QMouseEvent* event) { pressed_ = event->button() == Qt::LeftButton; }

void ClickableImage::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  if (click) emit clicked();
}

void ClickableImage::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click comes as this event, not as a press, so its release
  // makes no click of its own.
  pressed_ = false;
  if (event->button() == Qt::LeftButton) emit doubleClicked();
}

namespace {

QLabel* TextLabel(QWidget* parent, const char* name, const QString& text, const QFont& font, const QColor& colour,
                  const Scale& scale, int l, int t, int w, int h, const QColor& background = QColor()) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(font);
  SetColours(label, colour, background);
  scale.Place(label, l, t, w, h);
  return label;
}

}  // namespace

AboutPage::AboutPage(const Scale& scale, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("tsAbout"));

  auto* bevel1 = new QFrame(this);
  bevel1->setObjectName(QStringLiteral("Bevel1"));
  // A single lowered line along the bottom edge.
  bevel1->setStyleSheet(QStringLiteral("QFrame#Bevel1 { border: none; border-bottom: 1px solid palette(mid); }"));
  scale.Place(bevel1, 160, 128, 393, 13);

  imRegIcon_ = new ClickableImage(this);
  imRegIcon_->setObjectName(QStringLiteral("imRegIcon"));
  imRegIcon_->setAlignment(Qt::AlignCenter);
  imRegIcon_->setScaledContents(true);
  scale.Place(imRegIcon_, 168, 96, 32, 32);

  const QFont name = LayoutFont(Face::SansBold, 47, scale);
  QLabel* label2 = TextLabel(this, "Label2", QStringLiteral("Quar"), name, palette().color(QPalette::WindowText), scale,
                             214, 84, 115, 55);
  label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  TextLabel(this, "Label3", QStringLiteral("vex"), name, Qt::white, scale, 331, 84, 117, 55)
      ->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  const QFont plain = LayoutFont(Face::PGothic, 15, scale);
  TextLabel(this, "Label4", QStringLiteral("Copyright (C) 2026 the Quarvex developers"), plain, Qt::black, scale, 229,
            148, 353, 15);
  TextLabel(this, "Label5", QStringLiteral("Registry file analyser for Windows 9x"), plain, kNavy, scale, 229, 164, 342,
            15);
  TextLabel(this, "Label6", QStringLiteral("https://quarvex.invalid/"), plain, kPurple, scale, 229, 180, 190, 15);
  TextLabel(this, "Label7", QStringLiteral("quarvex@mail.invalid"), plain, kMaroon, scale, 229, 196, 168, 15);
  TextLabel(this, "Label1", QStringLiteral(" Every byte of the hive, accounted for"),
            LayoutFont(Face::SansBold, 15, scale), kAqua, scale, 224, 212, 328, 18, Qt::black);

  Gauge1_ = new QProgressBar(this);
  Gauge1_->setObjectName(QStringLiteral("Gauge1"));
  Gauge1_->setTextVisible(false);
  Gauge1_->setRange(0, 100);
  Gauge1_->setValue(0);
  Gauge1_->setToolTip(QStringLiteral("???"));
  Gauge1_->setStyleSheet(
      QStringLiteral("QProgressBar { background: palette(button); border: 1px solid palette(mid); }"
                     "QProgressBar::chunk { background: rgb(255, 0, 0); }"));
  scale.Place(Gauge1_, 232, 216, kGaugeWidth, 17);
  Gauge1_->hide();

  meStat_ = new QPlainTextEdit(this);
  meStat_->setObjectName(QStringLiteral("meStat"));
  meStat_->setReadOnly(true);
  meStat_->setTabChangesFocus(true);
  meStat_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Lines wrap at the memo's width (a long Windows directory anywhere, as it has no blanks);
  // only the vertical scroll bar.
  meStat_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  meStat_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  meStat_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SetColours(meStat_, kNavy, kSilver);
  scale.Place(meStat_, 160, 248, 393, 113);
}

}  // namespace quarvex::ui
