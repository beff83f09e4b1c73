// Every menu item and frame button of the main window is wired here, in one
// place. Items whose feature is not built yet say so with a message instead
// of doing nothing; each feature replaces its line when it lands.

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QUrl>

#include "app/comm/network_options_dialog.h"
#include "app/dialogs/about_dialog.h"
#include "app/dialogs/color_options_dialog.h"
#include "app/dialogs/message_box.h"
#include "app/frame/main_window.h"
#include "shell/help_errors.h"

namespace kvx {

void TMainF::NotAvailableYet(const QString& feature) {
  ShowMessage(
      this, QStringLiteral("\"%1\" is not available yet in this version of KVX-COMM.").arg(feature),
      QStringLiteral("Not Available"), MessageKind::Ok);
}

void TMainF::WireMenuActions() {
  auto on = [this](const char* name, auto handler) {
    connect(action(QString::fromLatin1(name)), &QAction::triggered, this, handler);
  };
  // The frame's own items.
  on("Exit1", [this] { Exit1Click(); });
  on("Connect1", [this] { Connect1Click(); });
  on("Disconnect1", [this] { Disconnect1Click(); });
  on("About1", [this] { About1Click(); });
  on("Contents1", [this] { Contents1Click(); });
  on("EditColors1", [this] { EditColors1Click(); });
  on("Timeout1", [this] { Timeout1Click(); });
  on("ChangePassword1", [this] { ChangePassword1Click(); });

  // Items of features still to come: a clear message, never a dead item.
  saveSetpointFile = [this] { SaveToFile(); };
  openSetpointFile = [this](const QString& path) { LoadUserFile(path); };
  on("Load1", [this] { LoadDefaults(); });
  on("WritetoUnit1", [this] { WritetoUnit1Click(); });
  on("Save1", [this] {
    if (saveSetpointFile) saveSetpointFile();
  });
  on("Open1", [this] {
    if (openSetpointFile) openSetpointFile(QString());
  });
  for (QAction* a : findChildren<QAction*>()) {
    if (a->objectName().isEmpty() || a->menu()) continue;
    static const QStringList wired = {
        QStringLiteral("Exit1"),       QStringLiteral("Connect1"),
        QStringLiteral("Disconnect1"), QStringLiteral("About1"),
        QStringLiteral("Contents1"),   QStringLiteral("EditColors1"),
        QStringLiteral("Save1"),       QStringLiteral("Open1"),
        QStringLiteral("Timeout1"),    QStringLiteral("ChangePassword1"),
        QStringLiteral("Load1"),       QStringLiteral("WritetoUnit1")};
    if (wired.contains(a->objectName())) continue;
    const QString caption = a->text().remove(QLatin1Char('&'));
    connect(a, &QAction::triggered, this, [this, caption] { NotAvailableYet(caption); });
  }
  for (const char* name :
       {"Details_B", "Reset_B", "Start1_B", "Start2_B", "Stop_B", "SaveEvents_B"}) {
    auto* button = qobject_cast<QPushButton*>(part(QString::fromLatin1(name)));
    const QString caption = button->text();
    connect(button, &QPushButton::clicked, this, [this, caption] { NotAvailableYet(caption); });
  }
  openDocument = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

void TMainF::About1Click() {
  TAboutF about(this, userColors());
  about.exec();
}

void TMainF::Contents1Click() {
  const QString path =
      QDir(programFolder_).filePath(QStringLiteral("help/") + QString::fromLatin1(kHelpStartPage));
  const QFileInfo info(path);
  int code = 0;
  bool opened = false;
  if (!info.dir().exists() || !info.exists()) {
    code = kHelpFileNotFound;
  } else if (!info.isReadable()) {
    code = kHelpAccessDenied;
  } else if (openDocument && openDocument(QUrl::fromLocalFile(info.absoluteFilePath()))) {
    opened = true;
  } else {
    code = kHelpNoAssociation;
  }
  if (opened) return;
  ShowMessage(this, QString::fromStdString(HelpOpenErrorText(code, "KVX-COMM")),
              QString::fromLatin1(kHelpErrorCaption), MessageKind::Ok);
}

void TMainF::EditColors1Click() {
  ColorChoice colors{prefs_.formColor, prefs_.backgroundColor, prefs_.fixedboxColor,
                     prefs_.editboxColor};
  if (ShowColorOptions(this, colors)) {
    prefs_.formColor = colors.formColor;
    prefs_.backgroundColor = colors.backgroundColor;
    prefs_.fixedboxColor = colors.fixedboxColor;
    prefs_.editboxColor = colors.editboxColor;
  }
  ApplyColors();
}

}  // namespace kvx
