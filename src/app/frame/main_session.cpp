// The main window on its working state: connect and disconnect, what the
// frame shows of the state, and the password menu.

#include <QAction>
#include <QLabel>
#include <QTimer>

#include "app/comm/network_options_dialog.h"
#include "app/dialogs/password_dialogs.h"
#include "app/dialogs/window_dialogs.h"
#include "app/frame/main_window.h"
#include "app/setpoints/setpoint_page_view.h"

namespace kvx {
namespace {

QColor PanelTextColor(PanelColor color) {
  switch (color) {
    case PanelColor::Good:
      return kGoodColor;
    case PanelColor::Bad:
      return kErrorColor;
    case PanelColor::Normal:
      break;
  }
  return QColor(Qt::black);
}

}  // namespace

void TMainF::useDialogs(UserDialogs* script) {
  dialogs_->Script(script);
}

void TMainF::usePasswords(PasswordPrompt* script) {
  passwords_->Script(script);
}

void TMainF::RenderLinkState() {
  const SessionView& v = session_->View();
  network_P->setText(QString::fromStdString(v.networkText));
  QPalette p = network_P->palette();
  p.setColor(QPalette::WindowText, PanelTextColor(v.networkColor));
  network_P->setPalette(p);
}

void TMainF::RenderSession() {
  const SessionView& v = session_->View();
  ApplyConnectionView(v.menus);
  RenderLinkState();
  version_P->setText(QString::fromStdString(v.versionText));
  serial_P->setText(QString::fromStdString(v.serialText));
  unit_P->setText(QString::fromStdString(v.unitText));
  time_P->setText(QString::fromStdString(v.timeText));
  first_P->setText(QString::fromStdString(v.statusTexts[0]));
  second_P->setText(QString::fromStdString(v.statusTexts[1]));
  third_P->setText(QString::fromStdString(v.statusTexts[2]));
  setWindowTitle(QString::fromStdString(v.caption));
  // Saving needs loaded definitions.
  if (!session_->Store().unitName.empty()) action(QStringLiteral("Save1"))->setVisible(true);
}

void TMainF::Connect1Click() {
  if (session_->AskToSaveChanges() == MessageResult::Yes && saveSetpointFile) saveSetpointFile();
  network_P->setText(QStringLiteral("OFFLINE"));
  QPalette p = network_P->palette();
  p.setColor(QPalette::WindowText, kErrorColor);
  network_P->setPalette(p);
  if (askCommOptions) {
    askCommOptions(commOptions_);
  } else {
    ShowCommOptions(commOptions_, this, userColors(), portAccess);
  }
  if (commOptions_.cancelled) return;
  ConnectWith(commOptions_);
}

bool TMainF::ConnectWith(const CommOptions& options) {
  CommSettings& comm = session_->Comm();
  session_->Port().SetPortName(options.portName);
  session_->Port().SetBaudRate(options.baudRate);
  session_->Tcp().SetRemoteHost(options.remoteHost);
  bool portOk = false;
  const int port = QString::fromStdString(options.remotePort).toInt(&portOk);
  session_->Tcp().SetRemotePort(
      static_cast<std::uint16_t>(portOk && port > 0 && port <= 65535 ? port : kModbusTcpPort));
  comm.unitAddress = options.unitAddress;
  comm.sourceAddress = options.sourceAddress;
  comm.errorCheck = options.errorCheck;
  comm.baudText = options.baudText;
  comm.protocol = options.protocol;
  bool connected = false;
  setpointPage().Busy([&] { RunOnLink([&] { connected = session_->ConnectUnit(); }); });
  RenderSession();
  // A failed connect leaves the loaded settings and their edits as they
  // were; the page keeps its ticks and marks with them.
  if (connected && setpointPageChanged) setpointPageChanged();
  return connected;
}

void TMainF::Timeout1Click() {
  TPasswordTimeoutF dialog(this, userColors(),
                           static_cast<int>(session_->PasswordTimeout().count()));
  if (dialog.exec() == QDialog::Accepted) {
    session_->SetPasswordTimeout(std::chrono::milliseconds(dialog.TimeoutMs()));
  }
  timer(QStringLiteral("password_timer"))
      ->setInterval(static_cast<int>(session_->PasswordTimeout().count()));
}

void TMainF::ChangePassword1Click() {
  setpointPage().Busy([this] { RunOnLink([this] { session_->ChangePassword(); }); });
}

}  // namespace kvx
