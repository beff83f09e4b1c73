#include "curves/curve_common.h"

#include <algorithm>

namespace kvx {

SeriesExtent ExtentOf(const std::vector<const CurveSeries*>& series) {
  SeriesExtent e;
  for (const CurveSeries* s : series) {
    if (s == nullptr || !s->active || s->points.empty()) continue;
    const auto [lo, hi] = std::minmax_element(
        s->points.begin(), s->points.end(),
        [](const CurvePoint& a, const CurvePoint& b) { return a.current < b.current; });
    if (!(lo->current < hi->current)) continue;
    for (const CurvePoint& p : s->points) {
      if (!e.any) {
        e = {true, p.time, p.time, p.current, p.current};
        continue;
      }
      e.timeMin = std::min(e.timeMin, p.time);
      e.timeMax = std::max(e.timeMax, p.time);
      e.currentMin = std::min(e.currentMin, p.current);
      e.currentMax = std::max(e.currentMax, p.current);
    }
  }
  return e;
}

double TimeAxisMinimumFor(double t) {
  if (t > 10) return 10;
  if (t > 1) return 1;
  if (t > 0.1) return 0.1;
  return 0.01;
}

void InsertByCurrent(CurveSeries& series, CurvePoint p) {
  const auto at =
      std::lower_bound(series.points.begin(), series.points.end(), p.current,
                       [](const CurvePoint& q, double current) { return q.current < current; });
  series.points.insert(at, p);
}

std::vector<std::string> PointsTableLines(const PointsTable& table) {
  std::vector<std::string> lines;
  auto line = [](const std::vector<std::string>& cells) {
    std::string s;
    for (const std::string& c : cells) s += c.empty() ? std::string("  \t") : c + " \t";
    return s;
  };
  lines.push_back(line(table.header));
  for (const auto& row : table.rows) lines.push_back(line(row));
  return lines;
}

}  // namespace kvx
