#include "app/commands/device_commands_controller.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

#include "app/commands/clock_dialog.h"
#include "app/commands/trip_details_window.h"
#include "app/frame/main_window.h"
#include "monitor/clock_text.h"
#include "monitor/command_list.h"
#include "monitor/trip_codes.h"

namespace kvx {

DeviceCommandsController::DeviceCommandsController(MainWindow& window)
    : QObject(&window), window_(window) {
  setObjectName(QStringLiteral("DeviceCommands"));
  askClockText = [this] { return ClockDialog::Ask(&window_, window_.userColors()); };
}

void DeviceCommandsController::WireMenu(QMenu* menu, int family) {
  // Items are matched by caption, so the menu's order is the frame's alone.
  for (int number : CommandMenu(family)) {
    const int code = number == kClockMenuItem ? kCommandSetClock : number;
    const QString caption = QString::fromLatin1(FindDeviceCommand(code)->menuText);
    for (QAction* a : menu->actions()) {
      if (a->text().remove(QLatin1Char('&')) != caption || a->property("wired").toBool()) continue;
      a->setProperty("wired", true);
      if (number == kClockMenuItem) {
        connect(a, &QAction::triggered, this, [this] { SetClock(); });
      } else {
        connect(a, &QAction::triggered, this, [this, number] { Send(number); });
      }
    }
  }
}

void DeviceCommandsController::Wire(const FrameMenus& menus, const FrameStrips& strips) {
  WireMenu(menus.draCommands, 1);
  WireMenu(menus.drbCommands, 2);
  WireMenu(menus.fdxCommands, 3);
  auto button = [this](QPushButton* b, int number) {
    connect(b, &QPushButton::clicked, this, [this, b, number] { Send(number, b); });
  };
  button(strips.stop, kCommandStop);
  button(strips.start1, kCommandStart1);
  button(strips.start2, kCommandStart2);
  button(strips.reset, kCommandResetTrips);
  connect(strips.details, &QPushButton::clicked, this,
          [this, b = strips.details] { ShowTripDetails(b); });
}

TripDetailsWindow* DeviceCommandsController::tripDetails() const {
  return tripDetails_.data();
}

bool DeviceCommandsController::RequireOnline() {
  if (window_.online()) return true;
  window_.dialogs().Tell("Not Connected", "Connect to a relay first.");
  return false;
}

void DeviceCommandsController::Send(int number, QPushButton* button) {
  if (!RequireOnline()) return;
  const DeviceCommand* command = FindDeviceCommand(number);
  const QString name = command ? QString::fromLatin1(command->menuText) : QString::number(number);
  // Pressed twice, it would go out twice.
  if (button) button->setEnabled(false);
  bool sent = false;
  CommFailure why;
  window_.Busy([&] {
    window_.RunOnLink([&] {
      sent = SendDeviceCommand(window_.session().Comm(), number, why);
      window_.session().NoteExchange(why);
    });
  });
  if (button) button->setEnabled(true);
  if (sent) {
    window_.ShowConfirmation(QStringLiteral("Sent \"%1\"").arg(name));
  } else {
    window_.dialogs().Tell("Command Error", QStringLiteral("\"%1\" was not sent: %2")
                                                .arg(name, QString::fromStdString(why.reason))
                                                .toStdString());
  }
}

void DeviceCommandsController::SetClock() {
  if (!RequireOnline()) return;
  const QString text = askClockText ? askClockText() : QString();
  if (text.isEmpty()) return;
  ClockSetResult r;
  window_.Busy([&] {
    window_.RunOnLink([&] {
      r = SetRelayClock(window_.session().Comm(), text.toStdString());
      window_.session().NoteExchange(r.failure);
    });
  });
  const QString reason = QString::fromStdString(r.failure.reason);
  if (r.written && r.commandSent) {
    window_.ShowConfirmation(QStringLiteral("Relay clock set to %1").arg(text));
  } else if (!r.written) {
    window_.dialogs().Tell(
        "Clock Error", QStringLiteral("The relay's clock was not set: writing the time failed: %1")
                           .arg(reason)
                           .toStdString());
  } else {
    window_.dialogs().Tell(
        "Clock Error",
        QStringLiteral("The time was written, but the command to take it was not sent: %1")
            .arg(reason)
            .toStdString());
  }
}

void DeviceCommandsController::ShowTripDetails(QPushButton* detailsButton) {
  if (!RequireOnline()) return;
  if (detailsButton) detailsButton->setEnabled(false);
  delete tripDetails_;
  tripDetails_ = new TripDetailsWindow(&window_, window_.userColors());
  tripDetails_->show();
  std::vector<std::string> lines;
  bool read = false;
  CommFailure why;
  const int family = window_.settingStore().family;
  window_.Busy([&] {
    window_.RunOnLink([&] {
      read = ReadTripCodes(window_.session().Comm(), family, lines, why);
      window_.session().NoteExchange(why);
    });
  });
  // A failed read leaves the window empty; the network panel says why.
  if (read && tripDetails_) {
    tripDetails_->SetLines(lines);
    tripDetails_->raise();
    tripDetails_->activateWindow();
  }
  if (detailsButton) detailsButton->setEnabled(true);
}

}  // namespace kvx
