// Every menu item and frame button of the main window is wired here, in one
// place, to the controller of its menu area. Items whose feature is not built
// yet say so with a message instead of doing nothing; each feature replaces
// its line when it lands.

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QUrl>

#include "app/commands/device_commands_controller.h"
#include "app/dialogs/message_box.h"
#include "app/events/events_page_view.h"
#include "app/frame/file_commands.h"
#include "app/frame/help_commands.h"
#include "app/frame/link_commands.h"
#include "app/frame/main_window.h"
#include "app/frame/password_commands.h"
#include "app/frame/plot_commands.h"
#include "app/reports/report_commands.h"

namespace kvx {

void MainWindow::NotAvailableYet(const QString& feature) {
  ShowMessage(
      this, QStringLiteral("\"%1\" is not available yet in this version of KVX-COMM.").arg(feature),
      QStringLiteral("Not Available"), MessageKind::Ok);
}

void MainWindow::WireMenus() {
  const FrameMenus& m = menus_;
  auto on = [this](QAction* action, auto handler) {
    connect(action, &QAction::triggered, this, handler);
  };
  on(m.exit, [this] { OnExit(); });
  on(m.connect, [this] { OnConnect(); });
  on(m.disconnect, [this] { OnDisconnect(); });
  on(m.about, [this] { OnAbout(); });
  on(m.helpContents, [this] { OnHelpContents(); });
  on(m.editColors, [this] { OnEditColors(); });
  on(m.passwordTimeout, [this] { OnPasswordTimeout(); });
  on(m.changePassword, [this] { OnChangePassword(); });
  saveSetpointFile = [this] { SaveToFile(); };
  openSetpointFile = [this](const QString& path) { OpenFile(path); };
  // The recent files as the preferences hold them when the menu opens.
  connect(m.recentFiles, &QMenu::aboutToShow, this, [this] {
    QMenu* menu = menus_.recentFiles;
    menu->clear();
    int n = 0;
    for (const std::string& file : prefs_.recentFiles) {
      const QString path = QString::fromStdString(file);
      QAction* a =
          menu->addAction(QStringLiteral("&%1 %2").arg(++n).arg(QDir::toNativeSeparators(path)));
      connect(a, &QAction::triggered, this, [this, path] { files_->OpenRecent(path); });
    }
    if (n == 0) menu->addAction(QStringLiteral("(none yet)"))->setEnabled(false);
  });
  on(m.loadDefaults, [this] { OnLoadDefaults(); });
  on(m.writeToUnit, [this] { OnWriteFileToUnit(); });
  on(m.save, [this] {
    if (saveSetpointFile) saveSetpointFile();
  });
  on(m.open, [this] {
    if (openSetpointFile) openSetpointFile(QString());
  });
  auto* reports = new ReportCommands(*this);
  on(m.saveAsText, [reports] { reports->SaveAsText(); });
  on(m.print, [reports] { reports->Print(); });
  on(m.compareFiles, [reports] { reports->CompareFiles(); });
  on(m.changeRevision, [reports] { reports->ChangeRevision(); });

  (new DeviceCommandsController(*this))->Wire(m, strips_);

  auto* plots = new PlotCommands(*this);  // a child of the window
  on(m.plotChart, [plots] { plots->PlotChart(); });

  // Items of features still to come: a clear message, never a dead item.
  const QList<QAction*> wired = {
      m.exit,           m.connect,        m.disconnect,    m.showTraffic,   m.about,
      m.helpContents,   m.editColors,     m.save,          m.open,          m.passwordTimeout,
      m.changePassword, m.loadDefaults,   m.writeToUnit,   m.saveAsText,    m.print,
      m.compareFiles,   m.changeRevision, m.datalogEnable, m.datalogTiming, m.plotChart};
  for (QMenu* menu : m.All()) {
    for (QAction* a : menu->actions()) {
      if (a->isSeparator() || a->menu() || wired.contains(a) || a->property("wired").toBool()) {
        continue;
      }
      const QString caption = a->text().remove(QLatin1Char('&'));
      connect(a, &QAction::triggered, this, [this, caption] { NotAvailableYet(caption); });
    }
  }
  connect(statusBar_.linkCancel, &QPushButton::clicked, this, [this] { CancelLinkSequence(); });
  openDocument = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

void MainWindow::OnConnect() {
  link_->Connect();
}

bool MainWindow::ConnectWith(const CommOptions& options) {
  return link_->ConnectWith(options);
}

void MainWindow::OnDisconnect() {
  link_->Disconnect();
}

void MainWindow::DisconnectUnit() {
  link_->Disconnect();
}

void MainWindow::OnAbout() {
  help_->About();
}

void MainWindow::OnHelpContents() {
  help_->Contents();
}

void MainWindow::OnEditColors() {
  help_->EditColors();
}

void MainWindow::OnPasswordTimeout() {
  password_->Timeout();
}

void MainWindow::OnChangePassword() {
  password_->ChangePassword();
}

void MainWindow::SaveToFile() {
  files_->Save();
}

void MainWindow::OpenFile(const QString& path) {
  files_->Open(path);
}

void MainWindow::OnLoadDefaults() {
  files_->LoadDefaults();
}

void MainWindow::OnWriteFileToUnit() {
  files_->WriteToUnit();
}

}  // namespace kvx
