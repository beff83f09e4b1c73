#include "app/frame/help_commands.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "app/dialogs/about_dialog.h"
#include "app/dialogs/color_options_dialog.h"
#include "app/dialogs/message_box.h"
#include "app/frame/main_window.h"
#include "setpoints/defaults_location.h"
#include "shell/help_errors.h"

namespace kvx {

void HelpCommands::About() {
  AboutDialog about(&window_, window_.userColors());
  about.exec();
}

void HelpCommands::Contents() {
  const QString folder = QString::fromStdString(
      FindDataFolder(window_.programFolder().toStdString(), "help").string());
  const QString path = QDir(folder).filePath(QString::fromLatin1(kHelpStartPage));
  const QFileInfo info(path);
  int code = 0;
  if (!info.dir().exists() || !info.exists()) {
    code = kHelpFileNotFound;
  } else if (!info.isReadable()) {
    code = kHelpAccessDenied;
  } else if (window_.openDocument &&
             window_.openDocument(QUrl::fromLocalFile(info.absoluteFilePath()))) {
    return;
  } else {
    code = kHelpNoAssociation;
  }
  const std::string page = QDir::toNativeSeparators(info.absoluteFilePath()).toStdString();
  ShowMessage(&window_, QString::fromStdString(HelpOpenErrorText(code, "KVX-COMM", page)),
              QString::fromLatin1(kHelpErrorCaption), MessageKind::Ok);
}

void HelpCommands::EditColors() {
  Preferences& prefs = window_.preferences();
  ColorChoice colors{prefs.formColor, prefs.backgroundColor, prefs.fixedboxColor,
                     prefs.editboxColor};
  if (ShowColorOptions(&window_, colors)) {
    prefs.formColor = colors.formColor;
    prefs.backgroundColor = colors.backgroundColor;
    prefs.fixedboxColor = colors.fixedboxColor;
    prefs.editboxColor = colors.editboxColor;
  }
  window_.ApplyColors();
}

}  // namespace kvx
