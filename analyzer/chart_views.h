// The analysis chart's six views and nine series as plain data: what each series holds, how it
// is drawn and marked, and for each view its selector text, its series, its axes and what it
// does to the bar marks. The Qt part (ui/analysis_chart.*) reads everything per view or per
// series from here, so that the chart's code names what a series is rather than its number.
// Nothing here includes Qt: the unit tests read the table without a display.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "analyzer/chart_series.h"

namespace quarvex::analyzer::chartviews {

using quarvex::analyzer::SeriesId;

// What each of the nine series of the analysis holds (analyzer/chart_series.h).
inline constexpr SeriesId kTotalUsage = SeriesId::FileSpace;          // "TUR": the file's Dead-Gap / Empty / Using
inline constexpr SeriesId kBlockUsing = SeriesId::BlockInUse;         // "Using" bytes of each block
inline constexpr SeriesId kBlockEmpty = SeriesId::BlockFree;          // "Empty" bytes of each block
inline constexpr SeriesId kBlockDeadGap = SeriesId::BlockDeadGap;     // "DeadGap" bytes of each block
inline constexpr SeriesId kKeyNameChecksums = SeriesId::KeyVerdicts;  // "GoodSum": Ghost / Bad / Good key names
inline constexpr SeriesId kRecordSizes = SeriesId::KeyRecordSizes;    // each key's in-use record size
inline constexpr SeriesId kRecordSizeAverage = SeriesId::KeyRecordAverage;       // their running average, a line
inline constexpr SeriesId kFreeRecordSizes = SeriesId::FreeRecordSizes;          // each free record's size
inline constexpr SeriesId kFreeRecordSizeAverage = SeriesId::FreeRecordAverage;  // their running average, a line

using quarvex::analyzer::kSeriesCount;
constexpr std::size_t IndexOf(SeriesId id) { return static_cast<std::size_t>(id); }
// The series of an index (0 = Series1); nullopt outside 0-8.
std::optional<SeriesId> SeriesAt(int index);

inline constexpr std::array<SeriesId, kSeriesCount> kAllSeries{
    SeriesId::FileSpace,        SeriesId::BlockInUse,      SeriesId::BlockFree,
    SeriesId::BlockDeadGap,     SeriesId::KeyVerdicts,     SeriesId::KeyRecordSizes,
    SeriesId::KeyRecordAverage, SeriesId::FreeRecordSizes, SeriesId::FreeRecordAverage};

// The three block series share one stacked bar chart, in this order (bottom to top).
inline constexpr std::array<SeriesId, 3> kBlockSeries{kBlockUsing, kBlockEmpty, kBlockDeadGap};
// The two pies, the two point series and the two average lines, each pair in the chart's order.
inline constexpr std::array<SeriesId, 2> kPieSeries{kTotalUsage, kKeyNameChecksums};
inline constexpr std::array<SeriesId, 2> kPointSeries{kRecordSizes, kFreeRecordSizes};
inline constexpr std::array<SeriesId, 2> kLineSeries{kRecordSizeAverage, kFreeRecordSizeAverage};

// How a series is drawn.
enum class Drawing { Pie, StackedBars, Points, Line };
// The picture of each point of a point series.
enum class Pointer { None, Circle, Diamond };
// What a series' mark says, where the chart draws marks for it.
enum class MarkText { None, LabelAndValue, Value };

struct SeriesRole {
  SeriesId id;
  std::string_view role;  // what it holds, in words
  Drawing drawing;
  bool inLegend;        // an entry in the chart's legend while active
  bool marksInitially;  // marks shown when the chart is made
  Pointer pointer;
  MarkText markText;
  // Pie marks: how far out of the rim; bar marks: the box's lower edge above the top of the
  // bar's segment (below it when negative). Pixels.
  double markArrow;
  int markPixels;  // height of the marks' font
};
const SeriesRole& RoleOf(SeriesId id);

// The six entries of the view selector, in its order.
enum class ChartView { TotalUsage, BlockUsage, BlockUsageWithoutMarks, KeyNameChecksums, RecordSizes, FreeRecordSizes };
inline constexpr std::size_t kViewCount = 6;
// The view of a selector index; nullopt outside 0-5 (such an index shows nothing).
std::optional<ChartView> ViewAt(int index);
constexpr int IndexOf(ChartView view) { return static_cast<int>(view); }

// What the left and bottom axes show.
enum class Axes {
  None,     // the pies: no axes
  Percent,  // the bars: 0-100 % with a tick every 20, the bars' names below
  Sizes,    // points and lines: from 0 (or the smallest value) to the largest with 3 % to spare,
            // round ticks; the bottom axis counts the points from 0
};
// What a view does to the bar marks: the two block views differ only there, and other views
// leave them as the last block view set them.
enum class BarMarks { Unchanged, Show, Hide };

struct ViewLayout {
  ChartView view;
  std::string_view selectorText;     // UTF-8, as the selector shows it
  std::string_view pictureName;      // the PNG file the picture writer makes of it
  std::span<const SeriesId> series;  // the series it makes active; every other one is inactive
  Axes axes;
  BarMarks barMarks;
  // An average line drawn straight across the whole plot, over the points (the in-use sizes'
  // average in view 4: its own series is only as long as the free sizes' one, and drawn
  // under the points it would be hidden by them). Listed in the legend.
  std::optional<SeriesId> averageAcross;
};
const ViewLayout& LayoutOf(ChartView view);
std::span<const ViewLayout> AllViews();

}  // namespace quarvex::analyzer::chartviews
