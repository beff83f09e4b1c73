#include "monitor/unattended_log.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <thread>

namespace kvx {

namespace {

std::string Stamp(const LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

}  // namespace

std::int64_t SystemLoggerClock::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void SystemLoggerClock::WaitUntil(std::int64_t untilMs, const std::atomic<bool>& stop) {
  // Short slices, so Ctrl-C ends the wait at once without any signal-safe
  // machinery beyond the flag.
  while (!stop.load()) {
    const std::int64_t left = untilMs - NowMs();
    if (left <= 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<std::int64_t>(left, 20)));
  }
}

UnattendedLogResult RunUnattendedLog(const UnattendedLogOptions& options, MeteringSource& source,
                                     LoggerClock& clock, const std::atomic<bool>& stop,
                                     std::ostream& messages) {
  const int periodMs = std::max(options.periodMs, kDataLogMinPeriodMs);
  const int pollMs = std::max(options.pollMs, 10);
  DataLogSession log(options.base, [&clock] { return clock.Local(); });

  const std::int64_t start = clock.NowMs();
  // No duration: run until stopped (the end lies beyond any real run).
  const std::int64_t end =
      options.durationMs ? start + *options.durationMs : std::numeric_limits<std::int64_t>::max();
  std::int64_t nextPoll = start;
  std::int64_t nextTick = start + periodMs;
  bool fresh = false;
  bool relayAnswering = true;
  DataLogRow latest;

  while (!stop.load()) {
    std::int64_t now = clock.NowMs();
    if (now >= end) break;
    if (now >= nextPoll) {
      DataLogRow row;
      std::string reason;
      if (source.ReadCycle(row, reason)) {
        latest = std::move(row);
        fresh = true;
        if (!relayAnswering) {
          messages << Stamp(clock.Local()) << " the relay answers again; logging resumed\n";
          relayAnswering = true;
        }
      } else {
        fresh = false;  // a failed read never lets old values into the log
        if (relayAnswering) {
          messages << Stamp(clock.Local()) << " the relay stopped answering (" << reason
                   << "); no lines until it answers again\n";
          relayAnswering = false;
        }
      }
      now = clock.NowMs();
      nextPoll = std::max(nextPoll + pollMs, now);
    }
    if (now >= nextTick) {
      const DataLogSession::TickResult tick = log.Tick(fresh, latest);
      fresh = false;
      if (!tick.notice.empty()) messages << Stamp(clock.Local()) << " " << tick.notice << "\n";
      // A period missed while a read hung is skipped, not caught up with.
      while (nextTick <= now) nextTick += periodMs;
    }
    clock.WaitUntil(std::min({nextPoll, nextTick, end}), stop);
  }
  return {log.linesWritten(), log.periodsWithoutData(), log.linesFailed()};
}

}  // namespace kvx
