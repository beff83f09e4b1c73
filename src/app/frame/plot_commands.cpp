#include "app/frame/plot_commands.h"

#include <QDialog>

#include "app/curves/feeder_plot_window.h"
#include "app/curves/motor_plot_window.h"
#include "app/dialogs/window_dialogs.h"
#include "app/frame/main_window.h"
#include "app/setpoints/setpoint_page_view.h"
#include "session/setpoint_page.h"

namespace kvx {
namespace {

template <class Record, std::size_t N>
std::vector<CurveRecordValue> ValuesOf(const Record& record, const std::array<int, N>& registers) {
  std::vector<CurveRecordValue> values;
  for (std::size_t row = 0; row < N; ++row)
    values.push_back({registers[row], record.Value(static_cast<int>(row))});
  return values;
}

}  // namespace

PlotCommands::PlotCommands(MainWindow& window) : QObject(&window), window_(window) {
  setObjectName(QStringLiteral("plot_commands"));
}

FeederPlotWindow* PlotCommands::feederWindow() const {
  return feeder_;
}

MotorPlotWindow* PlotCommands::motorWindow() const {
  return motor_;
}

void PlotCommands::PlotChart() {
  window_.Busy([this] {
    if (window_.settingStore().unitName.empty()) window_.OnLoadDefaults();
    const int family = window_.settingStore().family;
    if (family < 1 || family > 3) return;
    ReadCurveGroups(family);
    const UserColors colours = window_.userColors();
    if (family == 3) {
      FdxPlotData record = FillFdxPlotData(window_.settingStore().settings);
      if (!feeder_) feeder_ = new FeederPlotWindow(&window_);
      feeder_->setDialogs(&window_.dialogs());
      feeder_->applyChanges = [this, &record] {
        return Apply(ValuesOf(record, kFdxRecordRegisters));
      };
      feeder_->Open(record, colours);
      Show(*feeder_);
      if (feeder_->pending()) HandBack(ValuesOf(record, kFdxRecordRegisters), 50);
      feeder_->applyChanges = nullptr;
    } else {
      DraPlotData record = FillDraPlotData(window_.settingStore());
      if (!motor_) motor_ = new MotorPlotWindow(&window_);
      motor_->setDialogs(&window_.dialogs());
      motor_->applyChanges = [this, &record] {
        return Apply(ValuesOf(record, kDraRecordRegisters));
      };
      motor_->Open(record, colours);
      Show(*motor_);
      if (motor_->pending()) HandBack(ValuesOf(record, kDraRecordRegisters), 115);
      motor_->applyChanges = nullptr;
    }
  });
}

void PlotCommands::Show(QDialog& dialog) {
  if (showModal) {
    showModal(dialog);
  } else {
    dialog.exec();
  }
}

void PlotCommands::ReadCurveGroups(int family) {
  SetpointPageView& page = window_.setpointsView();
  page.TickGroups(CurveGroupNumbers(page.model().Tree(), family));
  // With a relay online the plotted values come fresh from it.
  page.RebuildGrid();
}

bool PlotCommands::Apply(const std::vector<CurveRecordValue>& values) {
  CurveApplyResult result;
  window_.RunOnLink([&] { result = ApplyCurveValues(window_.session(), values); });
  SetpointPage& page = window_.setpointsView().model();
  page.RefreshChangeMarks();
  // What the relay did not confirm stays a pending edit, its group marked.
  for (const CurveRecordValue& v : values) {
    if (window_.settingStore().settings.at(v.reg).changed != 0) page.MarkGroupChanged(v.reg);
  }
  page.SetGridStale();
  window_.setpointsView().RebuildGrid();
  window_.RenderSession();
  if (result.ok) {
    window_.ShowConfirmation(
        window_.online()
            ? QStringLiteral("%1 curve settings written and verified").arg(result.completed)
            : QStringLiteral("%1 curve settings taken into the loaded settings")
                  .arg(result.completed));
  }
  return result.ok;
}

void PlotCommands::HandBack(const std::vector<CurveRecordValue>& values, int stepPerSetting) {
  WindowProgress& progress = window_.progressWindows();
  progress.Begin("Updating Setpoints", 1500);
  SettingTable& settings = window_.settingStore().settings;
  const std::vector<int> changed = HandBackCurveValues(settings, values);
  SetpointPage& page = window_.setpointsView().model();
  int position = 0;
  for (int reg : changed) {
    page.MarkGroupChanged(reg);
    position = std::min(1500, position + stepPerSetting);
    progress.Position(position);
  }
  if (!changed.empty()) {
    window_.session().SetPendingChanges(true);
    window_.setUnsavedChanges(true);
  }
  page.SetGridStale();
  progress.End();
  window_.setpointsView().RebuildGrid();
  window_.RenderSession();
}

}  // namespace kvx
