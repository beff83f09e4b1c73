// What the frame shows of the working state, and the dialogs the state's
// sequences talk through.

#include <QAction>
#include <QLabel>
#include <QProgressBar>

#include "app/dialogs/password_dialogs.h"
#include "app/dialogs/window_dialogs.h"
#include "app/frame/main_window.h"
#include "comm/link_description.h"

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
  return kNormalTextColor;
}

void ShowNetwork(QLabel* panel, const QString& text, const QColor& color) {
  panel->setText(text);
  QPalette p = panel->palette();
  // Red or green as far as the panel's colour lets them read.
  p.setColor(QPalette::WindowText, InkOn(color, p.color(QPalette::Window)));
  panel->setPalette(p);
}

}  // namespace

void MainWindow::useDialogs(UserDialogs* script) {
  dialogs_->Script(script);
}

void MainWindow::usePasswords(PasswordPrompt* script) {
  passwords_->Script(script);
}

UserDialogs& MainWindow::dialogs() {
  return *dialogs_;
}

void MainWindow::RenderLinkState() {
  const SessionView& v = session_->View();
  ShowNetwork(statusBar_.network, QString::fromStdString(v.networkText),
              PanelTextColor(v.networkColor));
  // The fixed text stays as it is; why the link failed is one hover away.
  statusBar_.network->setToolTip(QString::fromStdString(v.linkReason));
  // Which link, while online.
  QLabel* link = statusBar_.link;
  const QString where =
      session_->Online() ? QString::fromStdString(DescribeLink(session_->Comm())) : QString();
  link->setText(where);  // ends in "…" in a narrow window; the tip holds it whole
  link->setToolTip(where);
  link->setVisible(!where.isEmpty() && statusBar_.progress->value() <= 0);
}

void MainWindow::ShowOfflineBeforeConnect() {
  ShowNetwork(statusBar_.network, QStringLiteral("OFFLINE"), kErrorColor);
}

void MainWindow::RenderSession() {
  const SessionView& v = session_->View();
  ApplyConnectionView(v.menus);
  RenderLinkState();
  statusBar_.version->setText(QString::fromStdString(v.versionText));
  statusBar_.serial->setText(QString::fromStdString(v.serialText));
  statusBar_.unit->setText(QString::fromStdString(v.unitText));
  statusBar_.time->setText(QString::fromStdString(v.timeText));
  for (int i = 0; i < 3; ++i) {
    strips_.statusTexts[i]->setText(QString::fromStdString(v.statusTexts[i]));
  }
  setWindowTitle(QString::fromStdString(v.caption));
  // Saving needs loaded definitions.
  if (!session_->Store().unitName.empty()) {
    menus_.save->setVisible(true);
    menus_.print->setVisible(true);
    menus_.saveAsText->setVisible(true);
  }
}

}  // namespace kvx
