// Our RTU and TCP clients against a pymodbus 3.0 server (tests/peers/
// pymodbus_server.py): register n holds n; outside 0..1999 is an exception.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "comm/modbus_rtu_client.h"
#include "comm/modbus_tcp_client.h"
#include "comm/posix_serial_port.h"
#include "comm/posix_tcp_client.h"
#include "support/background_program.h"
#include "support/pty_pair.h"

namespace kvx {
namespace {

using namespace std::chrono_literals;

const std::string kScript = std::string(KVX_PEER_SCRIPTS_DIR) + "/pymodbus_server.py";

std::vector<std::uint16_t> Pattern(int count, int seed) {
  std::vector<std::uint16_t> v(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) v[i] = static_cast<std::uint16_t>(0x8000 + seed * 31 + i);
  return v;
}

TEST(PymodbusTcp, ReadsWritesAndExceptionsAgainstTheServer) {
  test::BackgroundProgram server(KVX_PYTHON, {kScript, "tcp"});
  auto ready = server.ReadLine(20s);
  ASSERT_TRUE(ready && ready->rfind("READY ", 0) == 0) << "pymodbus server did not start";
  PosixTcpClient client;
  client.SetRemoteHost("127.0.0.1");
  client.SetRemotePort(static_cast<std::uint16_t>(std::stoi(ready->substr(6))));
  for (int count : {1, 100}) {
    std::vector<std::uint16_t> words(static_cast<std::size_t>(count));
    ASSERT_EQ(TcpReadRegisters(client, 254, 390, count, words), CommError::None) << count;
    for (int i = 0; i < count; ++i) EXPECT_EQ(words[i], 390 + i);
    const auto values = Pattern(count, count);
    ASSERT_EQ(TcpWriteRegisters(client, 254, 700, count, values), CommError::None);
    ASSERT_EQ(TcpReadRegisters(client, 254, 700, count, words), CommError::None);
    EXPECT_EQ(words, values);
  }
  std::vector<std::uint16_t> words(100);
  EXPECT_EQ(TcpReadRegisters(client, 254, 1950, 100, words), CommError::ExceptionIllegalAddress);
  EXPECT_EQ(TcpWriteRegisters(client, 254, 1999, 2, words), CommError::ExceptionIllegalAddress);
  EXPECT_FALSE(client.IsConnected());
  EXPECT_EQ(TcpCommand(client, 254, 3), CommError::None);
  ASSERT_EQ(TcpReadRegisters(client, 254, 6, 1, words), CommError::None);
  EXPECT_EQ(words[0], 3);
}

TEST(PymodbusRtu, ReadsWritesAndExceptionsOverAPtyCable) {
  test::PtyCable cable;
  test::BackgroundProgram server(KVX_PYTHON, {kScript, "rtu", cable.EndB()});
  auto ready = server.ReadLine(20s);
  ASSERT_TRUE(ready && *ready == "READY") << "pymodbus server did not start";
  PosixSerialPort port;
  port.SetPortName(cable.EndA());
  RtuContext context{port};
  std::vector<std::uint16_t> words(100);
  // The server opens its end asynchronously; give it a bounded while.
  CommError first = CommError::ReplyTooShort;
  for (int i = 0; i < 50 && first != CommError::None; ++i) {
    first = ReadHoldingRegisters(context, 254, 0, 1, words);
  }
  ASSERT_EQ(first, CommError::None);
  for (int count : {1, 100}) {
    ASSERT_EQ(ReadHoldingRegisters(context, 254, 390, count, words), CommError::None) << count;
    for (int i = 0; i < count; ++i) EXPECT_EQ(words[i], 390 + i);
    const auto values = Pattern(count, count);
    ASSERT_EQ(WriteMultipleRegisters(context, 254, 700, count, values), CommError::None);
    ASSERT_EQ(ReadHoldingRegisters(context, 254, 700, count, words), CommError::None);
    EXPECT_EQ(std::vector<std::uint16_t>(words.begin(), words.begin() + count), values);
  }
  EXPECT_EQ(ReadHoldingRegisters(context, 254, 1950, 100, words),
            CommError::ExceptionIllegalAddress);
  EXPECT_EQ(WriteMultipleRegisters(context, 254, 1999, 2, words),
            CommError::ExceptionIllegalAddress);
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(ReadHoldingRegisters(context, 254, 5, 1, words), CommError::None);
}

}  // namespace
}  // namespace kvx
