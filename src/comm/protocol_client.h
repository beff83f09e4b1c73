#pragma once
// The register access layer knows each protocol client only through this
// table of three calls; each client file fills one and builds its own fresh
// exchange context per call.

#include <cstdint>
#include <span>

#include "comm/comm_error.h"
#include "comm/comm_settings.h"

namespace kvx {

struct ProtocolClient {
  CommError (*read)(CommSettings& settings, int first, int count, std::span<std::uint16_t> words);
  CommError (*write)(CommSettings& settings, int first, int count,
                     std::span<const std::uint16_t> words);
  CommError (*command)(CommSettings& settings, int code);
};

const ProtocolClient& ModbusRtuProtocolClient();
const ProtocolClient& ModbusTcpProtocolClient();

// The client for `protocol`; nullptr for a value outside 0..2 and for a
// protocol whose client is not part of this build.
const ProtocolClient* FindProtocolClient(ProtocolKind protocol);

}  // namespace kvx
