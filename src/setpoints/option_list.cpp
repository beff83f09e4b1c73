#include "setpoints/option_list.h"

#include <array>
#include <string>
#include <vector>

namespace kvx {
namespace {

using Lines = std::span<const std::string_view>;

constexpr std::string_view kList6[] = {"Enabled", "Disabled"};
constexpr std::string_view kList7[] = {"No Trip or Alarm", "Trip", "Alarm", "Trip and Alarm"};
constexpr std::string_view kList9[] = {"No Voltage Input", "1 PT line-line", "2 PT line-line",
                                       "3 PT & Direct"};
constexpr std::string_view kList10[] = {"50 Hz", "60 Hz"};
constexpr std::string_view kList11[] = {
    "Protection Only",   "Full V Non-Reversing", "Adj-Speed Drive",
    "Soft Start",        "Full V Reversing",     "Two Speed",
    "Reactor Closed",    "Reactor Open",         "Slip Ring",
    "Soft Start Bypass", "Part Winding",         "Double Delta",
    "Autotransformer",   "Two Winding",          "Wye-Delta Open",
    "Wye-Delta Closed"};
constexpr std::string_view kList12[] = {
    "Input Not Used", "Start 1",        "Start 2",        "Stop",         "Relay A Status",
    "Relay B Status", "Relay C Status", "Relay D Status", "Interlock",    "Trip 1",
    "Reset",          "Local Select",   "Local Start1",   "Local Start2", "2-Wire Start1",
    "2-Wire Start2",  "FLA2 Select",    "Limit1 Stop",    "Limit2 Stop",  "Reduced OC"};
constexpr std::string_view kList13[] = {"None",
                                        "Starter Relay A",
                                        "Starter Relay B",
                                        "Starter Relay C",
                                        "Starter Relay D",
                                        "Trip 1",
                                        "Alarm 1",
                                        "Trip 2",
                                        "Interlock",
                                        "Local",
                                        "Current Detected",
                                        "Run Mode",
                                        "Sequence Complete",
                                        "I2t Start Inhibit",
                                        "None",
                                        "Watchdog",
                                        "Trip 3",
                                        "Alarm 2",
                                        "Alarm 3",
                                        "Trip 1 Pulse",
                                        "Reduced OC"};
constexpr std::string_view kList14[] = {"Fail Safe", "Non Fail Safe"};
constexpr std::string_view kList15[] = {
    "Phase Current", "Earth Leakage",       "Thermal Capacity", "Stator RTD",    "Bearing RTD",
    "Load RTD",      "Ambient RTD",         "Voltage",          "Unbalance (I)", "Power Factor",
    "Real Power",    "Reactive Power",      "Apparent Power",   "Zero",          "Full Scale",
    "Speed",         "Differential Current"};
constexpr std::string_view kList16[] = {"NONE (Disabled)", "A-B DF1",   "Modbus RTU",
                                        "Anybus",          "DeviceNet", "ModbusTCP"};
constexpr std::string_view kList17[] = {"1200",  "2400",          "4800",          "9600",
                                        "19200", "DeviceNet 125", "DeviceNet 250", "DeviceNet 500"};
constexpr std::string_view kList18[] = {"Not Selected", "CRC Check", "BCC Check"};
constexpr std::string_view kList19[] = {"No RTD Module", "1 RTD Module", "2 RTD Modules",
                                        "3 RTD Modules"};
constexpr std::string_view kList20[] = {"Disable", "Platinum 100", "Nickel 100", "Nickel 120",
                                        "Copper 10"};
constexpr std::string_view kList21[] = {"Stator", "Bearing", "Load", "Ambient"};
constexpr std::string_view kList25[] = {
    "1 Start per Hour",  "2 Starts per Hour", "3 Starts per Hour", "4 Starts per Hour",
    "5 Starts per Hour", "6 Starts per Hour", "7 Starts per Hour", "8 Starts per Hour",
    "9 Starts per Hour", "10 Starts per Hour"};
constexpr std::string_view kList26[] = {"Empty Record", "Trip Record", "Start Record",
                                        "ETR Record"};
constexpr std::string_view kList29[] = {"Not Used", "Start1",           "Run1", "Start2", "Run2",
                                        "Stop",     "Backspin Timer On"};
constexpr std::string_view kList33[] = {"NEMA", "K-Factor"};
constexpr std::string_view kList34[] = {"Metering Only", "Protection", "ASD Sync", "Motor Speed"};
constexpr std::string_view kList37[] = {"Stop",
                                        "Start1",
                                        "Start2",
                                        "Reset Trips",
                                        "Set Real-Time Clock",
                                        "Clear Data-Logging Records",
                                        "Clear Trip Counters",
                                        "Not Used",
                                        "Clear Running Hours",
                                        "Emergency Thermal Reset",
                                        "Select Local Control",
                                        "De-select Local Control",
                                        "Re-enable Temperature Protection"};
constexpr std::string_view kList38[] = {"Normal", "Autoreset", "Multiple-Motor Sequence"};
constexpr std::string_view kList40[] = {"1 OPI", "2 OPI's", "3 OPI's"};
constexpr std::string_view kList41[] = {"Time Transfer", "Current Transfer"};
constexpr std::string_view kList42[] = {"Disabled",
                                        "Trip1",
                                        "Trip2",
                                        "Trip3",
                                        "Trip1 & Trip2",
                                        "Trip1 & Trip3",
                                        "Trip1 & Trip2 & Trip3",
                                        "Trip2 & Trip3"};
constexpr std::string_view kList43[] = {"Disabled",
                                        "Alarm1",
                                        "Alarm2",
                                        "Alarm3",
                                        "Alarm1 & Alarm2",
                                        "Alarm1 & Alarm3",
                                        "Alarm1 & Alarm2 & Alarm3",
                                        "Alarm2 & Alarm3"};
constexpr std::string_view kList60[] = {"Calculated (3Io)", "Measured (Ict)"};
constexpr std::string_view kList61[] = {"Input Not Used", "Trip", "Reset", "Program Enable",
                                        "Reduced OC"};
constexpr std::string_view kList62[] = {
    "None",       "Trip 1",   "Trip 2",           "Trip 3",    "Alarm 1",
    "Alarm 2",    "Alarm 3",  "Current Detected", "Run",       "Start Inhibit",
    "Trip Pulse", "Watchdog", "Network Run 1",    "Reduced OC"};
constexpr std::string_view kList63[] = {"Phase Current (CT)",
                                        "Earth Leakage Measured from CT Input",
                                        "Earth Leakage Calculated from Phase CT Input",
                                        "Thermal Capacity",
                                        "Local RTD",
                                        "RTD Module Maximum Stator Temperature",
                                        "RTD Module Maximum Bearing Temperature",
                                        "RTD Module Maximum Load Temperature",
                                        "RTD Module Maximum Ambient Temperature",
                                        "Current Unbalance",
                                        "Zero",
                                        "Full Scale",
                                        "Differential Current",
                                        "Phase Current (FLA)"};
constexpr std::string_view kList64[] = {"Stop",
                                        "Reserved",
                                        "Reserved",
                                        "Reset Trips",
                                        "Set Real-Time Clock",
                                        "Clear Data-Logging Records",
                                        "Clear Trip Counters",
                                        "Reserved",
                                        "Clear Running Hours",
                                        "Emergency Thermal Reset",
                                        "Reserved",
                                        "Reserved",
                                        "Re-enable Temperature Protection",
                                        "Remote/Network Trip Set",
                                        "Remote/Network Trip Reset",
                                        "Remote/Network Alarm Set",
                                        "Remote/Network Alarm Reset",
                                        "Run1 Set",
                                        "Run1 Clear"};
constexpr std::string_view kList65[] = {"None",       "A-B DF1",    "DeviceNet", "Ethernet/IP",
                                        "Modbus RTU", "Modbus TCP", "ProfiNet"};
constexpr std::string_view kList66[] = {"9600 Baud", "19.2 kB", "38.4 kB"};
constexpr std::string_view kList67[] = {
    "Error",   "Error",   "Error", "Error", "Trip 1", "Trip 2", "Trip 3", "Alarm 1",
    "Alarm 2", "Alarm 3", "Error", "Error", "Error",  "Error",  "Error",  "Error"};
constexpr std::string_view kList68[] = {"Disabled", "RTD Sensor", "PTC Sensor"};
constexpr std::string_view kList69[] = {"TIA 9600",        "TIA 19k2",        "TIA 38k4",
                                        "DeviceNet 125KB", "DeviceNet 250KB", "DeviceNet 500KB"};
constexpr std::string_view kList70[] = {"50 Hz", "60 Hz", "Variable Frequency"};
constexpr std::string_view kList71[] = {"None",
                                        "Trip1",
                                        "Trip2",
                                        "Trip3",
                                        "Alarm1",
                                        "Alarm2",
                                        "Alarm3",
                                        "Relay1",
                                        "Relay2",
                                        "Relay3",
                                        "Digital Input",
                                        "Current Detected",
                                        "Current >125% FLA",
                                        "Motor in Run Mode",
                                        "ETR State",
                                        "Start Inhibit",
                                        "Network Run 1",
                                        "Net Activity",
                                        "Reduced OC"};
constexpr std::string_view kList72[] = {"Reserved",
                                        "Reserved",
                                        "Reserved",
                                        "Reset Trips",
                                        "Set RTC",
                                        "Clear data-logging records",
                                        "Clear Trip Counters",
                                        "Reserved",
                                        "Clear Running Hours",
                                        "Emergency Thermal Reset",
                                        "reserved",
                                        "reserved",
                                        "reserved",
                                        "Remote/Network Trip Set",
                                        "Remote/Network Trip Reset",
                                        "Remote/Network Alarm Set",
                                        "Remote/Network Alarm Reset",
                                        "Run1 Set",
                                        "Run1 Clear"};
constexpr std::string_view kList73[] = {"IEC Normal Inverse A",  "IEC Very Inverse B",
                                        "IEC Extreme Inverse C", "IEC Short Inverse A",
                                        "IEC Long Inverse B",    "IEEE Moderate Inverse",
                                        "IEEE Very Inverse",     "IEEE Extreme Inverse"};
constexpr std::string_view kList74[] = {
    "None",       "Trip1",     "Trip2",     "Trip3",      "Alarm1",        "Alarm2",
    "Alarm3",     "Relay1",    "Relay2",    "Relay3",     "Digital Input", "Current Detected",
    "3Io Pickup", "Ph Pickup", "ETR State", "Reserved15", "Network Run1",  "Net Activity"};
constexpr std::string_view kList75[] = {"None", "Trip1", "Reset", "Program Enable",
                                        "Set-Point Group"};
constexpr std::string_view kList76[] = {
    "None",        "Trip1",     "Trip2",       "Trip3",
    "Alarm1",      "Alarm2",    "Alarm3",      "Current Detected",
    "Reserved8",   "Reserved9", "Trip1 Pulse", "Watchdog",
    "Network Run1"};
constexpr std::string_view kList77[] = {
    "Phase Current", "EF (Ict Measured)", "EF (3Io Calculated)", "Used I2t",  "Reserved4",
    "Reserved5",     "Reserved6",         "Reserved7",           "Reserved8", "Unbalance",
    "Zero",          "Full Scale"};
constexpr std::string_view kList80[] = {"Empty Record", "Trip Record", "ETR Record"};
constexpr std::string_view kList81[] = {"Group 1", "Group 2"};
constexpr std::string_view kList82[] = {"None",
                                        "0x32 Basic Overload",
                                        "0x33 Extended Overload",
                                        "0x34 Basic Motor Starter",
                                        "0x35 Extended Motor Starter 1",
                                        "0x36 Extended Motor Starter 2",
                                        "0x64 Status/Meters/RTDs",
                                        "0x65 Status/Meters",
                                        "0x66 Status",
                                        "User Registers"};
constexpr std::string_view kList83[] = {"None", "0x02 Basic Overload", "0x03 Basic Motor Starter",
                                        "0x04 Extended Contactor", "0x05 Extended Motor Starter"};
constexpr std::string_view kList84[] = {"None",
                                        "0x32 Basic Overload",
                                        "0x33 Extended Overload",
                                        "0x34 Basic Motor Starter",
                                        "0x35 Extended Motor Starter 1",
                                        "0x64 User Registers"};
constexpr std::string_view kList85[] = {"None", "0x02 Basic Overload", "0x03 Basic Motor Starter"};
constexpr std::string_view kList95[] = {"Main",           "Current",          "Unbalance",
                                        "Earth Leakage",  "Thermal Capacity", "Differential",
                                        "RTD Module Rdg", "Local Sensor",     "I/O Status",
                                        "System Status",  "Network Status"};
constexpr std::string_view kList96[] = {"Main",
                                        "Summary",
                                        "Current",
                                        "Current Unbalance",
                                        "Earth Leakage",
                                        "Thermal Capacity",
                                        "Voltage",
                                        "Voltage Unbalance",
                                        "Differential",
                                        "Power",
                                        "Energy",
                                        "Frequency",
                                        "RTD Temperature",
                                        "I/O Status",
                                        "System Status",
                                        "Communication Status"};
constexpr std::string_view kList97[] = {
    "Main",           "Current",      "Unbalance",  "Earth Leakage", "Thermal Status",
    "Inverse Status", "Local Sensor", "I/O Status", "System Status", "Network Status"};
constexpr std::string_view kList338[] = {"Normal", "Autoreset", "Rapid"};
constexpr std::string_view kList377[] = {
    "Phase Current", "EF (Ict Measured)", "EF (3Io Calculated)", "Used I2t",  "RTD Temperature",
    "Reserved5",     "Reserved6",         "Reserved7",           "Reserved8", "Unbalance",
    "Zero",          "Full Scale"};

// A 256-line cause list kept as owned strings plus views onto them.
struct CauseList {
  std::vector<std::string> text;
  std::vector<std::string_view> views;

