// The browser's "go to key" box: a key path typed or pasted ("Software\Microsoft", with or
// without a root key name such as HKEY_USERS\, any case), completed one level at a time from
// the keys under the part typed so far. Enter, or choosing a completion, asks for the key.
#pragma once

#include <QLineEdit>
#include <QStringList>

class QCompleter;
class QStringListModel;

namespace quarvex::ui {

class BrowserDocument;

// The completions of a partly typed path: the part up to its last backslash as typed, then
// each name under the key it names (none when it names none).
QStringList KeyPathCompletions(const BrowserDocument& doc, const QString& typed);

class BrowserKeyPathBox : public QLineEdit {
  Q_OBJECT

 public:
  explicit BrowserKeyPathBox(QWidget* parent = nullptr);
  // The document whose keys it completes (nullptr: none); the view must outlive its use.
  void SetDocument(const BrowserDocument* doc);
  QCompleter* Completer() const { return completer_; }

 signals:
  // A path the user asks to go to.
  void pathChosen(const QString& path);

 private:
  void Complete(const QString& typed);

  const BrowserDocument* doc_ = nullptr;
  QStringListModel* names_ = nullptr;
  QCompleter* completer_ = nullptr;
  QString completedUnder_;  // the part of the path whose children names_ holds
};

}  // namespace quarvex::ui
