#include "monitor/status_model.h"

#include <algorithm>

#include "monitor/metering_model.h"
#include "setpoints/format_value.h"
#include "setpoints/number_text.h"

namespace kvx {
namespace {

bool Bit(std::uint16_t word, int bit) {
  return (word >> bit) & 1u;
}

struct FlagName {
  int bit;
  const char* name;
  bool trip;
};

constexpr FlagName kFamily1Flags[] = {
    {0, "Trip1 or Trip3", true},
    {1, "Alarm1, 2, or 3", false},
    {2, "Trip2", true},
    {3, "Interlocks Not Valid", false},
    {4, "I2t>I2t Inhibit Level", false},
    {5, "Stop is Pressed", true},
};
constexpr FlagName kFamily23Flags[] = {
    {4, "Trip1", true},   {5, "Trip2", true},   {6, "Trip3", true},
    {7, "Alarm1", false}, {8, "Alarm2", false}, {9, "Alarm3", false},
};

template <std::size_t N>
StatusPanel TripsAndAlarms(std::uint16_t w0, const FlagName (&flags)[N]) {
  StatusPanel p{"first_P", "", StatusColor::Black};
  bool trip = false, alarm = false;
  for (const FlagName& f : flags) {
    if (!Bit(w0, f.bit)) continue;
    if (!p.text.empty()) p.text += " and ";
    p.text += f.name;
    (f.trip ? trip : alarm) = true;
  }
  if (trip) {
    p.color = StatusColor::Red;
  } else if (alarm) {
    p.color = StatusColor::Yellow;
  } else {
    p.text = "No Alarm or Trip";
  }
  return p;
}

// "Motor:" and what the current says, then the extras in order; the last
// part that was added decides the colour.
struct Extra {
  int bit;
  const char* text;
  StatusColor color;
};

StatusPanel MotorState(std::uint16_t w1, std::initializer_list<Extra> extras) {
  StatusPanel p{"second_P", "Motor:", StatusColor::Black};
  if (!Bit(w1, 0)) {
    p.text += " No Current";
    p.color = StatusColor::Black;
  } else if (Bit(w1, 1)) {
    p.text += " Run";
    p.color = StatusColor::Green;
  } else {
    p.text += " Start";
    p.color = StatusColor::Yellow;
  }
  for (const Extra& e : extras) {
    if (!Bit(w1, e.bit)) continue;
    p.text += e.text;
    p.color = e.color;
  }
  return p;
}

StatusPanel OnOff(std::string name, std::string label, bool on) {
  return {std::move(name), std::move(label) + (on ? "ON" : "OFF"), std::nullopt};
}

void Outputs(std::vector<StatusPanel>& out, const char* prefix, std::uint16_t word, int firstBit,
             int count) {
  for (int k = 0; k < count; ++k) {
    const std::string n = std::to_string(k + 1);
    out.push_back(
        OnOff(std::string(prefix) + "_ry" + n + "_P", "RY" + n + ": ", Bit(word, firstBit + k)));
  }
}

}  // namespace

std::vector<StatusPanel> InterpretStatus(int family, const std::array<std::uint16_t, 5>& w) {
  std::vector<StatusPanel> out;
  switch (family) {
    case 1: {
      out.push_back(TripsAndAlarms(w[0], kFamily1Flags));
      out.push_back(MotorState(w[1], {{2, " + FS", StatusColor::Black},
                                      {3, " + OC", StatusColor::Yellow},
                                      {4, " + Temp. Bypass", StatusColor::Yellow},
                                      {5, " + ROC:ON", StatusColor::Yellow}}));
      static constexpr struct {
        const char* name;
        StatusColor color;
      } kStarter[] = {{"Idle", StatusColor::Black},  {"Start1", StatusColor::Yellow},
                      {"Run1", StatusColor::Green},  {"Start2", StatusColor::Yellow},
                      {"Run2", StatusColor::Green},  {"Stop", StatusColor::Red},
                      {"Backspin", StatusColor::Red}};
      StatusPanel starter{"third_P", "Starter: ", StatusColor::Black};
      if (w[2] < std::size(kStarter)) {
        starter.text += kStarter[w[2]].name;
        starter.color = kStarter[w[2]].color;
      }
      out.push_back(std::move(starter));
      std::string digits;
      for (int b = 0; b < 7; ++b) digits += Bit(w[3], b) ? '1' : '0';
      out.push_back({"dra_dig_P", "Digital In: " + digits, std::nullopt});
      Outputs(out, "dra", w[4], 0, 5);
      break;
    }
    case 2:
      out.push_back(TripsAndAlarms(w[0], kFamily23Flags));
      out.push_back(MotorState(
          w[1], {{2, " + ROC:ON", StatusColor::Yellow}, {3, " + OC", StatusColor::Yellow}}));
      out.push_back(OnOff("third_P", "Emergency Thermal Reset: ", Bit(w[1], 4)));
      out.push_back(OnOff("drb_dig_P", "Digital Input: ", Bit(w[1], 8)));
      Outputs(out, "drb", w[1], 9, 3);
      break;
    case 3:
      out.push_back(TripsAndAlarms(w[0], kFamily23Flags));
      out.push_back(Bit(w[1], 0) ? StatusPanel{"second_P", "Current Detected", StatusColor::Green}
                                 : StatusPanel{"second_P", "No Current", StatusColor::Black});
      out.push_back({"third_P", Bit(w[1], 8) ? "Digital Input: Valid" : "Digital Input: Not Valid",
                     std::nullopt});
      out.push_back(Bit(w[1], 1) ? StatusPanel{"fdx_3Io_P", "3Io > Pickup", StatusColor::Red}
                                 : StatusPanel{"fdx_3Io_P", "3Io <= Pickup", StatusColor::Black});
      out.push_back(Bit(w[1], 2) ? StatusPanel{"fdx_phase_P", "I > Pickup", StatusColor::Red}
                                 : StatusPanel{"fdx_phase_P", "I <= Pickup", StatusColor::Black});
      Outputs(out, "fdx", w[1], 9, 3);
      break;
    default:
      break;
  }
  return out;
}

std::string ClockText(const std::array<std::uint16_t, 2>& words) {
  return FormatValue(24, FormatGeneral(SingleOfWords(words[0], words[1])));
}

bool IdentityMatches(int family, int unitFirmware, std::string_view modelCodeText,
                     std::string_view firmwareText) {
  const auto code = ParseInteger(modelCodeText);
  const auto firmware = ParseInteger(firmwareText);
  if (!code || !firmware) return false;
  const long long f = *firmware;
  switch (family) {
    case 1:
      return (*code == 201 || *code == 1201) && f == unitFirmware;
    case 2:
      return (*code == 301 || *code == 1301) &&
             std::max(f, 100LL) == std::max<long long>(unitFirmware, 100);
    case 3:
      return (*code == 302 || *code == 1302) && f == unitFirmware;
    default:
      return false;
  }
}

StatusOutcome StatusModel::Apply(const StatusSnapshot& s) {
  const auto fail = [this](StatusOutcome why) {
    network_ = "Communications Error";
    networkColor_ = StatusColor::Red;
    return why;
  };
  if (!s.readOk) return fail(StatusOutcome::ReadFailed);
  if (s.identityRead && !IdentityMatches(family_, unitFirmware_, s.modelCodeText, s.firmwareText)) {
    return fail(StatusOutcome::IdentityChanged);
  }
  time_ = ClockText(s.clockWords);
  std::vector<StatusPanel> panels = InterpretStatus(family_, s.statusWords);
  for (StatusPanel& p : panels) {
    if (p.color) continue;
    const StatusPanel* before = Panel(p.name);
    p.color = before && before->color ? before->color : StatusColor::Black;
  }
  panels_ = std::move(panels);
  network_ = "ONLINE";
  networkColor_ = StatusColor::Green;
  return StatusOutcome::Shown;
}

const StatusPanel* StatusModel::Panel(std::string_view name) const {
  for (const StatusPanel& p : panels_) {
    if (p.name == name) return &p;
  }
  return nullptr;
}

}  // namespace kvx
