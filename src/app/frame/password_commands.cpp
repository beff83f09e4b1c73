#include "app/frame/password_commands.h"

#include <QTimer>

#include "app/dialogs/password_dialogs.h"
#include "app/frame/main_window.h"

namespace kvx {

void PasswordCommands::Timeout() {
  WorkingState& session = window_.session();
  PasswordTimeoutDialog dialog(&window_, window_.userColors(),
                               static_cast<int>(session.PasswordTimeout().count()));
  if (dialog.exec() == QDialog::Accepted) {
    session.SetPasswordTimeout(std::chrono::milliseconds(dialog.TimeoutMs()));
  }
  window_.timers().password->setInterval(static_cast<int>(session.PasswordTimeout().count()));
}

void PasswordCommands::ChangePassword() {
  ChangePasswordResult result;
  window_.Busy([&] {
    window_.RunOnLink([&] { result = window_.session().ChangePassword(); });
    if (result.outcome == ChangePasswordOutcome::Sent && result.written) {
      window_.ShowConfirmation(QStringLiteral("Password changed"));
    }
  });
}

}  // namespace kvx
