#pragma once
// The relay's one-shot commands from the window: the family's "Commands"
// menu, the strip buttons, the clock dialog and the trip details window.
// Every exchange runs on the link worker under the busy lock; a command that
// did not get through says so.

#include <QObject>
#include <QPointer>
#include <functional>

class QAction;
class QMenu;
class QPushButton;

namespace kvx {

class MainWindow;
class TripDetailsWindow;
struct FrameMenus;
struct FrameStrips;

class DeviceCommandsController : public QObject {
  Q_OBJECT

 public:
  explicit DeviceCommandsController(MainWindow& window);

  // Connects the three Commands menus (items in the relay's order) and the
  // strip buttons; the menu items it serves carry the property "wired".
  void Wire(const FrameMenus& menus, const FrameStrips& strips);

  // Sends command `number`; `button` (if any) stays disabled meanwhile.
  void Send(int number, QPushButton* button = nullptr);
  // "Set Real-Time Clock": the dialog, then the text and command 4.
  void SetClock();
  // "Details": a new trip details window with the codes active now.
  void ShowTripDetails(QPushButton* detailsButton = nullptr);
  TripDetailsWindow* tripDetails() const;

  // The clock dialog's answer (tests answer it themselves).
  std::function<QString()> askClockText;

 private:
  bool RequireOnline();
  void WireMenu(QMenu* menu, int family);

  MainWindow& window_;
  QPointer<TripDetailsWindow> tripDetails_;
};

}  // namespace kvx
