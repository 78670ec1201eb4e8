// Builds the report view's document off the window's thread. A full structure report runs to
// a million lines; laying them into a text document takes seconds, which the window would
// otherwise spend frozen. The text is handed over whole (the loader keeps its own copy), the
// document is built on a thread of its own and comes back to the loader's thread ready to show.
#pragma once

#include <QFont>
#include <QObject>
#include <QString>
#include <mutex>
#include <thread>

class QTextDocument;

namespace quarvex::ui {

class ReportDocumentLoader : public QObject {
  Q_OBJECT

 public:
  explicit ReportDocumentLoader(QObject* parent = nullptr) : QObject(parent) {}
  ~ReportDocumentLoader() override;  // waits for a build under way

  // Starts building a plain-text document in `font`; false while a build is under way.
  bool Load(QString text, const QFont& font);
  bool Busy() const { return busy_; }

 signals:
  // The document, owned by nobody yet: the receiver takes it.
  void ready(QTextDocument* document);

 private:
  void Deliver();

  std::thread builder_;
  std::mutex mutex_;
  QTextDocument* built_ = nullptr;  // handed from the builder to Deliver
  bool busy_ = false;
};

}  // namespace quarvex::ui
