#pragma once
// Makes "." the decimal separator of the whole process, whatever the user's
// locale, for C library calls and Qt's number conversions alike.

namespace kvx {
void UseDotDecimalSeparator();
}
