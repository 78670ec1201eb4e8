#include "ui/analyser/report_document_loader.h"

#include <QPlainTextDocumentLayout>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <system_error>

namespace quarvex::ui {

ReportDocumentLoader::~ReportDocumentLoader() {
  if (builder_.joinable()) builder_.join();
  delete built_;  // built but never delivered
}

bool ReportDocumentLoader::Load(QString text, const QFont& font) {
  if (busy_) return false;
  busy_ = true;
  if (builder_.joinable()) builder_.join();
  QThread* home = thread();
  auto build = [this, text = std::move(text), font, home] {
    auto* document = new QTextDocument;
    document->setUndoRedoEnabled(false);
    document->setDefaultFont(font);
    document->setDocumentLayout(new QPlainTextDocumentLayout(document));
    QTextCursor(document).insertText(text);
    document->moveToThread(home);
    {
      std::lock_guard lock(mutex_);
      built_ = document;
    }
    QMetaObject::invokeMethod(
        this, [this] { Deliver(); }, Qt::QueuedConnection);
  };
  try {
    builder_ = std::thread(build);
  } catch (const std::system_error&) {
    build();  // no thread to be had: build it here, the window waits
  }
  return true;
}

void ReportDocumentLoader::Deliver() {
  if (builder_.joinable()) builder_.join();
  QTextDocument* document = nullptr;
  {
    std::lock_guard lock(mutex_);
    std::swap(document, built_);
  }
  busy_ = false;
  if (document) emit ready(document);
}

}  // namespace quarvex::ui
