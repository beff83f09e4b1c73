#include "comm/protocol_client.h"

#include <array>
#include <utility>

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

const ProtocolClient* FindProtocolClient(ProtocolKind protocol) {
  for (const auto& [kind, client] : kClients) {
    if (kind == protocol) return &client();
  }
  return nullptr;
}

}  // namespace kvx
