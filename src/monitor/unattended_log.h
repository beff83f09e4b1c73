#pragma once
// The unattended logger behind `kvx-cli log`: reads metering at the poll's
// pace and writes the same daily files as the window, one line per period
// with fresh values. A relay that stops answering leaves a gap (never old
// values) and one message; the logger keeps trying and resumes by itself.

#include <atomic>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "monitor/data_log.h"

namespace kvx {

class MeteringSource {
 public:
  virtual ~MeteringSource() = default;
  // One metering cycle: the names and texts as the Metering page shows them,
  // or false with the reason. A source whose link was lost opens it again here.
  virtual bool ReadCycle(DataLogRow& row, std::string& reason) = 0;
};

// Time for the logger: a monotonic clock, an interruptible wait and the local
// wall-clock time for the file names and lines. Tests run it on a fake clock.
class LoggerClock {
 public:
  virtual ~LoggerClock() = default;
  virtual std::int64_t NowMs() = 0;
  // Waits until NowMs() reaches `untilMs` or `stop` is set, whichever is first.
  virtual void WaitUntil(std::int64_t untilMs, const std::atomic<bool>& stop) = 0;
  virtual LocalDateTime Local() = 0;
};

class SystemLoggerClock : public LoggerClock {
 public:
  std::int64_t NowMs() override;
  void WaitUntil(std::int64_t untilMs, const std::atomic<bool>& stop) override;
  LocalDateTime Local() override { return LocalNow(); }
};

struct UnattendedLogOptions {
  std::string base;  // files BASE_YYYYMMDD.txt
  int periodMs = kDataLogDefaultPeriodMs;
  int pollMs = 1000;                       // the metering poll's pace
  std::optional<std::int64_t> durationMs;  // none: until stopped
};

struct UnattendedLogResult {
  std::size_t linesWritten = 0;
  std::size_t periodsWithoutData = 0;
  std::size_t linesFailed = 0;
};

// Runs until the duration ends or `stop` is set (a line being written is
// finished first). Messages for the user go to `messages`, each with the time.
UnattendedLogResult RunUnattendedLog(const UnattendedLogOptions& options, MeteringSource& source,
                                     LoggerClock& clock, const std::atomic<bool>& stop,
                                     std::ostream& messages);

}  // namespace kvx
