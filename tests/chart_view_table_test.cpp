// The analysis chart's table of views and series (analyzer/chart_views.h), read without Qt: the six
// selector entries in their order, the series each view shows, and that every view's axes and
// bar-mark setting fit the way its series are drawn; the same table as JSON, as the web page
// draws the chart from it.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "analyzer/chart_views.h"
#include "analyzer/chart_views_json.h"

namespace quarvex::analyzer::chartviews {
namespace {

struct ViewRow {
  ChartView view;
  const char* selectorText;
  const char* pictureName;
  std::vector<SeriesId> series;
  Axes axes;
  BarMarks barMarks;
  std::optional<SeriesId> averageAcross;
};

const std::vector<ViewRow> kExpectedViews = {
    {ChartView::TotalUsage,
     "利用状況（全体）/ Total Using/Empty Rate",
     "chart-0-total.png",
     {kTotalUsage},
     Axes::None,
     BarMarks::Unchanged,
     std::nullopt},
    {ChartView::BlockUsage,
     "利用状況（ﾌﾞﾛｯｸ毎）/ Using/Empty Rate at each Block",
     "chart-1-blocks.png",
     {kBlockUsing, kBlockEmpty, kBlockDeadGap},
     Axes::Percent,
     BarMarks::Show,
     std::nullopt},
    {ChartView::BlockUsageWithoutMarks,
     "利用状況（ﾌﾞﾛｯｸ毎値非表示）/ U/E Rate at Each Block 2",
     "chart-2-blocks-no-marks.png",
     {kBlockUsing, kBlockEmpty, kBlockDeadGap},
     Axes::Percent,
     BarMarks::Hide,
     std::nullopt},
    {ChartView::KeyNameChecksums,
     "ｷｰ名ﾁｪｯｸｻﾑ合否/ Key-Name Check-sum Check",
     "chart-3-checksums.png",
     {kKeyNameChecksums},
     Axes::None,
     BarMarks::Unchanged,
     std::nullopt},
    {ChartView::RecordSizes,
     "ﾚｺｰﾄﾞｻｲｽﾞ分布/ Using Record Size",
     "chart-4-using-size.png",
     {kRecordSizes},
     Axes::Sizes,
     BarMarks::Unchanged,
     kRecordSizeAverage},
    {ChartView::FreeRecordSizes,
     "空きﾚｺｰﾄﾞｻｲｽﾞ分布/ Empty Record Size",
     "chart-5-empty-size.png",
     {kRecordSizeAverage, kFreeRecordSizes, kFreeRecordSizeAverage},
     Axes::Sizes,
     BarMarks::Unchanged,
     std::nullopt},
};

TEST(ChartViewTable, SixViewsInTheSelectorsOrder) {
  ASSERT_EQ(AllViews().size(), kExpectedViews.size());
  for (std::size_t i = 0; i < kExpectedViews.size(); ++i) {
    const ViewRow& row = kExpectedViews[i];
    const ViewLayout& layout = AllViews()[i];
    SCOPED_TRACE(row.pictureName);
    EXPECT_EQ(layout.view, row.view);
    EXPECT_EQ(IndexOf(row.view), static_cast<int>(i));
    EXPECT_EQ(&LayoutOf(row.view), &layout);
    EXPECT_EQ(layout.selectorText, row.selectorText);
    EXPECT_EQ(layout.pictureName, row.pictureName);
    EXPECT_EQ(std::vector<SeriesId>(layout.series.begin(), layout.series.end()), row.series);
    EXPECT_EQ(layout.axes, row.axes);
    EXPECT_EQ(layout.barMarks, row.barMarks);
    EXPECT_EQ(layout.averageAcross, row.averageAcross);
  }
}

TEST(ChartViewTable, IndexesOutsideTheListNameNoViewAndNoSeries) {
  for (int index : {-1, 6, 1000}) EXPECT_FALSE(ViewAt(index).has_value()) << index;
  for (int index = 0; index < 6; ++index) EXPECT_EQ(ViewAt(index), static_cast<ChartView>(index));
  for (int index : {-1, 9, 1000}) EXPECT_FALSE(SeriesAt(index).has_value()) << index;
  for (int index = 0; index < 9; ++index) EXPECT_EQ(SeriesAt(index), static_cast<SeriesId>(index));
}

// Each view's axes follow from how its series are drawn; the bar marks are set only by views
// that draw the bars.
TEST(ChartViewTable, EveryViewsAxesFitTheDrawingOfItsSeries) {
  for (const ViewLayout& view : AllViews()) {
    SCOPED_TRACE(std::string(view.pictureName));
    ASSERT_FALSE(view.series.empty());
    for (SeriesId id : view.series) {
      const Drawing drawing = RoleOf(id).drawing;
      switch (view.axes) {
        case Axes::None:
          EXPECT_EQ(drawing, Drawing::Pie);
          break;
        case Axes::Percent:
          EXPECT_EQ(drawing, Drawing::StackedBars);
          break;
        case Axes::Sizes:
          EXPECT_TRUE(drawing == Drawing::Points || drawing == Drawing::Line);
          break;
      }
    }
    EXPECT_EQ(view.barMarks != BarMarks::Unchanged, view.axes == Axes::Percent);
    // A pie view shows one pie: two would be drawn over one another.
    if (view.axes == Axes::None) {
      EXPECT_EQ(view.series.size(), 1u);
    }
  }
}

struct RoleRow {
  SeriesId id;
  Drawing drawing;
  bool inLegend;
  bool marksInitially;
  Pointer pointer;
  MarkText markText;
  double markArrow;
  int markPixels;
};

TEST(ChartViewTable, NineSeriesEachWithItsDrawingLegendAndMarks) {
  const std::vector<RoleRow> rows = {
      {kTotalUsage, Drawing::Pie, false, true, Pointer::None, MarkText::LabelAndValue, 8, 15},
      {kBlockUsing, Drawing::StackedBars, true, true, Pointer::None, MarkText::Value, -28, 13},
      {kBlockEmpty, Drawing::StackedBars, true, true, Pointer::None, MarkText::Value, -13, 13},
      {kBlockDeadGap, Drawing::StackedBars, true, true, Pointer::None, MarkText::Value, 3, 13},
      {kKeyNameChecksums, Drawing::Pie, false, true, Pointer::None, MarkText::LabelAndValue, 8, 15},
      {kRecordSizes, Drawing::Points, true, false, Pointer::Circle, MarkText::Value, 0, 13},
      {kRecordSizeAverage, Drawing::Line, true, false, Pointer::None, MarkText::None, 0, 13},
      {kFreeRecordSizes, Drawing::Points, false, false, Pointer::Diamond, MarkText::Value, 0, 13},
      {kFreeRecordSizeAverage, Drawing::Line, true, false, Pointer::None, MarkText::None, 0, 13},
  };
  ASSERT_EQ(rows.size(), kSeriesCount);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const RoleRow& row = rows[i];
    const SeriesRole& role = RoleOf(row.id);
    SCOPED_TRACE(std::string(role.role));
    EXPECT_EQ(IndexOf(row.id), i) << "the series' names follow the chart's order";
    EXPECT_EQ(kAllSeries[i], row.id);
    EXPECT_EQ(role.id, row.id);
    EXPECT_EQ(role.drawing, row.drawing);
    EXPECT_EQ(role.inLegend, row.inLegend);
    EXPECT_EQ(role.marksInitially, row.marksInitially);
    EXPECT_EQ(role.pointer, row.pointer);
    EXPECT_EQ(role.markText, row.markText);
    EXPECT_EQ(role.markArrow, row.markArrow);
    EXPECT_EQ(role.markPixels, row.markPixels);
    EXPECT_FALSE(role.role.empty());
  }
}

TEST(ChartViewTable, TheGroupsHoldTheSeriesDrawnTheirWay) {
  auto drawings = [](auto group) {
    std::set<Drawing> found;
    for (SeriesId id : group) found.insert(RoleOf(id).drawing);
    return found;
  };
  EXPECT_EQ(drawings(kPieSeries), std::set<Drawing>{Drawing::Pie});
  EXPECT_EQ(drawings(kBlockSeries), std::set<Drawing>{Drawing::StackedBars});
  EXPECT_EQ(drawings(kPointSeries), std::set<Drawing>{Drawing::Points});
  EXPECT_EQ(drawings(kLineSeries), std::set<Drawing>{Drawing::Line});
  // Every series is in exactly one group.
  std::multiset<SeriesId> all;
  for (auto group : {std::vector<SeriesId>(kPieSeries.begin(), kPieSeries.end()),
                     std::vector<SeriesId>(kBlockSeries.begin(), kBlockSeries.end()),
                     std::vector<SeriesId>(kPointSeries.begin(), kPointSeries.end()),
                     std::vector<SeriesId>(kLineSeries.begin(), kLineSeries.end())})
    all.insert(group.begin(), group.end());
  EXPECT_EQ(all, std::multiset<SeriesId>(kAllSeries.begin(), kAllSeries.end()));
}

// The web page draws the views from this JSON: each view's series by their index in the
// analysis JSON's list, the same axes and marks as the table; a series named as --json names it.
TEST(ChartViewTable, TheJsonTheWebPageDrawsFromIsTheTable) {
  const nlohmann::json table = nlohmann::json::parse(ChartViewsJson());
  ASSERT_EQ(table.at("views").size(), kExpectedViews.size());
  const std::vector<std::string> axes{"none", "percent", "sizes"};
  const std::vector<std::string> marks{"unchanged", "show", "hide"};
  for (std::size_t i = 0; i < kExpectedViews.size(); ++i) {
    const ViewRow& row = kExpectedViews[i];
    const nlohmann::json& view = table["views"][i];
    SCOPED_TRACE(row.pictureName);
    EXPECT_EQ(view.at("selector").get<std::string>(), row.selectorText);
    std::vector<SeriesId> series;
    for (const auto& index : view.at("series")) series.push_back(*SeriesAt(index.get<int>()));
    EXPECT_EQ(series, row.series);
    EXPECT_EQ(view.at("axes").get<std::string>(), axes.at(static_cast<std::size_t>(row.axes)));
    EXPECT_EQ(view.at("barMarks").get<std::string>(), marks.at(static_cast<std::size_t>(row.barMarks)));
    if (row.averageAcross)
      EXPECT_EQ(view.at("averageAcross").get<std::size_t>(), IndexOf(*row.averageAcross));
    else
      EXPECT_TRUE(view.at("averageAcross").is_null());
  }
  const std::vector<std::string> drawings{"pie", "stackedBars", "points", "line"};
  ASSERT_EQ(table.at("series").size(), kAllSeries.size());
  for (SeriesId id : kAllSeries) {
    const nlohmann::json& series = table["series"][IndexOf(id)];
    const SeriesRole& role = RoleOf(id);
    EXPECT_EQ(series.at("id").get<std::string>(), "Series" + std::to_string(IndexOf(id) + 1));
    EXPECT_EQ(series.at("drawing").get<std::string>(), drawings.at(static_cast<std::size_t>(role.drawing)));
    EXPECT_EQ(series.at("legend").get<bool>(), role.inLegend);
    EXPECT_EQ(series.at("marksShown").get<bool>(), role.marksInitially);
    EXPECT_EQ(series.at("markArrow").get<double>(), role.markArrow);
  }
}

}  // namespace
}  // namespace quarvex::analyzer::chartviews
