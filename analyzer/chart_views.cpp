#include "analyzer/chart_views.h"

namespace quarvex::analyzer::chartviews {

namespace {

using D = Drawing;
using P = Pointer;
using M = MarkText;

// In the order of the series. The point series' and lines' marks exist but no view shows
// them; the bar marks' three arrows stagger the boxes of one bar's segments.
constexpr std::array<SeriesRole, kSeriesCount> kRoles{{
    {kTotalUsage, "the file's Dead-Gap / Empty / Using", D::Pie, false, true, P::None, M::LabelAndValue, 8, 15},
    {kBlockUsing, "bytes in use in each block", D::StackedBars, true, true, P::None, M::Value, -28, 13},
    {kBlockEmpty, "free bytes in each block", D::StackedBars, true, true, P::None, M::Value, -13, 13},
    {kBlockDeadGap, "dead-gap bytes in each block", D::StackedBars, true, true, P::None, M::Value, 3, 13},
    {kKeyNameChecksums, "key names: Ghost / Bad / Good", D::Pie, false, true, P::None, M::LabelAndValue, 8, 15},
    {kRecordSizes, "each key's record size", D::Points, true, false, P::Circle, M::Value, 0, 13},
    {kRecordSizeAverage, "average in-use record size", D::Line, true, false, P::None, M::None, 0, 13},
    {kFreeRecordSizes, "each free record's size", D::Points, false, false, P::Diamond, M::Value, 0, 13},
    {kFreeRecordSizeAverage, "average free record size", D::Line, true, false, P::None, M::None, 0, 13},
}};

constexpr std::array<SeriesId, 1> kTotalSeries{kTotalUsage};
constexpr std::array<SeriesId, 1> kChecksumSeries{kKeyNameChecksums};
constexpr std::array<SeriesId, 1> kRecordSizeSeries{kRecordSizes};
// The averages stand either side of the free sizes, as the series' order puts them.
constexpr std::array<SeriesId, 3> kFreeSizeSeries{kRecordSizeAverage, kFreeRecordSizes, kFreeRecordSizeAverage};

constexpr std::array<ViewLayout, kViewCount> kViews{{
    {ChartView::TotalUsage, "利用状況（全体）/ Total Using/Empty Rate", "chart-0-total.png", kTotalSeries, Axes::None,
     BarMarks::Unchanged, std::nullopt},
    {ChartView::BlockUsage, "利用状況（ﾌﾞﾛｯｸ毎）/ Using/Empty Rate at each Block", "chart-1-blocks.png", kBlockSeries,
     Axes::Percent, BarMarks::Show, std::nullopt},
    {ChartView::BlockUsageWithoutMarks, "利用状況（ﾌﾞﾛｯｸ毎値非表示）/ U/E Rate at Each Block 2",
     "chart-2-blocks-no-marks.png", kBlockSeries, Axes::Percent, BarMarks::Hide, std::nullopt},
    {ChartView::KeyNameChecksums, "ｷｰ名ﾁｪｯｸｻﾑ合否/ Key-Name Check-sum Check", "chart-3-checksums.png", kChecksumSeries,
     Axes::None, BarMarks::Unchanged, std::nullopt},
    {ChartView::RecordSizes, "ﾚｺｰﾄﾞｻｲｽﾞ分布/ Using Record Size", "chart-4-using-size.png", kRecordSizeSeries,
     Axes::Sizes, BarMarks::Unchanged, kRecordSizeAverage},
    {ChartView::FreeRecordSizes, "空きﾚｺｰﾄﾞｻｲｽﾞ分布/ Empty Record Size", "chart-5-empty-size.png", kFreeSizeSeries,
     Axes::Sizes, BarMarks::Unchanged, std::nullopt},
}};

// Each table is indexed by its enum: an entry out of place would show one view's series
// under another's name.
constexpr bool RolesInOrder() {
  for (std::size_t i = 0; i < kRoles.size(); ++i)
    if (IndexOf(kRoles[i].id) != i) return false;
  return true;
}
constexpr bool ViewsInOrder() {
  for (std::size_t i = 0; i < kViews.size(); ++i)
    if (static_cast<std::size_t>(IndexOf(kViews[i].view)) != i) return false;
  return true;
}
static_assert(RolesInOrder());
static_assert(ViewsInOrder());

}  // namespace

std::optional<SeriesId> SeriesAt(int index) {
  if (index < 0 || index >= static_cast<int>(kSeriesCount)) return std::nullopt;
  return static_cast<SeriesId>(index);
}

const SeriesRole& RoleOf(SeriesId id) { return kRoles.at(IndexOf(id)); }

std::optional<ChartView> ViewAt(int index) {
  if (index < 0 || index >= static_cast<int>(kViewCount)) return std::nullopt;
  return static_cast<ChartView>(index);
}

const ViewLayout& LayoutOf(ChartView view) { return kViews.at(static_cast<std::size_t>(IndexOf(view))); }

std::span<const ViewLayout> AllViews() { return kViews; }

}  // namespace quarvex::analyzer::chartviews
