#include "comm/register_access.h"

#include "comm/link_lock.h"
#include "comm/protocol_client.h"
#include "comm/register_access_report.h"

namespace kvx {
namespace {

constexpr int kAttempts = 3;
constexpr std::chrono::milliseconds kExchangeLockSlice{500};
constexpr std::chrono::milliseconds kCommandLockWait{5000};

CommError MissingClientError(ProtocolKind protocol) {
  return protocol == ProtocolKind::Df1 ? CommError::ProtocolUnavailable
                                       : CommError::UnknownProtocol;
}

// The loop reads and writes share: only exchanges count as attempts; a lock
// that stays busy for a slice simply means waiting again.
template <typename Exchange>
AccessReport RunExchanges(CommSettings& settings, Exchange exchange) {
  AccessReport report;
  while (report.exchanges < kAttempts && !report.ok) {
    NamedLockHandle lock(kLinkLockName);
    if (!lock.TryLockFor(kExchangeLockSlice)) {
      ++report.lockTimeouts;
      continue;
    }
    const ProtocolClient* client = FindProtocolClient(settings.protocol);
    report.lastError = client ? exchange(*client) : MissingClientError(settings.protocol);
    report.ok = report.lastError == CommError::None;
    lock.Unlock();
    ++report.exchanges;
  }
  return report;
}

}  // namespace

AccessReport ReadRegistersReport(CommSettings& settings, int firstRegister, int count,
                                 std::span<std::uint16_t> words) {
  if (count < 0 || words.size() < static_cast<std::size_t>(count)) {
    AccessReport report;
    report.lastError = CommError::InvalidArgument;
    return report;
  }
  return RunExchanges(settings, [&](const ProtocolClient& client) {
    return client.read(settings, firstRegister, count, words);
  });
}

AccessReport WriteRegistersReport(CommSettings& settings, int firstRegister, int count,
                                  std::span<const std::uint16_t> words) {
  if (count < 0 || words.size() < static_cast<std::size_t>(count)) {
    AccessReport report;
    report.lastError = CommError::InvalidArgument;
    return report;
  }
  return RunExchanges(settings, [&](const ProtocolClient& client) {
    return client.write(settings, firstRegister, count, words);
  });
}

AccessReport SendCommandReport(CommSettings& settings, int commandCode) {
  AccessReport report;
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
    const ProtocolClient* client = FindProtocolClient(settings.protocol);
    report.lastError =
        client ? client->command(settings, commandCode) : MissingClientError(settings.protocol);
    report.ok = report.lastError == CommError::None;
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
