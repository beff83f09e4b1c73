#pragma once
// The command buttons of the status strips: Details and Reset on the first
// status panel (every family), Start 1, Start 2 and Stop on the family-1
// strip. The frame places them; DeviceCommandsController makes them act.

class QPushButton;
class QWidget;

namespace kvx {

struct StatusButtons {
  QPushButton* details = nullptr;  // Details_B
  QPushButton* reset = nullptr;    // Reset_B
};
StatusButtons BuildStatusButtons(QWidget* firstPanel);

struct MotorButtons {
  QPushButton* start1 = nullptr;  // Start1_B
  QPushButton* start2 = nullptr;  // Start2_B
  QPushButton* stop = nullptr;    // Stop_B
};
MotorButtons BuildMotorButtons(QWidget* familyStrip);

}  // namespace kvx
