#pragma once
// The status panels as data: pure functions from the status words and the
// relay family to the texts and colours of the panels, the clock text, the
// identity rule, and the model the front ends keep between snapshots.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/poll_snapshots.h"

namespace kvx {

enum class StatusColor { Black, Yellow, Red, Green };  // green: 0, 128, 0

struct StatusPanel {
  std::string name;  // the panel's object name: "first_P", "dra_ry1_P"...
  std::string text;
  // Empty: the panel keeps the colour it had.
  std::optional<StatusColor> color;
};

// Every panel a status snapshot fills for `family` (1, 2 or 3), in panel
// order: first_P, second_P, third_P, then the family's own panels (inputs,
// then outputs). An unknown family fills none.
std::vector<StatusPanel> InterpretStatus(int family, const std::array<std::uint16_t, 5>& words);

// The relay's time of day from registers 576 and 577 ("10:30:09").
std::string ClockText(const std::array<std::uint16_t, 2>& words);

// Whether the model code and firmware re-read from the relay are still the
// relay connected to. A family 2 relay reports firmware below 1.00 as it is
// but is handled as 1.00, on both sides of the comparison.
bool IdentityMatches(int family, int unitFirmware, std::string_view modelCodeText,
                     std::string_view firmwareText);

inline constexpr const char* kIdentityChangedCaption = "Communications Error";
inline constexpr const char* kIdentityChangedText =
    "There has been a communication problem\n"
    "The current unit has a different Model Code or Firmware Version than expected.";

// What a status snapshot meant for the connection.
enum class StatusOutcome { Shown, ReadFailed, IdentityChanged };

// The panels between snapshots: each keeps its last text (and colour) until a
// snapshot changes it; a failed read changes only the connection panel.
class StatusModel {
 public:
  StatusModel() = default;
  StatusModel(int family, int unitFirmware) : family_(family), unitFirmware_(unitFirmware) {}

  StatusOutcome Apply(const StatusSnapshot& snapshot);
  // A metering cycle failed: the connection panel reads "Read Error" in
  // yellow until the next status snapshot says otherwise.
  void NoteMeteringFailed() {
    network_ = "Read Error";
    networkColor_ = StatusColor::Yellow;
  }

  // The panels filled so far, in panel order (empty before the first good
  // snapshot).
  const std::vector<StatusPanel>& Panels() const { return panels_; }
  const StatusPanel* Panel(std::string_view name) const;
  const std::string& TimeText() const { return time_; }
  // network_P: "ONLINE" (green), "Communications Error" (red) or "Read
  // Error" (yellow); empty before the first snapshot.
  const std::string& NetworkText() const { return network_; }
  StatusColor NetworkColor() const { return networkColor_; }
  int Family() const { return family_; }

 private:
  int family_ = 0;
  int unitFirmware_ = 0;
  std::vector<StatusPanel> panels_;
  std::string time_;
  std::string network_;
  StatusColor networkColor_ = StatusColor::Black;
};

}  // namespace kvx
