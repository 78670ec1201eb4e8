#include "analyzer/chart_views_json.h"

#include <nlohmann/json.hpp>

#include "analyzer/chart_views.h"

namespace quarvex::analyzer::chartviews {

namespace {

const char* DrawingName(Drawing d) {
  switch (d) {
    case Drawing::Pie:
      return "pie";
    case Drawing::StackedBars:
      return "stackedBars";
    case Drawing::Points:
      return "points";
    case Drawing::Line:
      return "line";
  }
  return "";
}

const char* PointerName(Pointer p) {
  switch (p) {
    case Pointer::None:
      return "none";
    case Pointer::Circle:
      return "circle";
    case Pointer::Diamond:
      return "diamond";
  }
  return "";
}

const char* MarkTextName(MarkText m) {
  switch (m) {
    case MarkText::None:
      return "none";
    case MarkText::LabelAndValue:
      return "labelAndValue";
    case MarkText::Value:
      return "value";
  }
  return "";
}

const char* AxesName(Axes a) {
  switch (a) {
    case Axes::None:
      return "none";
    case Axes::Percent:
      return "percent";
    case Axes::Sizes:
      return "sizes";
  }
  return "";
}

const char* BarMarksName(BarMarks b) {
  switch (b) {
    case BarMarks::Unchanged:
      return "unchanged";
    case BarMarks::Show:
      return "show";
    case BarMarks::Hide:
      return "hide";
  }
  return "";
}

}  // namespace

std::string ChartViewsJson() {
  nlohmann::ordered_json series = nlohmann::ordered_json::array();
  for (SeriesId id : kAllSeries) {
    const SeriesRole& role = RoleOf(id);
    series.push_back({{"id", "Series" + std::to_string(IndexOf(id) + 1)},
                      {"role", role.role},
                      {"drawing", DrawingName(role.drawing)},
                      {"legend", role.inLegend},
                      {"marks", MarkTextName(role.markText)},
                      {"marksShown", role.marksInitially},
                      {"markArrow", role.markArrow},
                      {"pointer", PointerName(role.pointer)}});
  }
  nlohmann::ordered_json views = nlohmann::ordered_json::array();
  for (const ViewLayout& view : AllViews()) {
    nlohmann::ordered_json shown = nlohmann::ordered_json::array();
    for (SeriesId id : view.series) shown.push_back(IndexOf(id));
    views.push_back({{"selector", view.selectorText},
                     {"series", shown},
                     {"axes", AxesName(view.axes)},
                     {"barMarks", BarMarksName(view.barMarks)},
                     {"averageAcross", view.averageAcross ? nlohmann::ordered_json(IndexOf(*view.averageAcross))
                                                          : nlohmann::ordered_json(nullptr)}});
  }
  return nlohmann::ordered_json{{"series", series}, {"views", views}}.dump();
}

}  // namespace quarvex::analyzer::chartviews
