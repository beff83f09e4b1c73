#include "app/commands/command_buttons.h"

#include <QPushButton>

namespace kvx {
namespace {

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(QString::fromLatin1(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

}  // namespace

StatusButtons BuildStatusButtons(QWidget* firstPanel) {
  return {MakeButton(firstPanel, "Details_B", "Details"),
          MakeButton(firstPanel, "Reset_B", "Reset")};
}

MotorButtons BuildMotorButtons(QWidget* familyStrip) {
  return {MakeButton(familyStrip, "Start1_B", "Start 1"),
          MakeButton(familyStrip, "Start2_B", "Start 2"),
          MakeButton(familyStrip, "Stop_B", "Stop")};
}

}  // namespace kvx
