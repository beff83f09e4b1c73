#pragma once
// What the curve windows render: series of (current, time) points, the two
// axes of the chart, and the Data Points tables as texts. The models fill these
// plain values; a window only draws them.

#include <string>
#include <vector>

namespace kvx {

// Which side of an element's tolerance band a time is wanted for.
enum class BandSide { Upper = 0, Lower = 1, Nominal = 2 };

struct CurvePoint {
  double current = 0;  // amperes, multiples of CT rating or % FLA
  double time = 0;     // seconds
};

struct CurveSeries {
  std::string name;                // the chart series' object name ("OG1", "Cold_Series")
  std::string title;               // the element as the tick box names it
  std::string colour;              // pen colour, "RRGGBB"
  bool active = false;             // ticked: drawn and taken into the axis scaling
  std::vector<CurvePoint> points;  // ascending current, in drawing order
};

struct AxisRange {
  double min = 0;
  double max = 0;
};

struct ChartAxes {
  AxisRange current{0.01, 1000000};
  AxisRange time{0.01, 100000};
};

// A Data Points table: header row, then the data rows; every row has
// header.size() cells, an empty text being an empty cell.
struct PointsTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
};

// The smallest and largest time and current over the series that count for
// automatic scaling: active, and with a smallest current below the largest.
struct SeriesExtent {
  bool any = false;
  double timeMin = 0, timeMax = 0, currentMin = 0, currentMax = 0;
};
SeriesExtent ExtentOf(const std::vector<const CurveSeries*>& series);

// The lower time axis limit both models use: 10, 1, 0.1 or 0.01.
double TimeAxisMinimumFor(double smallestTime);

// Inserts `p` before the first point whose current is not below its own, so
// that the series stays in ascending current.
void InsertByCurrent(CurveSeries& series, CurvePoint p);

// The table as the points file writes it: each cell's text, a space and a tab,
// or two spaces and a tab for an empty cell; header row first.
std::vector<std::string> PointsTableLines(const PointsTable& table);

}  // namespace kvx
