#pragma once
// The relay's registers that the program itself reads and writes, by name.
// Settings come from the definition files; these are the fixed addresses
// around them that every model shares. Counts are in 16-bit registers.

namespace kvx::relay_reg {

// Identity, read at every connect (and by the status poll's re-check).
inline constexpr int kModelCode = 0;     // the model code (type 3)
inline constexpr int kFirmware = 1;      // firmware number in hundredths (type 3)
inline constexpr int kSerialNumber = 2;  // serial number (type 2)

// Where DF1 and Modbus TCP write a device command code (Modbus RTU forces
// the coil of that number instead).
inline constexpr int kCommand = 6;

// Number of temperature-sensor modules (type 3), read before the metering blocks.
inline constexpr int kRtdModules = 390;

// The relay's time of day (two words) and the text that sets its clock
// ("YY/MM/DD hh:mm:ss", type 31).
inline constexpr int kClockTime = 576;
inline constexpr int kClockTimeCount = 2;
inline constexpr int kClockSet = 580;
inline constexpr int kClockSetCount = 10;

// The access password: type 22 text, two characters a register.
inline constexpr int kPassword = 590;
inline constexpr int kPasswordCount = 10;

// Metering: the measured values and the running totals.
inline constexpr int kMeterFirst = 860;
inline constexpr int kMeterCount = 116;  // 860..975
inline constexpr int kTotalsFirst = 1210;
inline constexpr int kTotalsCount = 20;

// Event records: how many were written, which ring slot to present, and the
// block that presents it.
inline constexpr int kEventCount = 973;
inline constexpr int kEventSelect = 975;
inline constexpr int kEventRecordFirst = 976;
inline constexpr int kEventRecordCount = 90;  // 976..1065

// Status bits (trips, alarms, inputs) by family.
inline constexpr int kStatusFirst = 1096;
inline constexpr int kStatusCount = 5;  // 1096..1100

}  // namespace kvx::relay_reg
