#include "comm/register_access.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "comm/link_lock.h"
#include "comm/protocol_client.h"
#include "comm/register_access_report.h"

namespace kvx {
namespace {

constexpr int kAttempts = 3;
constexpr std::chrono::milliseconds kExchangeLockSlice{500};
constexpr std::chrono::milliseconds kCommandLockWait{5000};

// Every protocol of the enumeration has its client, so only a value outside
// it (read from a file, say) finds none.
CommError MissingClientError(ProtocolKind) {
  return CommError::UnknownProtocol;
}

// The report before the first attempt.
AccessReport StartReport(const CommSettings& settings) {
  AccessReport report;
  report.unit = settings.unitAddress;
  return report;
}

// Called inside the link lock: the port or client is named only for a
// failure, and while no other thread can be changing it.
void Record(AccessReport& report, const ExchangeOutcome& outcome, const ProtocolClient* client,
            const CommSettings& settings) {
  report.lastError = outcome.error;
  report.ok = outcome.error == CommError::None;
  report.systemError = outcome.systemError;
  report.timeout = outcome.timeout;
  report.replyHeard = outcome.replyHeard;
  report.refusalCode = outcome.refusalCode;
  if (!report.ok && client) report.link = client->linkName(settings);
}

// The loop reads and writes share: only exchanges count as attempts; a lock
// that stays busy for a slice simply means waiting again.
template <typename Exchange>
AccessReport RunExchanges(CommSettings& settings, int firstRegister, Exchange exchange) {
  const ProtocolClient* client = FindProtocolClient(settings.protocol);
  AccessReport report = StartReport(settings);
  report.firstRegister = firstRegister;
  std::optional<ForegroundExchange> foreground;
  if (!settings.background) foreground.emplace(kLinkLockName);
  while (report.exchanges < kAttempts && !report.ok) {
    if (settings.stopRequest && settings.stopRequest->load(std::memory_order_relaxed)) break;
    NamedLockHandle lock(kLinkLockName);
    if (!lock.TryLockFor(kExchangeLockSlice, settings.background)) {
      ++report.lockTimeouts;
      continue;
    }
    Record(report,
           client ? exchange(*client) : ExchangeOutcome{MissingClientError(settings.protocol)},
           client, settings);
    lock.Unlock();
    ++report.exchanges;
  }
  return report;
}

std::string Plural(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// "170 ms", "3 s", "1.5 s".
std::string DurationText(std::chrono::milliseconds d) {
  const long long ms = d.count();
  if (ms < 1000) return std::to_string(ms) + " ms";
  if (ms % 1000 == 0) return std::to_string(ms / 1000) + " s";
  const long long tenths = (ms + 50) / 100;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

std::string SystemErrorText(int error, CommError fallback) {
  if (error == ENOTTY) return "not a serial port";
  if (error != 0) return std::strerror(error);
  return std::string(CommErrorText(fallback));
}

// "0x50".
std::string HexByte(int value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[(value >> 4) & 0xF] + kDigits[value & 0xF];
}

// "register 9000" or "command 3".
std::string RequestText(const AccessReport& r) {
  return r.firstRegister >= 0 ? "register " + std::to_string(r.firstRegister)
                              : "command " + std::to_string(r.commandCode);
}

// "at register 9000" or "for command 3".
std::string RefusedRequestText(const AccessReport& r) {
  return (r.firstRegister >= 0 ? "at " : "for ") + RequestText(r);
}

}  // namespace

std::string DescribeAccessFailure(const AccessReport& r) {
  if (r.ok) return {};
  const std::string attempts = Plural(r.exchanges, "attempt", "attempts");
  switch (r.lastError) {
    case CommError::None:
      return "no attempt could take the link (" + Plural(r.lockTimeouts, "wait", "waits") +
             " for it ran out)";
    case CommError::PortOpenFailed:
      return "cannot open " + r.link + ": " + SystemErrorText(r.systemError, r.lastError);
    case CommError::PortBusy:
      return "cannot open " + r.link + ": in use by another program";
    case CommError::PortSetupFailed:
      return "cannot set up " + r.link + ": " + SystemErrorText(r.systemError, r.lastError);
    case CommError::ConnectFailed:
      return "cannot connect to " + r.link + ": " + SystemErrorText(r.systemError, r.lastError);
    case CommError::ConnectTimeout:
      return "cannot connect to " + r.link + ": no answer within " + DurationText(r.timeout);
    case CommError::BadAddress:
      return "cannot connect to " + r.link + ": not an IPv4 address";
    case CommError::ReplyTooShort:
    case CommError::NoReply:
      return std::string(r.replyHeard ? "incomplete reply" : "no reply") + " from unit " +
             std::to_string(r.unit) + " within " + DurationText(r.timeout) + " after " + attempts;
    case CommError::ExceptionIllegalFunction:
    case CommError::ExceptionIllegalAddress:
    case CommError::ExceptionIllegalValue:
    case CommError::ExceptionDeviceFailure: {
      const int code = ExceptionCode(r.lastError);
      return "exception " + std::to_string(code) + " (" + std::string(ExceptionMeaning(code)) +
             ") " + RefusedRequestText(r);
    }
    case CommError::ExceptionReply:
      return "exception reply with a code other than 1..4 " + RefusedRequestText(r);
    case CommError::Df1ErrorStatus:
      return "error status " + HexByte(r.refusalCode) + " (" +
             std::string(Df1StatusMeaning(r.refusalCode)) + ") " + RefusedRequestText(r);
    case CommError::Df1Nak:
      return "unit " + std::to_string(r.unit) + " refused " + RequestText(r) + " with DLE NAK (" +
             attempts + ")";
    case CommError::Df1NoAck:
      if (!r.replyHeard) {
        return "no reply from unit " + std::to_string(r.unit) + " within " +
               DurationText(r.timeout) + " after " + attempts;
      }
      return "unit " + std::to_string(r.unit) + " did not acknowledge " + RequestText(r) +
             " with DLE ACK (" + attempts + ")";
    case CommError::Df1NoData:
      return "unit " + std::to_string(r.unit) + " had no reply ready for " + RequestText(r) +
             " at any poll (DLE EOT) after " + attempts;
    case CommError::NoSerialPort:
    case CommError::NoTcpClient:
    case CommError::UnknownProtocol:
    case CommError::ProtocolUnavailable:
      return std::string(CommErrorText(r.lastError));
    case CommError::InvalidArgument:
      return std::string(CommErrorText(r.lastError)) + " (unit " + std::to_string(r.unit) + ", " +
             RequestText(r) + ")";
    case CommError::LockBusy:
      return std::string(CommErrorText(r.lastError)) + " (" + RequestText(r) + ", " + attempts +
             ")";
    case CommError::SocketError:
      if (r.systemError != 0) {
        return r.link + ": socket error: " + SystemErrorText(r.systemError, r.lastError);
      }
      break;
    default:
      break;
  }
  // A reply that failed its tests, a port or socket that failed mid-way.
  return std::string(CommErrorText(r.lastError)) + " (" + r.link + ", unit " +
         std::to_string(r.unit) + ", " + RequestText(r) + ", after " + attempts + ")";
}

CommFailure FailureOf(const AccessReport& report) {
  if (report.ok) return {};
  return {report.lastError, DescribeAccessFailure(report)};
}

AccessReport ReadRegistersReport(CommSettings& settings, int firstRegister, int count,
                                 std::span<std::uint16_t> words) {
  if (count < 0 || words.size() < static_cast<std::size_t>(count)) {
    AccessReport report = StartReport(settings);
    report.firstRegister = firstRegister;
    report.lastError = CommError::InvalidArgument;
    return report;
  }
  return RunExchanges(settings, firstRegister, [&](const ProtocolClient& client) {
    return client.read(settings, firstRegister, count, words);
  });
}

AccessReport WriteRegistersReport(CommSettings& settings, int firstRegister, int count,
                                  std::span<const std::uint16_t> words) {
  if (count < 0 || words.size() < static_cast<std::size_t>(count)) {
    AccessReport report = StartReport(settings);
    report.firstRegister = firstRegister;
    report.lastError = CommError::InvalidArgument;
    return report;
  }
  return RunExchanges(settings, firstRegister, [&](const ProtocolClient& client) {
    return client.write(settings, firstRegister, count, words);
  });
}

AccessReport SendCommandReport(CommSettings& settings, int commandCode) {
  const ProtocolClient* client = FindProtocolClient(settings.protocol);
  AccessReport report = StartReport(settings);
  report.commandCode = commandCode;
  while (report.exchanges < kAttempts && !report.ok) {
    // A lock this handle creates is taken as it is created; one that already
    // existed may be in use by another exchange and is waited for, at most
    // 5 s. Creating and then taking in two steps would let another thread
    // take the fresh lock in between and cost this attempt for nothing.
    NamedLockHandle lock(kLinkLockName, kCommandLockWait);
    const bool granted = lock.Held();
    ++report.exchanges;
    if (!granted) {
      // The link is still busy: this attempt is spent without a frame, so a
      // command never cuts into another thread's exchange.
      ++report.lockTimeouts;
      report.lastError = CommError::LockBusy;
      continue;
    }
    Record(report,
           client ? client->command(settings, commandCode)
                  : ExchangeOutcome{MissingClientError(settings.protocol)},
           client, settings);
  }
  return report;
}

bool ReadRegisters(CommSettings& settings, int firstRegister, int count,
                   std::span<std::uint16_t> words) {
  return ReadRegistersReport(settings, firstRegister, count, words).ok;
}

bool WriteRegisters(CommSettings& settings, int firstRegister, int count,
                    std::span<const std::uint16_t> words) {
  return WriteRegistersReport(settings, firstRegister, count, words).ok;
}

void SendCommand(CommSettings& settings, int commandCode) {
  SendCommandReport(settings, commandCode);
}

}  // namespace kvx
