#pragma once
// The Data Logging menu: "Enable Datalogging" asks where the daily files go
// and starts datalog_timer; "Datalog Timing" sets its period; each tick
// writes one line when the Metering page has shown fresh values since the
// last line.

#include <QString>
#include <functional>
#include <memory>

#include "monitor/data_log.h"

class QAction;
class QTimer;

namespace kvx {

class MainWindow;

class DatalogCommands {
 public:
  DatalogCommands(MainWindow& window, QAction* enable, QAction* timing, QTimer* timer);
  ~DatalogCommands();

  void ToggleEnable();  // Datalog_Enable
  void Timing();        // DatalogTiming1
  void Tick();          // datalog_timer
  // The disconnect sequence: the timer stops, the tick stays, so logging
  // stays silent after a reconnect until it is switched off and on again.
  void LinkStopped();

  // Set by the Metering page after each complete update it showed, cleared
  // when a metering read fails; a tick clears it after writing.
  void SetFreshMetering(bool fresh) { fresh_ = fresh; }
  bool freshMetering() const { return fresh_; }
  // What the Metering page shows now: column names and value texts.
  std::function<DataLogRow()> meteringRow;
  // The clock of the log's dates and times (tests set their own).
  DataLogSession::Clock clock = LocalNow;

  int periodMs() const { return periodMs_; }
  bool enabled() const;
  const DataLogSession* session() const { return session_.get(); }

 private:
  MainWindow& window_;
  QAction* enable_;
  QTimer* timer_;
  std::unique_ptr<DataLogSession> session_;
  int periodMs_ = kDataLogDefaultPeriodMs;
  bool fresh_ = false;
};

}  // namespace kvx
