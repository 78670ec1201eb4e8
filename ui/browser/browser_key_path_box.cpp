#include "ui/browser/browser_key_path_box.h"

#include <QCompleter>
#include <QStringListModel>

#include "browse/hive_view.h"
#include "ui/browser/browser_copy_text.h"
#include "ui/browser/browser_document.h"

namespace quarvex::ui {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The part of a typed path up to and with its last backslash ("" when it has none).
QString ParentPart(const QString& typed) { return typed.left(typed.lastIndexOf(QLatin1Char('\\')) + 1); }

}  // namespace

QStringList KeyPathCompletions(const BrowserDocument& doc, const QString& typed) {
  const QString parent = ParentPart(typed);
  const browse::Lookup found = doc.View().Find(parent.toStdString());
  QStringList paths;
  if (!found.key) return paths;
  for (const std::int32_t child : doc.View().Children(*found.key))
    paths << parent + FromUtf8(WindowKeyName(doc.View(), child));
  // A root key's name leads to the top level too.
  if (parent.isEmpty() && !doc.RootKey().empty()) paths << FromUtf8(doc.RootKey()) + QLatin1Char('\\');
  return paths;
}

BrowserKeyPathBox::BrowserKeyPathBox(QWidget* parent) : QLineEdit(parent) {
  setObjectName(QStringLiteral("keyPathField"));
  setPlaceholderText(QStringLiteral("Go to key: Software\\Microsoft"));
  setToolTip(QStringLiteral("Type a key path and press Enter (Ctrl+L)"));
  setClearButtonEnabled(true);
  names_ = new QStringListModel(this);
  completer_ = new QCompleter(names_, this);
  completer_->setCaseSensitivity(Qt::CaseInsensitive);
  completer_->setCompletionMode(QCompleter::PopupCompletion);
  setCompleter(completer_);
  connect(this, &QLineEdit::textEdited, this, &BrowserKeyPathBox::Complete);
  connect(this, &QLineEdit::returnPressed, this, [this] { emit pathChosen(text()); });
  connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
          [this](const QString& path) { emit pathChosen(path); });
}

void BrowserKeyPathBox::SetDocument(const BrowserDocument* doc) {
  doc_ = doc;
  completedUnder_.clear();
  names_->setStringList(doc_ ? KeyPathCompletions(*doc_, {}) : QStringList{});
}

void BrowserKeyPathBox::Complete(const QString& typed) {
  if (!doc_) return;
  // The names under one key are listed once, however many of its letters are typed.
  const QString parent = ParentPart(typed);
  if (parent.compare(completedUnder_, Qt::CaseInsensitive) == 0 && names_->rowCount() > 0) return;
  completedUnder_ = parent;
  names_->setStringList(KeyPathCompletions(*doc_, typed));
  completer_->setCompletionPrefix(typed);
  if (!typed.isEmpty()) completer_->complete();
}

}  // namespace quarvex::ui
