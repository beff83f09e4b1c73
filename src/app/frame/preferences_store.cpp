#include "app/frame/preferences_store.h"

#include <QSettings>

namespace kvx {

namespace {
const QString kRecentGroup = QStringLiteral("RecentFiles");
}

Preferences ReadPreferences() {
  QSettings settings(QStringLiteral("Bramwick"), QStringLiteral("KVXCOM"));
  settings.beginGroup(QStringLiteral("Preferences"));
  Preferences prefs =
      PreferencesFromValues([&](const std::string& name) -> std::optional<std::string> {
        const QString key = QString::fromStdString(name);
        if (!settings.contains(key)) return std::nullopt;
        return settings.value(key).toString().toStdString();
      });
  settings.endGroup();
  settings.beginGroup(kRecentGroup);
  for (std::size_t i = kRecentFileCount; i-- > 0;) {
    const QString text = settings.value(QStringLiteral("File%1").arg(i + 1)).toString();
    if (!text.isEmpty()) NoteRecentFile(prefs, text.toStdString());
  }
  return prefs;
}

void WritePreferences(const Preferences& prefs) {
  QSettings settings(QStringLiteral("Bramwick"), QStringLiteral("KVXCOM"));
  settings.beginGroup(QStringLiteral("Preferences"));
  for (const auto& [name, text] : PreferencesToValues(prefs)) {
    settings.setValue(QString::fromStdString(name), QString::fromStdString(text));
  }
  settings.endGroup();
  settings.beginGroup(kRecentGroup);
  settings.remove(QString());
  for (std::size_t i = 0; i < prefs.recentFiles.size() && i < kRecentFileCount; ++i) {
    settings.setValue(QStringLiteral("File%1").arg(i + 1),
                      QString::fromStdString(prefs.recentFiles[i]));
  }
  settings.endGroup();
  settings.sync();  // failures at close are not reported
}

}  // namespace kvx
