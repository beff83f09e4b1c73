#pragma once
// The traffic window ("Communications" -> "Show Traffic"): every frame the
// link sends and receives, for every protocol, with a millisecond time stamp,
// direction, bytes in hex and a one-line decoding; pause, clear, save as
// text. The lines come from the core's TrafficLog (bounded, the password
// masked); the window takes what is new ten times a second and only while it
// is shown, so it can stay open while the polls run.

#include <QWidget>
#include <memory>

#include "comm/traffic_log.h"

class QAction;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace kvx {

class WorkingState;

class TrafficWindow : public QWidget {
  Q_OBJECT

 public:
  // `log` is shared with the link's trace hooks.
  TrafficWindow(QWidget* owner, std::shared_ptr<TrafficLog> log);

  TrafficLog& Log() { return *log_; }
  // Takes the new lines now (the timer does it while the window is shown).
  void Refresh();
  // Writes every line to `path`; false (and the file as it was) on failure.
  bool SaveAs(const QString& path, QString* error = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void OnPause(bool paused);
  void OnClear();
  void OnSave();

  std::shared_ptr<TrafficLog> log_;
  TrafficLog::Cursor cursor_;
  QPlainTextEdit* text_ = nullptr;
  QPushButton* pause_ = nullptr;
  QTimer* refresh_ = nullptr;
};

// Hooks the working state's serial port and TCP client to a traffic log
// shown by a window of `owner` that `show` brings up. Call once, before the
// link is shared between threads. The window.
TrafficWindow* AttachTrafficWindow(QWidget* owner, QAction* show, WorkingState& state);

}  // namespace kvx
