#include "app/frame/process_locale.h"

#include <QLocale>
#include <clocale>

namespace kvx {

void UseDotDecimalSeparator() {
  // QApplication sets the C locale from the environment; numbers are kept
  // from following it, the rest (texts, dates) still may.
  std::setlocale(LC_NUMERIC, "C");
  QLocale c = QLocale::c();
  c.setNumberOptions(QLocale::OmitGroupSeparator);
  QLocale::setDefault(c);
}

}  // namespace kvx
