#pragma once
// The trip and alarm codes active in the relay, from the block at 1104:
// family 1 lists up to five code numbers, families 2 and 3 a bit map of 15
// registers (bit b of register 1104 + i is code 16 i + b).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "comm/comm_error.h"
#include "comm/comm_settings.h"

namespace kvx {

inline constexpr int kTripCodeFirst = 1104;
inline constexpr const char* kNoTripCode = "No Trip or Alarm Code";

int TripCodeRegisterCount(int family);    // 5 for family 1, else 15
int TripCodeType(int family, int index);  // the setting type of register 1104 + index

// The lines of the details window: one per active code, in register order,
// without "No Trip or Alarm Code".
std::vector<std::string> TripCodeLines(int family, std::span<const std::uint16_t> words);

// Reads the family's block and gives its lines; false (with the link's
// reason) when the read failed.
bool ReadTripCodes(CommSettings& settings, int family, std::vector<std::string>& lines,
                   CommFailure& why);

}  // namespace kvx
