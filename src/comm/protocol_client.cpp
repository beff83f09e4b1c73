#include "comm/protocol_client.h"

#include <array>
#include <utility>

#include "comm/serial_port.h"

namespace kvx {
namespace {

// One line per protocol: a new client adds its pair here.
using ClientEntry = std::pair<ProtocolKind, const ProtocolClient& (*)()>;
constexpr std::array kClients{
    ClientEntry{ProtocolKind::ModbusRtu, ModbusRtuProtocolClient},
    ClientEntry{ProtocolKind::ModbusTcp, ModbusTcpProtocolClient},
    ClientEntry{ProtocolKind::Df1, Df1ProtocolClient},
};

}  // namespace

ExchangeOutcome SerialExchangeOutcome(CommError error, std::chrono::milliseconds timeout,
                                      bool replyHeard, const SerialPort& port) {
  ExchangeOutcome outcome;
  outcome.error = error;
  outcome.timeout = timeout;
  outcome.replyHeard = replyHeard;
  switch (error) {
    case CommError::PortOpenFailed:
    case CommError::PortBusy:
    case CommError::PortSetupFailed:
      outcome.systemError = port.SystemError();
      break;
    default:
      break;
  }
  return outcome;
}

const ProtocolClient* FindProtocolClient(ProtocolKind protocol) {
  for (const auto& [kind, client] : kClients) {
    if (kind == protocol) return &client();
  }
  return nullptr;
}

}  // namespace kvx
