#include "app/curves/curve_plot_render.h"

#include <QApplication>
#include <cstdio>
#include <memory>

#include "app/curves/curve_chart.h"

namespace kvx {
namespace {

// A command-line process has no application: make one on the offscreen
// platform, kept until the process ends.
void EnsureApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "kvx-curve-plot";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // The platform's notes (no runtime folder, fonts) are no business of a
  // command line that reports its own result.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) fprintf(stderr, "%s\n", qPrintable(text));
  });
  static std::unique_ptr<QApplication> app = std::make_unique<QApplication>(argc, argv);
}

}  // namespace

bool RenderCurvePlot(const CurvePlotPicture& picture, std::string& error) {
  if (picture.width < 100 || picture.height < 100 || picture.width > 10000 ||
      picture.height > 10000) {
    error = "the picture must be 100 to 10000 pixels wide and high";
    return false;
  }
  EnsureApplication();
  CurveChart chart;
  chart.resize(picture.width, picture.height);
  chart.setBackground(QBrush(Qt::white));
  chart.SetCurrentAxisLogarithmic(picture.logarithmicCurrent);
  chart.SetCurrentAxisTitle(QString::fromStdString(picture.currentAxisTitle));
  chart.ShowSeries(picture.series);
  chart.ShowTrend(picture.trend);
  chart.SetAxes(picture.axes);
  chart.SetAccuracyLegend(QString::fromStdString(picture.legend));
  chart.SetTitleText(QString::fromStdString(picture.title));
  chart.SetTitleShown(true);
  chart.replot();
  QString why;
  if (!SaveChartPicture(chart, QString::fromStdString(picture.path), picture.width, picture.height,
                        why)) {
    error = why.toStdString();
    return false;
  }
  return true;
}

}  // namespace kvx
