#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <iterator>

#include "app/frame/frame_parts.h"

namespace kvx {
namespace {

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& caption) {
  QMenu* m = bar->addMenu(caption);
  m->setObjectName(QString::fromLatin1(name));
  return m;
}

QAction* AddItem(QMenu* menu, const char* name, const QString& caption) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(QString::fromLatin1(name));
  return a;
}

struct Command {
  const char* name;
  const char* caption;
};

// The three families' command menus, items in menu order.
constexpr Command kDraCommands[] = {{"DRA_ClearEvents1", "Clear Event Records"},
                                    {"DRA_ClearTrips1", "Clear Trip Counters"},
                                    {"DRA_ClearHours1", "Clear Running Hours"},
                                    {"DRA_ClearEnergy1", "Clear Energy Totals"},
                                    {"DRA_I2tReset1", "Emergency I2t Reset"},
                                    {"DRA_SelectLocal1", "Select Local Control"},
                                    {"DRA_DeselectLocal1", "De-select Local Control"},
                                    {"DRA_ReenableTemp1", "Re-enable Temperature Protection"},
                                    {"DRA_SetClock1", "Set Real-Time Clock"}};
constexpr Command kDrbCommands[] = {{"DRB_ClearEvents1", "Clear Event Records"},
                                    {"DRB_ClearTrips1", "Clear Trip Counters"},
                                    {"DRB_ClearHours1", "Clear Running Hours"},
                                    {"DRB_I2tReset1", "Emergency I2t Reset"},
                                    {"DRB_ReenableTemp1", "Re-enable Temperature Protection"},
                                    {"DRB_SetClock1", "Set Real-Time Clock"},
                                    {"DRB_TripSet1", "Remote/Net Trip Set"},
                                    {"DRB_TripClear1", "Remote/Net Trip Clear"},
                                    {"DRB_AlarmSet1", "Remote/Net Alarm Set"},
                                    {"DRB_AlarmClear1", "Remote/Net Alarm Clear"},
                                    {"DRB_Run1Set1", "Run1 Set"},
                                    {"DRB_Run1Clear1", "Run1 Clear"}};
constexpr Command kFdxCommands[] = {{"FDX_ClearEvents1", "Clear Event Records"},
                                    {"FDX_ClearTrips1", "Clear Trip Counters"},
                                    {"FDX_ClearHours1", "Clear Running Hours"},
                                    {"FDX_I2tReset1", "Emergency I2t Reset"},
                                    {"FDX_SetClock1", "Set Real-Time Clock"},
                                    {"FDX_TripSet1", "Remote/Net Trip Set"},
                                    {"FDX_TripClear1", "Remote/Net Trip Clear"},
                                    {"FDX_AlarmSet1", "Remote/Net Alarm Set"},
                                    {"FDX_AlarmClear1", "Remote/Net Alarm Clear"},
                                    {"FDX_Run1Set1", "Run1 Set"},
                                    {"FDX_Run1Clear1", "Run1 Clear"}};

template <std::size_t N>
QMenu* AddCommands(QMenuBar* bar, const char* name, const Command (&items)[N]) {
  QMenu* m = AddMenu(bar, name, QStringLiteral("C&ommands"));
  for (const Command& c : items) AddItem(m, c.name, QString::fromLatin1(c.caption));
  return m;
}

}  // namespace

std::vector<QMenu*> FrameMenus::All() const {
  return {file, communications, draCommands, drbCommands, fdxCommands,
          plot, dataLogging,    password,    help};
}

FrameMenus BuildFrameMenus(QMenuBar* bar) {
  FrameMenus m;
  m.file = AddMenu(bar, "File1", QStringLiteral("&File"));
  m.open = AddItem(m.file, "Open1", QStringLiteral("Open Setpoint File"));
  m.save = AddItem(m.file, "Save1", QStringLiteral("Save Setpoint File"));
  m.loadDefaults = AddItem(m.file, "Load1", QStringLiteral("Load Defaults File"));
  m.writeToUnit = AddItem(m.file, "WritetoUnit1", QStringLiteral("Write Setpoint File to Unit"));
  m.file->addSeparator();
  m.print = AddItem(m.file, "Print1", QStringLiteral("Print"));
  m.saveAsText = AddItem(m.file, "SaveasText1", QStringLiteral("Save as Text"));
  m.file->addSeparator();
  m.compareFiles = AddItem(m.file, "CompareFiles1", QStringLiteral("Compare Files"));
  m.changeRevision = AddItem(m.file, "ChangeRevision1", QStringLiteral("Change File Revision"));
  m.file->addSeparator();
  m.recentFiles = m.file->addMenu(QStringLiteral("Recent Files"));
  m.recentFiles->setObjectName(QStringLiteral("RecentFiles1"));
  m.exit = AddItem(m.file, "Exit1", QStringLiteral("Exit"));
  m.open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  m.save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  m.exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

  m.communications = AddMenu(bar, "Network1", QStringLiteral("&Communications"));
  m.connect = AddItem(m.communications, "Connect1", QStringLiteral("Connect"));
  m.disconnect = AddItem(m.communications, "Disconnect1", QStringLiteral("Disconnect"));
  m.showTraffic = AddItem(m.communications, "ShowTraffic1", QStringLiteral("Show Traffic"));

  m.draCommands = AddCommands(bar, "DRA_Commands", kDraCommands);
  m.drbCommands = AddCommands(bar, "DRB_Commands", kDrbCommands);
  m.fdxCommands = AddCommands(bar, "FDX_Commands", kFdxCommands);

  m.plot = AddMenu(bar, "Plot1", QStringLiteral("&Plot"));
  m.plotChart = AddItem(m.plot, "PlotChart1", QStringLiteral("Plot Chart"));
  m.dataLogging = AddMenu(bar, "DataLogging1", QStringLiteral("&Data Logging"));
  m.datalogEnable = AddItem(m.dataLogging, "Datalog_Enable", QStringLiteral("Enable Datalogging"));
  m.datalogTiming = AddItem(m.dataLogging, "DatalogTiming1", QStringLiteral("Datalog Timing"));
  m.password = AddMenu(bar, "Password1", QStringLiteral("P&assword"));
  m.passwordTimeout = AddItem(m.password, "Timeout1", QStringLiteral("Timeout"));
  m.changePassword = AddItem(m.password, "ChangePassword1", QStringLiteral("Change Password"));
  m.help = AddMenu(bar, "Help1", QStringLiteral("&Help"));
  m.about = AddItem(m.help, "About1", QStringLiteral("About"));
  m.helpContents = AddItem(m.help, "Contents1", QStringLiteral("Contents"));
  m.editColors = AddItem(m.help, "EditColors1", QStringLiteral("Edit Colors"));
  return m;
}

}  // namespace kvx
