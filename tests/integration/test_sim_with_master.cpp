// Our own master (the register access layer with its RTU and TCP clients)
// against the simulated relay, over loopback TCP and the relay's pty.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <thread>
#include <vector>

#include "comm/posix_serial_port.h"
#include "comm/posix_tcp_client.h"
#include "comm/register_access.h"
#include "comm/register_access_report.h"
#include "sim/relay_simulation.h"

namespace kvx {
namespace {

using sim::RelaySimulation;
using Words = std::vector<std::uint16_t>;

sim::RelayConfig Config(std::string_view model = "DRA") {
  sim::RelayConfig c;
  c.model = *sim::FindSimModel(model);
  c.firmware = 197;
  c.serial = 123456;
  c.definition.settings = {
      {300, 3, 0, 10, 0, "5", "Starts", ""},
      {320, 3, 0, 100, 1, "7", "Read Only", ""},
  };
  return c;
}

// One master link to a running simulation, by protocol.
struct Master {
  Master(RelaySimulation& sim, ProtocolKind kind) {
    settings.protocol = kind;
    settings.unitAddress = sim.Options().unit;
    if (kind == ProtocolKind::ModbusTcp) {
      EXPECT_TRUE(sim.StartTcp().ok);
      tcp.SetRemoteHost("127.0.0.1");
      tcp.SetRemotePort(static_cast<std::uint16_t>(sim.TcpPort()));
      settings.tcpClient = &tcp;
    } else if (kind == ProtocolKind::Df1) {
      EXPECT_TRUE(sim.StartDf1Pty().ok);
      port.SetPortName(sim.Df1Path());
      settings.serialPort = &port;
    } else {
      EXPECT_TRUE(sim.StartRtuPty().ok);
      port.SetPortName(sim.RtuPath());
      settings.serialPort = &port;
    }
  }
  Words Read(int first, int count) {
    Words w(static_cast<std::size_t>(count));
    return ReadRegisters(settings, first, count, w) ? w : Words{};
  }
  bool Write(int first, const Words& w) {
    return WriteRegisters(settings, first, static_cast<int>(w.size()), w);
  }
  PosixSerialPort port;
  PosixTcpClient tcp;
  CommSettings settings;
};

class SimWithMaster : public ::testing::TestWithParam<ProtocolKind> {};

TEST_P(SimWithMaster, IdentityBlocksAndWrites) {
  RelaySimulation sim(Config());
  Master m(sim, GetParam());
  EXPECT_EQ(m.Read(0, 4), (Words{201, 197, 0xE240, 0x0001}));  // serial 123456
  EXPECT_EQ(m.Read(860, 100).size(), 100u);
  EXPECT_EQ(m.Read(960, 16).size(), 16u);
  EXPECT_EQ(m.Read(1210, 20).size(), 20u);
  EXPECT_TRUE(m.Write(590, sim::EncodeValue(22, "4321")));
  EXPECT_EQ(sim.Relay().Password(), "4321");
  EXPECT_TRUE(m.Write(300, {9}));
  EXPECT_EQ(m.Read(300, 1), Words{9});
  EXPECT_FALSE(m.Write(300, {11})) << "outside the setting's limits";
  EXPECT_FALSE(m.Write(320, {7})) << "a read-only setting";
  EXPECT_FALSE(m.Write(400, {1})) << "nobody's register";
  EXPECT_EQ(m.Read(300, 1), Words{9});
}

TEST_P(SimWithMaster, CommandsReachTheRelay) {
  RelaySimulation sim(Config());
  Master m(sim, GetParam());
  SendCommand(m.settings, 1);  // a coil on RTU, register 6 on TCP
  EXPECT_EQ(m.Read(1098, 1), Words{1}) << "Start1";
  SendCommand(m.settings, 13);
  EXPECT_EQ(m.Read(1096, 1), Words{1}) << "tripped";
  EXPECT_EQ(m.Read(1104, 1), Words{119});
  SendCommand(m.settings, 3);
  EXPECT_EQ(m.Read(1096, 1), Words{0});
  const auto before = m.Read(973, 1);
  SendCommand(m.settings, 5);
  EXPECT_EQ(m.Read(973, 1), Words{0}) << "records cleared (there were " << before.at(0) << ")";
  EXPECT_TRUE(m.Write(580, sim::EncodeValue(31, "26/12/10 23:59:58")));
  SendCommand(m.settings, 4);
  const auto clock = m.Read(576, 2);
  ASSERT_EQ(clock.size(), 2u);
  EXPECT_EQ(clock[1] >> 8, 23);
  EXPECT_EQ(clock[1] & 0xFF, 59);
}

TEST_P(SimWithMaster, FaultsCostAttemptsAndPersistentOnesFail) {
  struct Case {
    const char* what;
    sim::FaultOptions faults;
    bool ok;
    int exchanges;
  } cases[] = {
      {"exception at the register", {0, 0, 0, 0, 1, 390}, false, 3},
      // seed 8: the first draw (0.48) drops, the second (0.92) does not
      {"one reply dropped", {0.5, 0, 0, 0, 8, -1}, true, 2},
      // RTU: the CRC fails; TCP: the flip lands in a field checked against the request
      {"every reply corrupted", {0, 1.0, 0, 0, 1, -1}, false, 3},
      {"every reply behind garbage", {0, 0, 1.0, 0, 5, -1}, false, 3},
  };
  for (const Case& c : cases) {
    sim::ServerOptions options;
    options.faults = c.faults;
    RelaySimulation sim(Config(), options);
    Master m(sim, GetParam());
    Words w(1);
    AccessReport report = ReadRegistersReport(m.settings, 390, 1, w);
    EXPECT_EQ(report.ok, c.ok) << c.what;
    // DF1 draws for its acknowledgements and EOTs too: another sequence.
    if (GetParam() != ProtocolKind::Df1) {
      EXPECT_EQ(report.exchanges, c.exchanges) << c.what;
    }
    if (c.exchanges == 2) {
      EXPECT_EQ(w[0], 1) << c.what;
    }
  }
}

// On a line paced like a real one the rest of a reply that failed early is
// still arriving when the client gives up on it; the retry must wait for the
// line to fall quiet, not talk over it and read its tail.
TEST(SimWithMasterPaced, AReplyFailingInItsHeaderCostsOneRetryNotTheRead) {
  for (const char* fault : {"garbage", "corrupt"}) {
    sim::ServerOptions options;
    options.paceBaud = 9600;
    (std::string(fault) == "garbage" ? options.faults.garbageRate : options.faults.corruptRate) =
        0.5;
    // A seed whose draws spoil the first reply (within its first three bytes,
    // so the client gives up on it early) and leave the second alone; the
    // relay draws the same way for its 205-byte replies.
    const std::vector<std::uint8_t> reply(205, 0);
    for (options.faults.seed = 1; options.faults.seed < 1000; ++options.faults.seed) {
      sim::FaultInjector probe(options.faults);
      const auto first = probe.Shape(reply);
      const auto second = probe.Shape(reply);
      if (first && second && *second == reply && first->size() >= 3 &&
          !std::equal(reply.begin(), reply.begin() + 3, first->begin())) {
        break;
      }
    }
    RelaySimulation sim(Config(), options);
    Master m(sim, ProtocolKind::ModbusRtu);
    Words w(100);
    AccessReport report = ReadRegistersReport(m.settings, 860, 100, w);
    EXPECT_TRUE(report.ok) << fault << " seed " << options.faults.seed;
    EXPECT_EQ(report.exchanges, 2) << fault << " seed " << options.faults.seed;
  }
}

TEST_P(SimWithMaster, ThreeThreadsShareTheLink) {
  RelaySimulation sim(Config());
  Master m(sim, GetParam());
  std::atomic<int> failures{0};
  auto poll = [&](int first, int count) {
    CommSettings own = m.settings;  // each poll thread works on its copy
    Words w(static_cast<std::size_t>(count));
    for (int i = 0; i < 15; ++i) {
      if (!ReadRegisters(own, first, count, w)) ++failures;
    }
  };
  std::thread metering(poll, 860, 100), status(poll, 1096, 5);
  poll(976, 90);
  metering.join();
  status.join();
  EXPECT_EQ(failures.load(), 0);
}

// The DF1 relay's own quirks: a reply not ready at the first polls, a message
// refused for want of buffers. Both cost polls or attempts, never the read.
TEST(SimWithMasterDf1, EotPollsAndRefusedMessagesCostPollsAndAttempts) {
  struct Case {
    const char* what;
    int eotPolls, nakEvery, check;
    bool ok;
    int exchanges;
  } cases[] = {
      {"EOT at the first poll, CRC", 1, 0, 0, true, 1},
      {"EOT at the first poll, BCC", 1, 0, 1, true, 1},
      {"EOT at both polls of every attempt", 2, 0, 0, false, 3},
      {"every second message refused", 0, 2, 0, true, 1},
      {"every message refused", 0, 1, 1, false, 3},
  };
  for (const Case& c : cases) {
    sim::ServerOptions options;
    options.faults.df1EotPolls = c.eotPolls;
    options.faults.df1NakEvery = c.nakEvery;
    RelaySimulation sim(Config(), options);
    Master m(sim, ProtocolKind::Df1);
    m.settings.errorCheck = c.check;
    Words w(4);
    for (int i = 0; i < 2; ++i) {
      AccessReport report = ReadRegistersReport(m.settings, 0, 4, w);
      EXPECT_EQ(report.ok, c.ok) << c.what;
      // With every second message refused, the refused one is the next
      // operation's first attempt.
      EXPECT_EQ(report.exchanges, c.nakEvery == 2 && i == 1 ? 2 : c.exchanges) << c.what;
      if (c.ok) {
        EXPECT_EQ(w, (Words{201, 197, 0xE240, 0x0001})) << c.what;
      }
    }
  }
}

// A relay answering each step a little late: within the 110 ms a byte may
// take, every read goes through; past it, every attempt fails (never a value
// from a late answer), each within a bounded time.
TEST(SimWithMasterDf1, DelaysJustInsideAndPastTheByteLimit) {
  for (int delay : {80, 140}) {
    sim::ServerOptions options;
    options.paceBaud = 9600;
    options.faults.delayMs = delay;
    RelaySimulation sim(Config(), options);
    Master m(sim, ProtocolKind::Df1);
    for (int i = 0; i < 3; ++i) {
      Words w(4, 0xEEEE);
      const auto start = std::chrono::steady_clock::now();
      AccessReport report = ReadRegistersReport(m.settings, 0, 4, w);
      const auto took = std::chrono::steady_clock::now() - start;
      if (delay < 110) {
        EXPECT_TRUE(report.ok) << delay;
        EXPECT_EQ(w, (Words{201, 197, 0xE240, 0x0001})) << delay;
      } else {
        EXPECT_FALSE(report.ok) << delay;
        EXPECT_EQ(w, Words(4, 0xEEEE)) << delay;
        EXPECT_LT(took, std::chrono::seconds(2)) << delay;
      }
    }
  }
}

// Paced like a real line, garbage ahead of the relay's DLE ACK fails the
// first attempt at its first byte while the rest is still arriving; the retry
// must wait for the line to fall quiet, not read that tail as its own answer.
TEST(SimWithMasterDf1, GarbageAheadOfTheAckCostsOneAttemptNotTheRead) {
  sim::ServerOptions options;
  options.paceBaud = 9600;
  options.faults.garbageRate = 0.5;
  const std::vector<std::uint8_t> ack{0x10, 0x06}, reply(20, 0);
  for (options.faults.seed = 1; options.faults.seed < 1000; ++options.faults.seed) {
    sim::FaultInjector probe(options.faults);
    const auto first = probe.Shape(ack);
    const auto second = probe.Shape(ack);
    const auto third = probe.Shape(reply);
    if (first && first->size() > 8 && (*first)[0] != 0x10 && second && *second == ack && third &&
        *third == reply) {
      break;
    }
  }
  RelaySimulation sim(Config(), options);
  Master m(sim, ProtocolKind::Df1);
  Words w(4);
  AccessReport report = ReadRegistersReport(m.settings, 0, 4, w);
  EXPECT_TRUE(report.ok) << "seed " << options.faults.seed;
  EXPECT_EQ(report.exchanges, 2) << "seed " << options.faults.seed;
  EXPECT_EQ(w, (Words{201, 197, 0xE240, 0x0001}));
}

// Paced at 9600 baud, a 100-word DF1 read whose values are all 0x1010 (the
// longest reply there is: every data byte doubled) and a 100-word write go
// through.
TEST(SimWithMasterDf1, PacedLongestFramesGoThrough) {
  sim::ServerOptions options;
  options.paceBaud = 9600;
  sim::RelayConfig config = Config();
  for (int reg = 1400; reg < 1500; ++reg) {
    config.definition.settings.push_back({reg, 3, 0, 65535, 0, "4112", "Word", ""});
  }
  RelaySimulation sim(config, options);
  Master m(sim, ProtocolKind::Df1);
  const Words dles(100, 0x1010);
  EXPECT_EQ(m.Read(1400, 100), dles);
  Words counting(100);
  for (int i = 0; i < 100; ++i)
    counting[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(i);
  EXPECT_TRUE(m.Write(1400, counting));
  EXPECT_EQ(m.Read(1400, 100), counting);
}

INSTANTIATE_TEST_SUITE_P(Links, SimWithMaster,
                         ::testing::Values(ProtocolKind::ModbusRtu, ProtocolKind::ModbusTcp,
                                           ProtocolKind::Df1),
                         [](const auto& info) {
                           return info.param == ProtocolKind::ModbusRtu ? std::string("Rtu")
                                  : info.param == ProtocolKind::Df1     ? std::string("Df1")
                                                                        : std::string("Tcp");
                         });

}  // namespace
}  // namespace kvx
