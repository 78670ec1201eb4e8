// The analysis chart's six views and nine series as JSON, for a chart drawn elsewhere than in
// the desktop window (the web page draws it as SVG): the same table the window reads, so that
// both show the same series in the same views with the same marks.
//   {"series": [{"id": "Series1", "role": "...", "drawing": "pie", "legend": false,
//                "marks": "labelAndValue", "marksShown": true, "markArrow": 8, "pointer": "none"}, ...],
//    "views": [{"selector": "...", "series": [0], "axes": "none", "barMarks": "unchanged",
//               "averageAcross": null}, ...]}
// Series are named by their index in the analysis JSON's "series" list (0 = "Series1").
#pragma once

#include <string>

namespace quarvex::analyzer::chartviews {

std::string ChartViewsJson();

}  // namespace quarvex::analyzer::chartviews
