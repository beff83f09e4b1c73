#pragma once
// Reads and writes the preferences in the user's settings (organisation
// "Bramwick", application "KVXCOM", group "Preferences"), every value a string.

#include "shell/preferences.h"

namespace kvx {

Preferences ReadPreferences();
void WritePreferences(const Preferences& prefs);

}  // namespace kvx
