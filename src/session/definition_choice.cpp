#include "session/definition_choice.h"

#include <algorithm>
#include <limits>

namespace kvx {
namespace {

// In 64 bits: the firmware numbers come from files and relays, and
// INT_MIN - 8 would overflow an int. The results for every number a relay
// can report fit; anything below INT_MIN + 8 saturates.
int RoundDownToTen(int n) {
  const long long v = n;
  return static_cast<int>(
      std::max<long long>(v - ((v % 10) + 10) % 10, std::numeric_limits<int>::min()));
}

}  // namespace

int DefinitionFileNumber(const UnitModel& model, int firmware) {
  switch (model.code) {
    case 201:  // DRA
      return firmware <= 190 ? firmware : RoundDownToTen(firmware);
    case 301:  // DRB-50
    case 302:  // FDX-50
      return RoundDownToTen(std::max(firmware, 100));
    default:  // the QRT models
      return RoundDownToTen(firmware);
  }
}

bool ShowsSerialNumber(const UnitModel& model, int fileNumber) {
  if (model.code == 201) return fileNumber >= 210;
  if (model.code == 301) return fileNumber >= 120;
  return true;
}

int ComparableFirmware(int family, int firmware) {
  if (family == 1) return firmware > 190 ? RoundDownToTen(firmware) : firmware;
  return RoundDownToTen(firmware);
}

}  // namespace kvx
