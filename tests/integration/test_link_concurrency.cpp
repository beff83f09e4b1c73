// Three threads (like the main thread and the two poll threads) reading and
// writing at once through one serial port and one TCP connection: the link
// lock keeps every request frame whole and every answer matched to its request.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "comm/posix_serial_port.h"
#include "comm/posix_tcp_client.h"
#include "comm/register_access.h"
#include "support/rtu_responder.h"
#include "support/tcp_responder.h"

namespace kvx {
namespace {

constexpr int kThreads = 3;
constexpr int kRounds = 40;

// Thread t owns registers 1000 * (t + 1) onward: it writes a pattern of its
// own, reads it back, and also reads a block nobody writes, checking both.
void Worker(CommSettings settings, int t, std::atomic<int>& failures,
            std::atomic<int>& mismatches) {
  const int base = 1000 * (t + 1);
  for (int round = 0; round < kRounds; ++round) {
    const int count = 1 + (round * 7 + t * 13) % 60;
    std::vector<std::uint16_t> values(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) values[i] = static_cast<std::uint16_t>(t * 10000 + round + i);
    if (!WriteRegisters(settings, base, count, values)) ++failures;
    std::vector<std::uint16_t> back(static_cast<std::size_t>(count));
    if (!ReadRegisters(settings, base, count, back)) ++failures;
    if (back != values) ++mismatches;
    std::vector<std::uint16_t> fixed(static_cast<std::size_t>(count));
    const int first = 100 + t * 100;
    if (!ReadRegisters(settings, first, count, fixed)) ++failures;
    for (int i = 0; i < count; ++i) {
      if (fixed[i] != test::InitialRegisterValue(static_cast<unsigned>(first + i))) {
        ++mismatches;
        break;
      }
    }
  }
}

void RunWorkers(const CommSettings& master, std::atomic<int>& failures,
                std::atomic<int>& mismatches) {
  std::vector<std::thread> threads;
  // Each thread works on its own copy of the settings, sharing only the link.
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back(Worker, master, t, std::ref(failures), std::ref(mismatches));
  }
  for (auto& thread : threads) thread.join();
}

TEST(LinkConcurrency, ThreeThreadsThroughOnePtyNeverInterleaveFrames) {
  test::RtuResponder relay(254);
  PosixSerialPort port;
  port.SetPortName(relay.PortName());
  CommSettings settings;
  settings.serialPort = &port;
  settings.protocol = ProtocolKind::ModbusRtu;
  std::atomic<int> failures{0}, mismatches{0};
  RunWorkers(settings, failures, mismatches);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(relay.BadFrames(), 0);
  EXPECT_EQ(relay.OtherUnitFrames(), 0);
  EXPECT_EQ(relay.Requests(), kThreads * kRounds * 3);
}

TEST(LinkConcurrency, ThreeThreadsThroughOneTcpConnectionGetTheirOwnAnswers) {
  test::TcpResponder relay;
  PosixTcpClient client;
  client.SetRemoteHost("127.0.0.1");
  client.SetRemotePort(relay.Port());
  CommSettings settings;
  settings.tcpClient = &client;
  settings.protocol = ProtocolKind::ModbusTcp;
  std::atomic<int> failures{0}, mismatches{0};
  RunWorkers(settings, failures, mismatches);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(relay.Connections(), 1);
  EXPECT_EQ(relay.Requests(), kThreads * kRounds * 3);
}

}  // namespace
}  // namespace kvx
