// The POSIX serial port over a pseudo-terminal: exclusive open, bounded reads,
// buffer clearing, open and close as no-ops.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>

#include "comm/posix_serial_port.h"
#include "comm/serial_port_list.h"
#include "support/pty_pair.h"

namespace kvx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(PosixSerialPort, OpensAPtyAndTreatsOpenAndCloseAsNoOps) {
  test::PtyPair pty;
  PosixSerialPort port;
  port.SetPortName(pty.SlaveName());
  EXPECT_FALSE(port.IsOpen());
  port.Close();
  ASSERT_EQ(port.Open(), CommError::None);
  EXPECT_TRUE(port.IsOpen());
  EXPECT_TRUE(port.IsPseudoTerminal());
  EXPECT_EQ(port.Open(), CommError::None);
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  port.Close();
}

TEST(PosixSerialPort, MissingDeviceAndNonTtyFailToOpen) {
  PosixSerialPort port;
  port.SetPortName("/dev/this-port-does-not-exist");
  EXPECT_EQ(port.Open(), CommError::PortOpenFailed);
  port.SetPortName("/dev/null");
  EXPECT_EQ(port.Open(), CommError::PortOpenFailed);
  EXPECT_FALSE(port.IsOpen());
}

TEST(PosixSerialPort, SecondHandleFailsWhileTheFirstHoldsThePort) {
  test::PtyPair pty;
  PosixSerialPort first, second;
  first.SetPortName(pty.SlaveName());
  second.SetPortName(pty.SlaveName());
  ASSERT_EQ(first.Open(), CommError::None);
  EXPECT_EQ(second.Open(), CommError::PortBusy);
  EXPECT_FALSE(second.IsOpen());
  first.Close();
  EXPECT_EQ(second.Open(), CommError::None);
}

TEST(PosixSerialPort, OpenTestTellsAFreePortFromABusyOrMissingOne) {
  test::PtyPair pty;
  EXPECT_EQ(TestSerialPortOpen(pty.SlaveName()), CommError::None);
  PosixSerialPort holder;
  holder.SetPortName(pty.SlaveName());
  ASSERT_EQ(holder.Open(), CommError::None);
  EXPECT_EQ(TestSerialPortOpen(pty.SlaveName()), CommError::PortBusy);
  EXPECT_EQ(TestSerialPortOpen("/dev/no-such-port"), CommError::PortOpenFailed);
}

TEST(PosixSerialPort, OpenFailsWhileAnotherProcessHoldsThePort) {
  test::PtyPair pty;
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int fd = ::open(pty.SlaveName().c_str(), O_RDWR | O_NOCTTY);
    char c = (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) ? 'y' : 'n';
    (void)!write(ready[1], &c, 1);
    (void)!read(release[0], &c, 1);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  PosixSerialPort port;
  port.SetPortName(pty.SlaveName());
  EXPECT_EQ(port.Open(), CommError::PortBusy);
  (void)!write(release[1], "x", 1);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(port.Open(), CommError::None);
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}

TEST(PosixSerialPort, ReadReturnsWhatArrivedWithinTheTotalTimeOut) {
  test::PtyPair pty;
  PosixSerialPort port;
  port.SetPortName(pty.SlaveName());
  ASSERT_EQ(port.Open(), CommError::None);
  ASSERT_EQ(write(pty.MasterFd(), "\x01\x02\x03", 3), 3);
  std::array<std::uint8_t, 10> buffer{};
  std::size_t got = 0;
  const auto start = Clock::now();
  EXPECT_EQ(port.Read(buffer, got), CommError::ReplyTooShort);
  const auto took = Clock::now() - start;
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(buffer[2], 0x03);
  EXPECT_GE(took, 200ms);  // 100 ms + 10 ms x 10 bytes
  EXPECT_LT(took, 5s);

  ASSERT_EQ(write(pty.MasterFd(), "\x0A\x0B", 2), 2);
  EXPECT_EQ(port.Read(std::span(buffer).first(2), got), CommError::None);
  EXPECT_EQ(got, 2u);
}

TEST(PosixSerialPort, ClearBuffersDiscardsPendingInput) {
  test::PtyPair pty;
  PosixSerialPort port;
  port.SetPortName(pty.SlaveName());
  ASSERT_EQ(port.Open(), CommError::None);
  ASSERT_EQ(write(pty.MasterFd(), "stale", 5), 5);
  std::this_thread::sleep_for(20ms);
  ASSERT_EQ(port.ClearBuffers(), CommError::None);
  std::array<std::uint8_t, 1> buffer{};
  std::size_t got = 0;
  EXPECT_EQ(port.Read(buffer, got), CommError::ReplyTooShort);
  EXPECT_EQ(got, 0u);
}

TEST(PosixSerialPort, WritesReachTheOtherEnd) {
  test::PtyPair pty;
  PosixSerialPort port;
  port.SetPortName(pty.SlaveName());
  ASSERT_EQ(port.Open(), CommError::None);
  const std::array<std::uint8_t, 4> frame{0xFE, 0x03, 0x00, 0x00};
  std::size_t written = 0;
  ASSERT_EQ(port.Write(frame, written), CommError::None);
  EXPECT_EQ(written, 4u);
  std::array<std::uint8_t, 8> seen{};
  std::size_t total = 0;
  for (int i = 0; i < 100 && total < 4; ++i) {
    ssize_t n = read(pty.MasterFd(), seen.data() + total, seen.size() - total);
    if (n > 0)
      total += static_cast<std::size_t>(n);
    else
      std::this_thread::sleep_for(5ms);
  }
  ASSERT_EQ(total, 4u);
  EXPECT_EQ(seen[0], 0xFE);
}

TEST(PosixSerialPort, ClosedPortFailsEveryOperation) {
  PosixSerialPort port;
  std::array<std::uint8_t, 2> buffer{};
  std::size_t n = 0;
  EXPECT_EQ(port.ClearBuffers(), CommError::PortError);
  EXPECT_EQ(port.Write(buffer, n), CommError::PortError);
  EXPECT_EQ(port.Read(buffer, n), CommError::PortError);
}

}  // namespace
}  // namespace kvx
