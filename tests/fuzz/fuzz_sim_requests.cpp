// The simulated relay's slave side under arbitrary bytes: the RTU request
// framer over a stream cut into chunks with silences between them, and every
// frame and the raw input as a request PDU to the relay. Nothing may crash,
// and every answer is a response or an exception of the request's function.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sim/modbus_request_handler.h"
#include "sim/rtu_request_framer.h"
#include "sim/simulated_relay.h"

namespace {

kvx::sim::SimulatedRelay& Relay() {
  static kvx::sim::SimulatedRelay relay{[] {
    kvx::sim::RelayConfig c;
    c.definition.settings = {{300, 3, 0, 10, 0, "5", "Starts", ""},
                             {302, 1, 0, 100, 0, "1.5", "Float", "A"},
                             {310, 22, 0, 0, 0, "TEXT", "Text", ""},
                             {320, 2, -5, 5, 1, "0", "Read Only", ""}};
    return c;
  }()};
  return relay;
}

void Check(const std::vector<std::uint8_t>& pdu, const std::vector<std::uint8_t>& resp) {
  if (resp.empty() || (!pdu.empty() && (resp[0] & 0x7F) != (pdu[0] & 0x7F))) std::abort();
  if ((resp[0] & 0x80) && resp.size() != 2) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kvx::sim::ModbusRequestHandler handler(Relay(), size > 0 ? data[0] * 4 : -1);
  std::vector<std::uint8_t> raw(data, data + size);
  if (!raw.empty()) Check(raw, handler.Handle(raw));

  using Clock = kvx::sim::RtuRequestFramer::Clock;
  kvx::sim::RtuRequestFramer framer(std::chrono::milliseconds(20));
  auto t = Clock::time_point{};
  std::size_t at = 0;
  while (at < size) {
    // a length byte, then that many bytes of stream; its top bit means "then silence"
    const std::size_t n = std::min<std::size_t>(data[at] & 0x3F, size - at - 1);
    const bool pause = data[at] & 0x80;
    framer.Feed({data + at + 1, n}, t);
    at += 1 + n;
    t += pause ? std::chrono::milliseconds(30) : std::chrono::milliseconds(1);
    while (auto frame = framer.Next(t)) {
      if (frame->size() < 4) std::abort();
      std::vector<std::uint8_t> pdu(frame->begin() + 1, frame->end() - 2);
      Check(pdu, handler.Handle(pdu));
    }
  }
  return 0;
}
