// Time to draw one metering update on the GUI thread: the Metering page of a
// DRA (2.30 definitions: 31 readings, nine per-unit rows, 32 temperature
// rows) redrawn from the model with every value changed, offscreen.
// Prints figures; never fails on a number.

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <algorithm>
#include <bit>
#include <cstdio>
#include <vector>

#include "app/metering/metering_page_view.h"
#include "monitor/metering_model.h"
#include "setpoints/grid_rows.h"
#include "setpoints/load_setting_file.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::filesystem::path defaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";
  kvx::SettingStore store;
  if (!kvx::LoadSettingFile(store, defaults / "dra_defaults_230.xml", defaults)) return 1;
  kvx::MeteringModel model(kvx::BuildMeteringRows(store), store);
  QWidget page;
  page.resize(760, 420);
  kvx::MeteringPageView view(&page, &page);
  kvx::MainLayout layout;
  layout.meterGrid = {2, 2, 370, 400};
  layout.rtdGrid = {376, 2, 370, 400};
  view.LayOut(layout);
  page.show();

  std::vector<double> modelMs, drawMs;
  for (int i = 0; i < 300; ++i) {
    kvx::MeteringSnapshot s;
    s.readOk = true;
    s.rtdModuleText = "3";
    for (std::size_t k = 0; k + 1 < s.meterWords.size(); k += 2) {
      const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(10 + k + i * 0.37));
      s.meterWords[k] = static_cast<std::uint16_t>(bits);
      s.meterWords[k + 1] = static_cast<std::uint16_t>(bits >> 16);
    }
    const auto base = std::bit_cast<std::uint32_t>(100.0f);
    s.baseWords = {static_cast<std::uint16_t>(base), static_cast<std::uint16_t>(base >> 16),
                   static_cast<std::uint16_t>(base), static_cast<std::uint16_t>(base >> 16)};
    s.differentialBaseWords = {s.baseWords[0], s.baseWords[1]};
    QElapsedTimer t;
    t.start();
    model.Apply(s);
    const double applied = t.nsecsElapsed() / 1e6;
    view.Render(model);
    page.repaint();  // the paint the event loop would do next
    drawMs.push_back(t.nsecsElapsed() / 1e6 - applied);
    modelMs.push_back(applied);
  }
  std::sort(modelMs.begin(), modelMs.end());
  std::sort(drawMs.begin(), drawMs.end());
  std::printf(
      "metering update on the GUI thread (300 updates, every value changed): model %.3f ms, "
      "grids drawn and painted %.3f ms median, %.3f ms at the 95th percentile\n",
      modelMs[150], drawMs[150], drawMs[284]);
  return 0;
}
