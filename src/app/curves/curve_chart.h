#pragma once
// CurveChart: the protection-curve chart both curve windows and the
// command-line renderer draw with. It shows series of the curve models as
// they are (whole prepared vectors, one graph per series), on a logarithmic
// time axis and a logarithmic or linear current axis, with the accuracy
// legend in the top right corner and a title line that is shown only on
// paper and in exported pictures.

#include <qcustomplot.h>

#include <QString>
#include <vector>

#include "curves/curve_common.h"

namespace kvx {

class CurveChart : public QCustomPlot {
  Q_OBJECT

 public:
  explicit CurveChart(QWidget* parent = nullptr);

  // Replaces what every graph shows; series beyond the present graphs get
  // new ones, graphs beyond `series` are emptied and hidden. An inactive
  // series keeps its data but is not drawn.
  void ShowSeries(const std::vector<const CurveSeries*>& series);
  void SetAxes(const ChartAxes& axes);
  void SetCurrentAxisTitle(const QString& title);
  // Logarithmic (eight minor ticks) or linear (three) current axis.
  void SetCurrentAxisLogarithmic(bool logarithmic);
  void SetAccuracyLegend(const QString& text);
  void SetTitleText(const QString& title);
  void SetTitleShown(bool shown);
  void SetPanelColour(const QColor& colour);
  // The motor's inset "Trend I^2t" (% I^2t against % FLA) in the top right
  // corner; null or inactive hides it.
  void ShowTrend(const CurveSeries* trend);
  QCPAxisRect* trendRect() const { return trendRect_; }
  QCPGraph* trendGraph() const { return trendGraph_; }

  // The graph drawing series `name`, or null.
  QCPGraph* GraphNamed(const QString& name) const;
  const std::vector<QCPGraph*>& seriesGraphs() const { return graphs_; }
  QCPItemText* accuracyLegend() const { return legendText_; }
  QCPTextElement* titleElement() const { return title_; }

 private:
  QCPTextElement* title_ = nullptr;
  QCPItemText* legendText_ = nullptr;
  QString titleText_;
  QCPAxisRect* trendRect_ = nullptr;
  QColor panel_{Qt::white};  // the inset's background too
  QCPGraph* trendGraph_ = nullptr;
  std::vector<QCPGraph*> graphs_;  // the element series, in the order shown
};

// Saves `chart` as PNG, SVG or PDF by the suffix of `path` (width × height
// in pixels; SVG and PDF as vector drawings). False with `error` set when
// the suffix is none of those or the file could not be written.
bool SaveChartPicture(QCustomPlot& chart, const QString& path, int width, int height,
                      QString& error);

}  // namespace kvx
