#include "app/frame/user_colors.h"

#include <QPalette>
#include <QWidget>

namespace kvx {

UserColors ColorsFromPreferences(const Preferences& prefs) {
  const Preferences defaults;
  auto pick = [](const std::string& text, const std::string& fallback) {
    return ToQColor(ColorFromTextOr(text, *ColorFromText(fallback)));
  };
  UserColors c;
  c.background = pick(prefs.backgroundColor, defaults.backgroundColor);
  c.form = pick(prefs.formColor, defaults.formColor);
  c.editbox = pick(prefs.editboxColor, defaults.editboxColor);
  c.fixedbox = pick(prefs.fixedboxColor, defaults.fixedboxColor);
  return c;
}

void PaintFace(QWidget* widget, const QColor& face) {
  QPalette p = widget->palette();
  p.setColor(QPalette::Window, face);
  p.setColor(QPalette::Button, face);
  // Whatever face the user picked, the text on it reads.
  p.setColor(QPalette::WindowText, TextOn(face));
  p.setColor(QPalette::ButtonText, TextOn(face));
  widget->setPalette(p);
  widget->setAutoFillBackground(true);
}

void PaintBase(QWidget* widget, const QColor& base) {
  QPalette p = widget->palette();
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::Text, TextOn(base));
  widget->setPalette(p);
}

}  // namespace kvx
