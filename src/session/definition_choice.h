#pragma once
// Which definition file fits a connected relay, and which firmware numbers a
// setpoint file and the loaded definitions are compared by.

#include <string_view>

#include "setpoints/unit_model.h"

namespace kvx {

// The firmware number in the definition file name for a relay of `model`
// reporting firmware `firmware` (hundredths): DRA keeps numbers up to 190 and
// rounds later ones down to a multiple of ten (197 -> 190); DRB-50 and FDX-50
// take at least 100 and round down (95 -> 100, 123 -> 120); the QRT models
// round down (107 -> 100).
int DefinitionFileNumber(const UnitModel& model, int firmware);

// Whether the serial number is shown for definitions numbered `fileNumber`:
// DRA from 210, DRB-50 from 120, the other models always.
bool ShowsSerialNumber(const UnitModel& model, int fileNumber);

// The number a file's or the loaded definitions' firmware is compared by:
// family 1 rounds numbers above 190 down to a multiple of ten, families 2
// and 3 round every number down.
int ComparableFirmware(int family, int firmware);

}  // namespace kvx
