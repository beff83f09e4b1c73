#pragma once
// Draws protection curves into a picture file without a window: the chart of
// the curve windows, rendered offscreen. The interface holds no Qt type, so
// that the command line can use it while its own code stays free of Qt.

#include <string>
#include <vector>

#include "curves/curve_common.h"

namespace kvx {

struct CurvePlotPicture {
  std::string path;  // .png, .svg or .pdf
  int width = 1400;
  int height = 900;
  std::string title;
  std::string currentAxisTitle = "Current (A)";
  bool logarithmicCurrent = true;
  ChartAxes axes;
  std::string legend;
  std::vector<const CurveSeries*> series;
  const CurveSeries* trend = nullptr;  // the motor's inset, when shown
};

// Renders `picture` and writes its file. Starts the offscreen platform when
// the process has no application of its own yet. False with `error` set when
// the file could not be written.
bool RenderCurvePlot(const CurvePlotPicture& picture, std::string& error);

}  // namespace kvx
