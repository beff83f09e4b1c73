// The register access layer: three attempts that are exchanges, the link lock
// around each of them, and the dispatch by protocol.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "comm/link_lock.h"
#include "comm/posix_serial_port.h"
#include "comm/posix_tcp_client.h"
#include "comm/register_access.h"
#include "comm/register_access_report.h"
#include "support/rtu_responder.h"
#include "support/tcp_responder.h"

namespace kvx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::Fault;

class RegisterAccessRtu : public ::testing::Test {
 protected:
  RegisterAccessRtu() {
    port.SetPortName(relay.PortName());
    port.SetFrameTrace([this](FrameDirection d, std::span<const std::uint8_t>) {
      if (d == FrameDirection::Tx) ++framesSent;
    });
    settings.serialPort = &port;
    settings.protocol = ProtocolKind::ModbusRtu;
    settings.unitAddress = 254;
  }
  test::RtuResponder relay{254};
  PosixSerialPort port;
  CommSettings settings;
  int framesSent = 0;
};

TEST_F(RegisterAccessRtu, ReadsAndWritesThroughTheLayer) {
  std::vector<std::uint16_t> words(3);
  ASSERT_TRUE(ReadRegisters(settings, 0, 3, words));
  EXPECT_EQ(words[2], test::InitialRegisterValue(2));
  const std::vector<std::uint16_t> values{11, 22};
  ASSERT_TRUE(WriteRegisters(settings, 50, 2, values));
  EXPECT_EQ(relay.Registers().At(51), 22);
  EXPECT_EQ(framesSent, 2);
}

TEST_F(RegisterAccessRtu, ASilentRelayCostsExactlyThreeExchanges) {
  relay.Faults().Set(Fault::Silent);
  std::vector<std::uint16_t> words(1);
  AccessReport report = ReadRegistersReport(settings, 390, 1, words);
  EXPECT_FALSE(report.ok);
  EXPECT_EQ(report.exchanges, 3);
  EXPECT_EQ(report.lastError, CommError::ReplyTooShort);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(relay.Requests(), 3);
  EXPECT_EQ(framesSent, 3);
}

TEST_F(RegisterAccessRtu, OneFailedExchangeIsRetried) {
  relay.Faults().Set(Fault::BadCrc, 1);
  std::vector<std::uint16_t> words(1);
  AccessReport report = ReadRegistersReport(settings, 390, 1, words);
  EXPECT_TRUE(report.ok);
  EXPECT_EQ(report.exchanges, 2);
  EXPECT_EQ(words[0], test::InitialRegisterValue(390));
}

TEST_F(RegisterAccessRtu, ACommandAcknowledgedAtOnceIsSentOnce) {
  SendCommand(settings, 4);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(relay.CoilsForced(), std::vector<int>{4});
}

TEST_F(RegisterAccessRtu, ACommandNeverAcknowledgedIsSentThreeTimes) {
  relay.Faults().Set(Fault::Exception);
  AccessReport report = SendCommandReport(settings, 9);
  EXPECT_FALSE(report.ok);
  EXPECT_EQ(report.exchanges, 3);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(relay.CoilsForced(), (std::vector<int>{9, 9, 9}));
}

TEST_F(RegisterAccessRtu, ArgumentLimitsStillCostThreeImmediateAttempts) {
  settings.unitAddress = 255;
  std::vector<std::uint16_t> words(1);
  const auto start = Clock::now();
  AccessReport report = ReadRegistersReport(settings, 0, 1, words);
  EXPECT_LT(Clock::now() - start, 1s);
  EXPECT_EQ(report.exchanges, 3);
  EXPECT_EQ(report.lastError, CommError::InvalidArgument);
  EXPECT_EQ(framesSent, 0);
}

TEST_F(RegisterAccessRtu, ProtocolOutsideTheListMakesThreeLockAcquisitionsAndNoTraffic) {
  std::vector<std::uint16_t> words(1);
  for (std::int32_t value : {3, -1, 77}) {
    settings.protocol = static_cast<ProtocolKind>(value);
    AccessReport read = ReadRegistersReport(settings, 0, 1, words);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.exchanges, 3);
    EXPECT_EQ(read.lockTimeouts, 0);
    EXPECT_EQ(read.lastError, CommError::UnknownProtocol);
    EXPECT_FALSE(WriteRegisters(settings, 0, 1, words));
    SendCommand(settings, 1);
  }
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(framesSent, 0);
  EXPECT_EQ(relay.Requests(), 0);
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(RegisterAccessRtu, ALockHeldByAnotherThreadForLongStillLeavesAllThreeAttempts) {
  relay.Faults().Set(Fault::Silent);
  std::promise<void> taken;
  std::thread holder([&] {
    NamedLockHandle lock(kLinkLockName);
    ASSERT_TRUE(lock.TryLock());
    taken.set_value();
    std::this_thread::sleep_for(1200ms);
  });
  taken.get_future().wait();
  const auto start = Clock::now();
  std::vector<std::uint16_t> words(1);
  AccessReport report = ReadRegistersReport(settings, 0, 1, words);
  const auto took = Clock::now() - start;
  holder.join();
  EXPECT_GE(took, 1200ms);
  EXPECT_GE(report.lockTimeouts, 1);  // waited in 500 ms slices
  EXPECT_EQ(report.exchanges, 3);
  EXPECT_EQ(relay.Requests(), 3);
}

TEST_F(RegisterAccessRtu, ACommandNeverPutsAFrameOnTheLinkWhileTheLockIsBusy) {
  std::promise<void> taken;
  std::promise<void> done;
  std::thread holder([&] {
    NamedLockHandle lock(kLinkLockName);
    ASSERT_TRUE(lock.TryLock());
    taken.set_value();
    done.get_future().wait();
  });
  taken.get_future().wait();
  AccessReport report = SendCommandReport(settings, 5);
  done.set_value();
  holder.join();
  EXPECT_FALSE(report.ok);
  EXPECT_EQ(report.lastError, CommError::LockBusy);
  EXPECT_EQ(report.lockTimeouts, 3);
  EXPECT_EQ(framesSent, 0);
}

TEST(RegisterAccessTcp, AShortReplyDisconnectsAndTheNextAttemptReconnects) {
  test::TcpResponder relay;
  PosixTcpClient client;
  client.SetRemoteHost("127.0.0.1");
  client.SetRemotePort(relay.Port());
  CommSettings settings;
  settings.tcpClient = &client;
  settings.protocol = ProtocolKind::ModbusTcp;
  relay.Faults().Set(Fault::Truncate, 1);
  std::vector<std::uint16_t> words(2);
  AccessReport report = ReadRegistersReport(settings, 576, 2, words);
  EXPECT_TRUE(report.ok);
  EXPECT_EQ(report.exchanges, 2);
  EXPECT_EQ(relay.Connections(), 2);
  EXPECT_EQ(words[1], test::InitialRegisterValue(577));
  SendCommand(settings, 3);
  EXPECT_EQ(relay.Registers().At(6), 3);
}

}  // namespace
}  // namespace kvx
