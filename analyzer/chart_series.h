// The nine chart series of the analysis, as plain data: each an ordered list of points with a
// value, a label and a colour. They are drawn from a finished analysis result; the desktop
// window turns them into chart objects and the CLI writes them as JSON. Nothing here knows a
// charting library, and nothing reads facts back out of a series.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarvex::analyzer {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kGreen{0, 128, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kYellow{255, 255, 0};

struct ChartPoint {
  double value = 0;
  std::string label;
  Rgb colour;
};

class ChartSeries {
 public:
  explicit ChartSeries(std::string_view title = {}) : title_(title) {}
  const std::string& Title() const { return title_; }
  void Add(double value, std::string label, Rgb colour) { points_.push_back({value, std::move(label), colour}); }
  void Clear() { points_.clear(); }
  std::size_t Count() const { return points_.size(); }
  const ChartPoint& operator[](std::size_t i) const { return points_[i]; }
  const std::string& Label(std::size_t i) const { return points_[i].label; }
  const std::vector<ChartPoint>& Points() const { return points_; }
  // Largest and smallest value; 0 for a series without points.
  double MaxValue() const;
  double MinValue() const;

 private:
  std::string title_;
  std::vector<ChartPoint> points_;
};

// The nine series in the chart's order (the JSON numbers them "Series1" .. "Series9" in it).
enum class SeriesId : std::size_t {
  FileSpace,   // the whole file's Dead-Gap / Empty / Using
  BlockInUse,  // each block's bytes in use, free and lost between records
  BlockFree,
  BlockDeadGap,
  KeyVerdicts,        // Ghost / Bad / Good keys
  KeyRecordSizes,     // each key's record size
  KeyRecordAverage,   // their average, as a line
  FreeRecordSizes,    // each free record's size
  FreeRecordAverage,  // their average, as a line
};
inline constexpr std::size_t kSeriesCount = 9;

class ChartSeriesSet {
 public:
  ChartSeriesSet();
  ChartSeries& operator[](SeriesId id) { return series_[static_cast<std::size_t>(id)]; }
  const ChartSeries& operator[](SeriesId id) const { return series_[static_cast<std::size_t>(id)]; }
  ChartSeries& At(std::size_t index) { return series_[index]; }
  const ChartSeries& At(std::size_t index) const { return series_[index]; }
  void ClearAll();

 private:
  std::array<ChartSeries, kSeriesCount> series_;
};

struct AnalysisResult;

// The nine series of a finished analysis: the block bars labelled "KN", then "0", "1" ...; each
// key's record size labelled with the key node's offset; each free record's size with its
// block-relative offset; the two averages one point longer than the free records' sizes.
ChartSeriesSet ChartSeriesOf(const AnalysisResult& result);

}  // namespace quarvex::analyzer
