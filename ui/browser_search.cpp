#include "ui/browser_search.h"

#include <QMetaObject>

#include "browse/value_text.h"
#include "ui/browser_document.h"

namespace quarvex::ui {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Hits go to the window in batches of this many (or fewer, at the end).
constexpr std::size_t kHitBatch = 500;

}  // namespace

void BrowserSearchHits::Clear() {
  beginResetModel();
  hits_.clear();
  endResetModel();
}

void BrowserSearchHits::Append(std::vector<SearchHit> hits) {
  if (hits.empty()) return;
  const int first = static_cast<int>(hits_.size());
  beginInsertRows({}, first, first + static_cast<int>(hits.size()) - 1);
  for (SearchHit& hit : hits) hits_.push_back(std::move(hit));
  endInsertRows();
}

int BrowserSearchHits::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(hits_.size());
}

QVariant BrowserSearchHits::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  return At(index.row()).text;
}

BrowserSearch::BrowserSearch(QObject* parent) : QObject(parent) {}

BrowserSearch::~BrowserSearch() { Stop(); }

void BrowserSearch::Cancel() { cancel_ = true; }

void BrowserSearch::Stop() {
  if (!thread_) return;
  cancel_ = true;
  thread_->wait();
  WorkerEnded();
}

bool BrowserSearch::Start(const BrowserDocument* doc, const browse::FindQuery& query, QString& error) {
  Stop();
  hits_.Clear();
  if (!doc) {
    error = QStringLiteral("No file is open");
    return false;
  }
  if (query.pattern.empty()) {
    error = QStringLiteral("Type what to search for");
    return false;
  }
  std::string why;
  std::optional<browse::Matcher> matcher = browse::MakeMatcher(query, why);
  if (!matcher) {
    error = FromUtf8(why);
    return false;
  }
  cancel_ = false;
  cancelled_ = false;
  thread_ = QThread::create([this, doc, query, m = std::move(*matcher)] {
    const browse::HiveView& view = doc->View();
    const std::size_t total = std::max<std::size_t>(1, doc->Hive().keys.size());
    std::size_t seen = 0;
    int lastPercent = -1;
    std::vector<SearchHit> batch;
    const auto flush = [&] {
      if (batch.empty()) return;
      {
        std::lock_guard lock(mutex_);
        for (SearchHit& hit : batch) pending_.push_back(std::move(hit));
      }
      batch.clear();
      QMetaObject::invokeMethod(this, [this] { TakePending(); }, Qt::QueuedConnection);
    };
    browse::FindAll(
        view, query, m,
        [&](const browse::FindHit& hit) {
          SearchHit out;
          out.key = hit.key;
          QString text = FromUtf8(browse::EscapeControls(view.Path(hit.key)));
          if (hit.value) {
            out.value = view.ValueIndex(*hit.value);
            const std::string name = browse::ValueName(*hit.value, doc->CodePage());
            text += QStringLiteral("  ") + (name.empty() ? QStringLiteral("(Default)") : FromUtf8(browse::EscapeControls(name))) +
                    QStringLiteral(" = ") + FromUtf8(browse::DataText(*hit.value, doc->CodePage(), 80));
          }
          out.text = std::move(text);
          batch.push_back(std::move(out));
          if (batch.size() >= kHitBatch) flush();
          return !cancel_.load();
        },
        [&](std::int32_t) {
          ++seen;
          const int percent = static_cast<int>(seen * 100 / total);
          if (percent != lastPercent) {
            lastPercent = percent;
            QMetaObject::invokeMethod(this, [this, percent] { emit progress(percent); }, Qt::QueuedConnection);
          }
          return !cancel_.load();
        });
    flush();
  });
  // A worker stopped by Stop() has been dealt with there; its late signal must not end the next.
  const int generation = ++generation_;
  connect(thread_, &QThread::finished, this, [this, generation] {
    if (generation == generation_) WorkerEnded();
  });
  thread_->start();
  return true;
}

void BrowserSearch::TakePending() {
  std::vector<SearchHit> taken;
  {
    std::lock_guard lock(mutex_);
    taken.swap(pending_);
  }
  hits_.Append(std::move(taken));
}

void BrowserSearch::WorkerEnded() {
  if (!thread_) return;
  thread_->wait();
  thread_->deleteLater();
  thread_ = nullptr;
  TakePending();  // what the worker's last queued calls would bring
  cancelled_ = cancel_.load();
  emit finished(cancelled_, hits_.rowCount());
}

}  // namespace quarvex::ui
