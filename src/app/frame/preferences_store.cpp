#include "app/frame/preferences_store.h"

#include <QSettings>

namespace kvx {

Preferences ReadPreferences() {
  QSettings settings(QStringLiteral("Bramwick"), QStringLiteral("KVXCOM"));
  settings.beginGroup(QStringLiteral("Preferences"));
  return PreferencesFromValues([&](const std::string& name) -> std::optional<std::string> {
    const QString key = QString::fromStdString(name);
    if (!settings.contains(key)) return std::nullopt;
    return settings.value(key).toString().toStdString();
  });
}

void WritePreferences(const Preferences& prefs) {
  QSettings settings(QStringLiteral("Bramwick"), QStringLiteral("KVXCOM"));
  settings.beginGroup(QStringLiteral("Preferences"));
  for (const auto& [name, text] : PreferencesToValues(prefs)) {
    settings.setValue(QString::fromStdString(name), QString::fromStdString(text));
  }
  settings.endGroup();
  settings.sync();  // failures at close are not reported
}

}  // namespace kvx
