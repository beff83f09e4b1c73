#include "app/frame/link_commands.h"

#include <QString>

#include "app/comm/network_options_dialog.h"
#include "app/datalog/datalog_commands.h"
#include "app/frame/main_window.h"
#include "session/working_state.h"

namespace kvx {

void LinkCommands::Connect() {
  WorkingState& session = window_.session();
  if (session.AskToSaveChanges() == MessageResult::Yes && window_.saveSetpointFile) {
    window_.saveSetpointFile();
  }
  window_.ShowOfflineBeforeConnect();
  CommOptions& options = window_.commOptions();
  if (window_.askCommOptions) {
    window_.askCommOptions(options);
  } else {
    ShowCommOptions(options, &window_, window_.userColors(), window_.portAccess);
  }
  if (options.cancelled) return;
  ConnectWith(options);
}

bool LinkCommands::ConnectWith(const CommOptions& options) {
  WorkingState& session = window_.session();
  CommSettings& comm = session.Comm();
  session.Port().SetPortName(options.portName);
  session.Port().SetBaudRate(options.baudRate);
  session.Tcp().SetRemoteHost(options.remoteHost);
  bool portOk = false;
  const int port = QString::fromStdString(options.remotePort).toInt(&portOk);
  session.Tcp().SetRemotePort(
      static_cast<std::uint16_t>(portOk && port > 0 && port <= 65535 ? port : kModbusTcpPort));
  comm.unitAddress = options.unitAddress;
  comm.sourceAddress = options.sourceAddress;
  comm.errorCheck = options.errorCheck;
  comm.baudText = options.baudText;
  comm.protocol = options.protocol;
  bool connected = false;
  window_.Busy([&] { window_.RunOnLink([&] { connected = session.ConnectUnit(); }); });
  window_.RenderSession();
  // A failed connect leaves the loaded settings and their edits as they
  // were; the page keeps its ticks and marks with them.
  if (connected && window_.setpointPageChanged) window_.setpointPageChanged();
  // Why it failed, in words, beside the panel's "Failed to Connect" (a
  // refused model or definition file has said so in its own message).
  if (!connected && !session.View().linkReason.empty()) {
    window_.ShowFailure(QString::fromStdString(session.View().linkReason));
  }
  return connected;
}

void LinkCommands::Disconnect() {
  window_.session().DisconnectUnit();
  window_.datalog().LinkStopped();
  window_.RenderSession();
}

}  // namespace kvx
