// Our RTU and TCP clients against libmodbus's slave: an independent
// implementation, so our two ends never only agree with each other.

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <vector>

#include "comm/modbus_rtu_client.h"
#include "comm/modbus_tcp_client.h"
#include "comm/posix_serial_port.h"
#include "comm/posix_tcp_client.h"
#include "comm/register_access_report.h"
#include "peers/libmodbus_slave.h"
#include "support/pty_pair.h"

namespace kvx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::uint16_t Initial(int address) {
  return static_cast<std::uint16_t>(address * 7 + 3);
}

std::vector<std::uint16_t> Pattern(int count, int seed) {
  std::vector<std::uint16_t> v(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) v[i] = static_cast<std::uint16_t>(seed * 977 + i * 131);
  return v;
}

TEST(LibmodbusTcp, ReadsAndWritesOf1And100RegistersRoundTrip) {
  peer::LibmodbusSlave slave;
  ASSERT_TRUE(slave.Ok());
  PosixTcpClient client;
  client.SetRemoteHost("127.0.0.1");
  client.SetRemotePort(slave.Port());
  for (int count : {1, 100}) {
    std::vector<std::uint16_t> words(static_cast<std::size_t>(count));
    ASSERT_EQ(TcpReadRegisters(client, 254, 390, count, words), CommError::None) << count;
    for (int i = 0; i < count; ++i) EXPECT_EQ(words[i], Initial(390 + i));
    const auto values = Pattern(count, count);
    ASSERT_EQ(TcpWriteRegisters(client, 254, 1000, count, values), CommError::None) << count;
    ASSERT_EQ(TcpReadRegisters(client, 254, 1000, count, words), CommError::None);
    EXPECT_EQ(words, values);
  }
  ASSERT_EQ(TcpCommand(client, 1, 3), CommError::None);
  EXPECT_EQ(slave.Register(6), 3);
}

TEST(LibmodbusTcp, ExceptionRepliesFailCleanlyAndTheNextExchangeWorks) {
  peer::LibmodbusSlave slave;
  ASSERT_TRUE(slave.Ok());
  PosixTcpClient client;
  client.SetRemoteHost("127.0.0.1");
  client.SetRemotePort(slave.Port());
  std::vector<std::uint16_t> words(100);
  EXPECT_EQ(TcpReadRegisters(client, 254, 1950, 100, words), CommError::ExceptionIllegalAddress);
  EXPECT_FALSE(client.IsConnected());
  EXPECT_EQ(TcpWriteRegisters(client, 254, 1999, 2, words), CommError::ExceptionIllegalAddress);
  ASSERT_EQ(TcpReadRegisters(client, 254, 1900, 100, words), CommError::None);
  EXPECT_EQ(words[99], Initial(1999));
}

class LibmodbusRtu : public ::testing::Test {
 protected:
  static constexpr int kUnit = 17;  // libmodbus serves ids 1..247 only
  LibmodbusRtu() { port.SetPortName(cable.EndA()); }
  test::PtyCable cable;
  peer::LibmodbusSlave slave{cable.EndB(), kUnit};
  PosixSerialPort port;
  RtuContext context{port};
};

TEST_F(LibmodbusRtu, ReadsAndWritesOf1And100RegistersRoundTrip) {
  ASSERT_TRUE(slave.Ok());
  for (int count : {1, 100}) {
    std::vector<std::uint16_t> words(static_cast<std::size_t>(count));
    ASSERT_EQ(ReadHoldingRegisters(context, kUnit, 390, count, words), CommError::None) << count;
    for (int i = 0; i < count; ++i) EXPECT_EQ(words[i], Initial(390 + i));
    const auto values = Pattern(count, count + 5);
    ASSERT_EQ(WriteMultipleRegisters(context, kUnit, 1200, count, values), CommError::None);
    ASSERT_EQ(ReadHoldingRegisters(context, kUnit, 1200, count, words), CommError::None);
    EXPECT_EQ(words, values);
  }
  EXPECT_EQ(WriteSingleCoil(context, kUnit, 3), CommError::None);
}

TEST_F(LibmodbusRtu, ExceptionRepliesFailAtOnceAndLeaveThePortUsable) {
  ASSERT_TRUE(slave.Ok());
  std::vector<std::uint16_t> words(100);
  const auto start = Clock::now();
  EXPECT_EQ(ReadHoldingRegisters(context, kUnit, 1950, 100, words),
            CommError::ExceptionIllegalAddress);
  EXPECT_LT(Clock::now() - start, 1500ms);  // the full time-out would be 2150 ms
  EXPECT_EQ(WriteMultipleRegisters(context, kUnit, 1999, 2, words),
            CommError::ExceptionIllegalAddress);
  EXPECT_EQ(WriteSingleCoil(context, kUnit, 500), CommError::ExceptionIllegalAddress);
  EXPECT_TRUE(port.IsOpen());
  ASSERT_EQ(ReadHoldingRegisters(context, kUnit, 0, 3, words), CommError::None);
  EXPECT_EQ(words[2], Initial(2));
}

TEST_F(LibmodbusRtu, AnotherUnitAddressGetsNoAnswerAndCostsThreeAttempts) {
  ASSERT_TRUE(slave.Ok());
  CommSettings settings;
  settings.serialPort = &port;
  settings.unitAddress = 254;
  std::vector<std::uint16_t> words(1);
  AccessReport report = ReadRegistersReport(settings, 0, 1, words);
  EXPECT_FALSE(report.ok);
  EXPECT_EQ(report.exchanges, 3);
  EXPECT_EQ(report.lastError, CommError::ReplyTooShort);
  // libmodbus itself stays deaf for a while after frames to other units;
  // our side needs nothing but the next exchange.
  settings.unitAddress = kUnit;
  bool ok = false;
  for (int i = 0; i < 10 && !ok; ++i) ok = ReadRegistersReport(settings, 0, 1, words).ok;
  EXPECT_TRUE(ok);
  EXPECT_EQ(words[0], Initial(0));
}

}  // namespace
}  // namespace kvx