  explicit CauseList(std::vector<std::string> lines) : text(std::move(lines)) {
    views.assign(text.begin(), text.end());
  }
};

std::vector<std::string> MotorCauses() {
  std::vector<std::string> l(256, "Reserved");
  const char* first[] = {"Main Overcurrent Trip",
                         "Auxiliary Overcurrent Trip",
                         "Overload Trip",
                         "Overload Alarm",
                         "Earth-Fault Trip",
                         "Earth-Fault Alarm",
                         "Current-Unbalance Trip",
                         "Current-Unbalance Alarm",
                         "Voltage-Unbalance Trip",
                         "Voltage-Unbalance Alarm",
                         "Jam Trip",
                         "Jam Alarm",
                         "Undercurrent Trip",
                         "Undercurrent Alarm",
                         "Overvoltage Trip",
                         "Overvoltage Alarm",
                         "Undervoltage Trip",
                         "Undervoltage Alarm",
                         "Analog-Input-High Trip",
                         "Analog-Input-High Alarm",
                         "Analog-Input-Low Trip",
                         "Analog-Input-Low Alarm",
                         "PTC Temperature Trip",
                         "PTC Temperature Alarm",
                         "Phase-Loss (I) Trip",
                         "Phase-Reverse (I) Trip",
                         "Phase-Loss (V) Trip",
                         "Phase-Reverse (V) Trip",
                         "Underspeed Trip",
                         "Relay-Status Trip"};
  int i = 0;
  for (const char* name : first) l[i++] = name;
  for (int d = 1; d <= 7; ++d) l[i++] = "Digital " + std::to_string(d) + " Trip";
  for (int m = 1; m <= 3; ++m) {
    for (int n = 1; n <= 8; ++n) {
      const std::string base = "RTD Module " + std::to_string(m) + " Number " + std::to_string(n);
      l[i++] = base + " Trip";
      l[i++] = base + " Alarm";
    }
  }
  const char* rest[] = {"RTD Module 1 Comm Trip",
                        "RTD Module 1 Comm Alarm",
                        "RTD Module 2 Comm Trip",
                        "RTD Module 2 Comm Alarm",
                        "RTD Module 3 Comm Trip",
                        "RTD Module 3 Comm Alarm",
                        "RTD Sensor Trip",
                        "RTD Sensor Alarm",
                        "I2t Inhibit",
                        "All Defaults Loaded",
                        "Non-Volatile Memory (NV) Enum Error",
                        "NV Numeric Error",
                        "NV String Error",
                        "NV Event-Record Error",
                        "NV I2t Error",
                        "Starter Trip",
                        "Display-Communication Trip",
                        "A/D Status Fault",
                        "Trip Caused By STOP",
                        "Network-Communication Trip",
                        "Network-Communication Alarm",
                        "PF Quadrant 4 Trip",
                        "PF Quadrant 4 Alarm",
                        "Underfrequency Trip",
                        "Underfrequency Alarm",
                        "Overfrequency Trip",
                        "Overfrequency Alarm",
                        "PF Quadrant 3 Trip",
                        "PF Quadrant 3 Alarm",
                        "Phase-Reverse (I) Alarm",
                        "Phase-Reverse (V) Alarm",
                        "Starts Per Hour Trip",
                        "Starts Per Hour Alarm"};
  for (const char* name : rest) l[i++] = name;  // ends at 117; 118 stays "Reserved"
  const char* late[] = {"Remote/Network Trip",
                        "Remote/Network Alarm",
                        "Phase-Loss (I) Alarm",
                        "Local RTD Trip",
                        "Local RTD Alarm",
                        "Local RTD Sensor Fault",
                        "Local RTD Sensor Alarm",
                        "I2t Inhibit Trip",
                        "I2t Inhibit Alarm",
                        "Differential Communication Trip",
                        "Differential Communication Alarm",
                        "Differential Trip",
                        "Differential Alarm",
                        "Reduced OC Trip",
                        "133 Reserved"};
  i = 119;
  for (const char* name : late) l[i++] = name;
  for (int v = 140; v <= 250; v += 10) l[v] = std::to_string(v) + " Reserved";
  l[253] = "Normal Start";
  l[254] = "Incomplete Start";
  l[255] = "No Trip or Alarm Code";
  return l;
}

std::vector<std::string> FeederCauses() {
  std::vector<std::string> l(256, "Reserved");
  const char* first[] = {
      "Overload Trip G1",         "Overload Trip G2",          "Overload Alarm G1",
      "Overload Alarm G2",        "Phase Inverse O/C Trip G1", "Phase Inverse O/C Trip G2",
      "Phase Timed O/C Trip G1",  "Phase Timed O/C Trip G2",   "Phase Timed O/C Alarm G1",
      "Phase Timed O/C Alarm G2", "3Io Inverse Trip G1",       "3Io Inverse Trip G2",
      "3Io Timed Trip G1",        "3Io Timed Trip G2",         "3Io Timed Alarm G1",
      "3Io Timed Alarm G2",       "EF-CT Timed Trip G1",       "EF-CT Timed Trip G2",
      "EF-CT Timed Alarm G1",     "EF-CT Timed Alarm G2",      "Unbalance Trip",
      "Unbalance Alarm",          "Phase Loss Trip",           "Phase Loss Alarm",
      "Phase Reverse Trip",       "Phase Reverse Alarm",       "26 Reserved"};
  int i = 0;
  for (const char* name : first) l[i++] = name;
  const char* thirties[] = {"Digital Input Trip", "RTD Trip", "RTD Alarm", "RTD Sensor Trip",
                            "RTD Sensor Alarm",   "PTC Trip", "PTC Alarm"};
  i = 30;
  for (const char* name : thirties) l[i++] = name;
  for (int v = 40; v <= 90; v += 10) {
    l[v] = std::to_string(v) + " Reserved";
    l[v + 1] = std::to_string(v + 1) + " Reserved";
  }
  const char* nineties[] = {"Memory Error, All defaults loaded",
                            "Memory Error, Enum",
                            "Memory Error, Numeric",
                            "Memory Error, String",
                            "Memory Error, Records1",
                            "Memory Error, Records2",
                            "Display Error",
                            "101 Reserved",
                            "DSP Error",
                            "Network Comm Trip",
                            "Network Comm Alarm",
                            "Remote Trip via Network",
                            "Remote Alarm via Network",
                            "107 Reserved"};
  i = 94;
  for (const char* name : nineties) l[i++] = name;
  for (int v = 110; v <= 250; v += 10) l[v] = std::to_string(v) + " Reserved";
  l[253] = "Normal Start";
  l[254] = "Incomplete Start";
  l[255] = "No Trip or Alarm Code";
  return l;
}

// Built once on first use; immutable afterwards, so any thread may read it.
const CauseList& MotorCauseList() {
  static const CauseList list(MotorCauses());
  return list;
}
const CauseList& FeederCauseList() {
  static const CauseList list(FeederCauses());
  return list;
}

}  // namespace

std::span<const std::string_view> OptionLines(int typeCode) {
  switch (typeCode) {
    case 6:
      return kList6;
    case 7:
      return kList7;
    case 9:
      return kList9;
    case 10:
      return kList10;
    case 11:
      return kList11;
    case 12:
    case 312:
      return kList12;
    case 13:
    case 313:
      return kList13;
    case 14:
      return kList14;
    case 15:
    case 315:
      return kList15;
    case 16:
      return kList16;
    case 17:
      return kList17;
    case 18:
      return kList18;
    case 19:
      return kList19;
    case 20:
      return kList20;
    case 21:
      return kList21;
    case 25:
      return kList25;
    case 26:
      return kList26;
    case 27:
      return MotorCauseList().views;
    case 29:
      return kList29;
    case 33:
      return kList33;
    case 34:
      return kList34;
    case 37:
      return kList37;
    case 38:
      return kList38;
    case 40:
      return kList40;
    case 41:
      return kList41;
    case 42:
      return kList42;
    case 43:
      return kList43;
    case 60:
      return kList60;
    case 61:
    case 361:
      return kList61;
    case 62:
    case 362:
      return kList62;
    case 63:
    case 363:
      return kList63;
    case 64:
      return kList64;
    case 65:
      return kList65;
    case 66:
      return kList66;
    case 67:
      return kList67;
    case 68:
      return kList68;
    case 69:
      return kList69;
    case 70:
      return kList70;
    case 71:
    case 371:
      return kList71;
    case 72:
      return kList72;
    case 73:
      return kList73;
    case 74:
      return kList74;
    case 75:
      return kList75;
    case 76:
      return kList76;
    case 77:
      return kList77;
    case 79:
      return FeederCauseList().views;
    case 80:
      return kList80;
    case 81:
      return kList81;
    case 82:
      return kList82;
    case 83:
      return kList83;
    case 84:
      return kList84;
    case 85:
      return kList85;
    case 95:
      return kList95;
    case 96:
      return kList96;
    case 97:
      return kList97;
    case 338:
      return kList338;
    case 377:
      return kList377;
    default:
      return {};
  }
}

std::string OptionList(int typeCode) {
  const auto lines = OptionLines(typeCode);
  if (lines.empty()) return "Error";
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) text += '\n';
    text += lines[i];
  }
  return text;
}

}  // namespace kvx
