#pragma once
// The four user colours as Qt colours, read from their preference texts.

#include <QColor>
#include <QString>

class QWidget;

#include "shell/colors.h"
#include "shell/contrast.h"
#include "shell/preferences.h"

namespace kvx {

inline QColor ToQColor(Rgb rgb) {
  return QColor(rgb.r, rgb.g, rgb.b);
}

inline Rgb ToRgb(const QColor& c) {
  return Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
             static_cast<std::uint8_t>(c.blue())};
}

// Plain text on `background`: black or white, whichever reads.
inline QColor TextOn(const QColor& background) {
  return ToQColor(TextColorOn(ToRgb(background)));
}
// A status colour (blue changes, red errors…) moved toward TextOn when it
// would not read on `background`.
inline QColor InkOn(const QColor& preferred, const QColor& background) {
  return ToQColor(ReadableInk(ToRgb(preferred), ToRgb(background)));
}

// Fixed status colours.
inline const QColor kNormalTextColor{0x00, 0x00, 0x00};
inline const QColor kWarningColor{0xFF, 0xFF, 0x00};
inline const QColor kErrorColor{0xFF, 0x00, 0x00};
inline const QColor kChangedColor{0x00, 0x00, 0xFF};
inline const QColor kGoodColor{0x00, 0x80, 0x00};

struct UserColors {
  QColor background;  // text areas: grids, status panels, dialog faces
  QColor form;        // the main window face and its bars
  QColor editbox;     // editable fields
  QColor fixedbox;    // fixed grid cells
};

// The colours of `prefs`; a text that is not a colour gives that colour's
// default, so a damaged preference never stops the program.
UserColors ColorsFromPreferences(const Preferences& prefs);

// Sets the window face (and button face) of `widget` to `face`.
void PaintFace(QWidget* widget, const QColor& face);
// Sets the base (editable area) colour of `widget`.
void PaintBase(QWidget* widget, const QColor& base);

}  // namespace kvx
