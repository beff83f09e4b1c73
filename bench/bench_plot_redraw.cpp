// The curve window's redraw after a parameter keystroke: the feeder window at
// 1400 x 900 with all fourteen elements ticked, a new pickup typed and
// committed, the model rebuilt and the chart replotted and painted. Beside it
// the model's rebuild alone, measured in the same run. The goal is well under
// 30 ms a keystroke. Prints figures; never passes or fails.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_plot_redraw [keystrokes]

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/controls/bw_spin_edit.h"
#include "app/curves/curve_chart.h"
#include "app/curves/feeder_plot_window.h"
#include "curves/feeder_curves.h"
#include "setpoints/load_setting_file.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int keystrokes = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;

  namespace fs = std::filesystem;
  const fs::path defaults = fs::path(KVX_SOURCE_DIR) / "defaults";
  kvx::SettingStore store;
  if (!kvx::LoadSettingFile(store, defaults / "fdx_defaults_110.xml", defaults)) return 1;
  kvx::FdxPlotData record = kvx::FillFdxPlotData(store.settings);

  kvx::FeederPlotWindow window;
  window.Open(record, {Qt::lightGray, Qt::lightGray, Qt::white, Qt::gray});
  window.resize(1400, 900);
  window.show();
  for (int g = 0; g < 2; ++g)
    for (int e = 0; e < kvx::kFeederElements; ++e)
      window.tickBox(g, static_cast<kvx::FeederElement>(e))->setChecked(true);
  QApplication::processEvents();

  constexpr int kPickupRow = 8;  // phase inverse group 1
  kvx::SpinEdit* box = window.numberBox(kPickupRow);
  std::vector<double> total, model;
  std::size_t points = 0;
  for (int i = 0; i < keystrokes; ++i) {
    const double pickup = 0.5 + 0.01 * (i % 100);
    QElapsedTimer clock;
    clock.start();
    box->edit()->setText(QString::number(pickup, 'f', 2));
    box->Commit();
    window.chart()->repaint();  // the replotted picture onto the screen
    QApplication::processEvents();
    total.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);

    QElapsedTimer alone;
    alone.start();
    const kvx::FeederCurves c = kvx::BuildCurves(window.settings(), window.view());
    model.push_back(static_cast<double>(alone.nsecsElapsed()) / 1e6);
    points = 0;
    for (const kvx::CurveSeries& s : c.series) points += s.active ? s.points.size() : 0;
  }
  std::vector<double> replot;
  for (int i = 0; i < keystrokes; ++i) {
    QElapsedTimer clock;
    clock.start();
    window.chart()->replot(QCustomPlot::rpImmediateRefresh);
    replot.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
  }
  const double t = Median(total);
  const double m = Median(model);
  std::printf("feeder window %dx%d (chart %dx%d), 14 series, %zu points\n", window.width(),
              window.height(), window.chart()->width(), window.chart()->height(), points);
  std::printf("keystroke to repainted chart: median %.2f ms, worst %.2f ms (goal < 30 ms)\n", t,
              *std::max_element(total.begin(), total.end()));
  std::printf("model rebuild alone:          median %.2f ms (%.0f%% of the keystroke)\n", m,
              100.0 * m / t);
  std::printf("replot and paint alone:        median %.2f ms\n", Median(replot));
  return 0;
}
