#include "ui/browser/browser_search.h"

#include <QThreadPool>
#include <algorithm>
#include <iterator>
#include <limits>

#include "browse/value_text.h"
#include "ui/browser/browser_copy_text.h"
#include "ui/browser/browser_document.h"

namespace quarvex::ui {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The worker hands its hits over in batches of this many (fewer at the end), one lock each.
constexpr std::size_t kHitBatch = 500;

// Hits that a cleared list frees on a pool thread when it holds more.
constexpr std::size_t kFreeElsewhere = 10000;

// Characters of a value's data (or of what was found inside it) a hit's line shows.
constexpr std::size_t kDataShown = 80;

// The table's columns for a hit of FindAll.
void DescribeHit(const browse::HiveView& view, text::CodePage codePage, const browse::FindHit& hit, SearchHit& out) {
  out.keyPath = FromUtf8(browse::EscapeControls(WindowKeyPath(view, hit.key)));
  if (!hit.value) return;
  const std::string name = browse::ValueName(*hit.value, codePage);
  out.valueName = name.empty() ? QStringLiteral("(Default)") : FromUtf8(browse::EscapeControls(name));
  const std::string type = browse::TypeName(hit.value->type);
  out.type = FromUtf8(type);
  out.nameOnly = hit.nameMatched && !hit.dataMatched && !hit.inside;
  // Inside binary data the value's bytes say little; where the hit lies and what it is do.
  if (hit.inside) {
    const std::string span = browse::DataSpanText(*hit.value, *hit.inside, codePage, kDataShown);
    // It starts with the type's name, which has a column of its own.
    out.data =
        FromUtf8(span.compare(0, type.size(), type) == 0 ? span.substr(std::min(span.size(), type.size() + 1)) : span);
    return;
  }
  out.data = FromUtf8(browse::DataText(*hit.value, codePage, kDataShown));
}

// A key hit's own name: the last part of its path.
QString LastPart(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('\\')) + 1); }

}  // namespace

QString SearchHit::Matched() const {
  if (!value) return LastPart(keyPath);
  return nameOnly ? valueName : data;
}

QString SearchHit::Line() const {
  if (!value) return keyPath;
  if (inside) return keyPath + QStringLiteral("  ") + valueName + QStringLiteral("  ") + type + QLatin1Char(' ') + data;
  return keyPath + QStringLiteral("  ") + valueName + QStringLiteral(" = ") + data;
}

void BrowserSearchHits::Clear() {
  // Freeing the texts of hundreds of thousands of hits takes the window's thread some 25 ms;
  // a pool thread does it instead (the texts' counts are atomic, and nothing else holds them).
  auto old = std::make_shared<std::deque<SearchHit>>();
  beginResetModel();
  old->swap(hits_);
  endResetModel();
  if (old->size() > kFreeElsewhere) QThreadPool::globalInstance()->start([old] { old->clear(); });
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

int BrowserSearchHits::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant BrowserSearchHits::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const SearchHit& hit = At(index.row());
  // The dock is narrow: the whole line is the tooltip.
  if (role == Qt::ToolTipRole || role == kLineRole) return hit.Line();
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kKey:
      return hit.keyPath;
    case kValue:
      return hit.valueName;
    case kType:
      return hit.type;
    case kMatched:
      return hit.Matched();
    default:
      return {};
  }
}

QVariant BrowserSearchHits::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kKey:
      return QStringLiteral("Key");
    case kValue:
      return QStringLiteral("Value");
    case kType:
      return QStringLiteral("Type");
    case kMatched:
      return QStringLiteral("Matched text");
    default:
      return {};
  }
}

BrowserSearch::BrowserSearch(QObject* parent) : QObject(parent) {
  taker_.setInterval(kTakeInterval);
  connect(&taker_, &QTimer::timeout, this, [this] { Take(kMaxTake); });
}

BrowserSearch::~BrowserSearch() { Stop(); }

void BrowserSearch::Cancel() { cancel_ = true; }

void BrowserSearch::Stop() {
  if (!thread_) return;
  cancel_ = true;
  thread_->wait();
  workerEnded_ = true;
  Take(std::numeric_limits<std::size_t>::max());
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
  percent_ = 0;
  shownPercent_ = -1;
  workerEnded_ = false;
  thread_ = QThread::create([this, doc, query, m = std::move(*matcher)] {
    const browse::HiveView& view = doc->View();
    const std::size_t total = std::max<std::size_t>(1, doc->Hive().keys.size());
    std::size_t seen = 0;
    std::vector<SearchHit> batch;
    const auto flush = [&] {
      if (batch.empty()) return;
      std::lock_guard lock(mutex_);
      std::move(batch.begin(), batch.end(), std::back_inserter(pending_));
      batch.clear();
    };
    browse::FindAll(
        view, query, m,
        [&](const browse::FindHit& hit) {
          SearchHit out;
          out.key = hit.key;
          if (hit.value) out.value = view.ValueIndex(*hit.value);
          if (hit.value && hit.inside) out.inside = SearchHit::Span{hit.inside->offset, hit.inside->length};
          DescribeHit(view, doc->CodePage(), hit, out);
          batch.push_back(std::move(out));
          if (batch.size() >= kHitBatch) flush();
          return !cancel_.load();
        },
        [&](std::int32_t) {
          percent_ = static_cast<int>(++seen * 100 / total);
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
  taker_.start();
  return true;
}

void BrowserSearch::Take(std::size_t most) {
  if (!thread_) return;
  std::vector<SearchHit> taken;
  bool left = false;
  {
    std::lock_guard lock(mutex_);
    const std::size_t n = std::min(most, pending_.size());
    taken.reserve(n);
    std::move(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n), std::back_inserter(taken));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
    left = !pending_.empty();
  }
  hits_.Append(std::move(taken));
  if (const int percent = percent_.load(); percent != shownPercent_) {
    shownPercent_ = percent;
    emit progress(percent);
  }
  if (workerEnded_ && !left) End();
}

void BrowserSearch::WorkerEnded() {
  if (!thread_) return;
  thread_->wait();
  workerEnded_ = true;
  Take(kMaxTake);  // a short search ends here; a long one's last hits go on the timer
}

void BrowserSearch::End() {
  taker_.stop();
  thread_->deleteLater();
  thread_ = nullptr;
  emit finished(cancel_.load(), hits_.rowCount());
}

}  // namespace quarvex::ui
