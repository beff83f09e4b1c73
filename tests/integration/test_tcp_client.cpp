// The Modbus TCP client over loopback: round trips, limits that never
// connect, and faults that fail within the bound and leave the connection
// dropped so the next exchange starts on a fresh one.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "comm/modbus_tcp_client.h"
#include "comm/posix_tcp_client.h"
#include "support/tcp_responder.h"

namespace kvx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::Fault;

class TcpClientTest : public ::testing::Test {
 protected:
  TcpClientTest() {
    client.SetRemoteHost("127.0.0.1");
    client.SetRemotePort(relay.Port());
  }
  test::TcpResponder relay;
  PosixTcpClient client;
};

TEST_F(TcpClientTest, ReadsWritesAndCommandsRoundTripOnOneConnection) {
  std::vector<std::uint16_t> words(100);
  ASSERT_EQ(TcpReadRegisters(client, 254, 576, 2, words), CommError::None);
  EXPECT_EQ(words[0], test::InitialRegisterValue(576));
  EXPECT_EQ(words[1], test::InitialRegisterValue(577));
  EXPECT_EQ(relay.LastRequest(),
            (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 6, 0xFE, 3, 0x02, 0x40, 0, 2}));
  std::vector<std::uint16_t> values(100);
  for (int i = 0; i < 100; ++i) values[i] = static_cast<std::uint16_t>(40000 + i);
  ASSERT_EQ(TcpWriteRegisters(client, 1, 9999 - 99, 100, values), CommError::None);
  ASSERT_EQ(TcpReadRegisters(client, 1, 9900, 100, words), CommError::None);
  EXPECT_EQ(words, values);
  ASSERT_EQ(TcpCommand(client, 1, 3), CommError::None);
  EXPECT_EQ(relay.Registers().At(6), 3);
  EXPECT_TRUE(client.IsConnected());
  EXPECT_EQ(relay.Connections(), 1);
}

TEST_F(TcpClientTest, LimitsAreCheckedWithoutConnecting) {
  std::vector<std::uint16_t> words(130);
  EXPECT_EQ(TcpReadRegisters(client, 255, 0, 1, words), CommError::InvalidArgument);
  EXPECT_EQ(TcpReadRegisters(client, 0, 0, 1, words), CommError::InvalidArgument);
  EXPECT_EQ(TcpReadRegisters(client, 1, 10000, 1, words), CommError::InvalidArgument);
  EXPECT_EQ(TcpReadRegisters(client, 1, -1, 1, words), CommError::InvalidArgument);
  EXPECT_EQ(TcpReadRegisters(client, 1, 0, 126, words), CommError::InvalidArgument);
  EXPECT_EQ(TcpWriteRegisters(client, 255, 0, 1, words), CommError::InvalidArgument);
  EXPECT_EQ(TcpWriteRegisters(client, 1, 10000, 1, words), CommError::InvalidArgument);
  EXPECT_EQ(TcpWriteRegisters(client, 1, 0, 124, words), CommError::InvalidArgument);
  EXPECT_EQ(TcpCommand(client, 255, 1), CommError::InvalidArgument);
  EXPECT_FALSE(client.IsConnected());
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(relay.Connections(), 0);
  EXPECT_EQ(TcpReadRegisters(client, 1, 9999, 1, words), CommError::None);
}

struct FaultCase {
  const char* name;
  Fault fault;
  CommError expected;
  std::chrono::milliseconds delay = std::chrono::milliseconds(0);
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

class TcpReadFaults : public TcpClientTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(TcpReadFaults, FailWithinTheBoundDisconnectAndRecoverByReconnecting) {
  const FaultCase& c = GetParam();
  relay.Faults().Set(c.fault, 1, c.delay);
  std::vector<std::uint16_t> words(10);
  const auto start = Clock::now();
  EXPECT_EQ(TcpReadRegisters(client, 254, 100, 10, words), c.expected) << c.name;
  EXPECT_LT(Clock::now() - start, 3s);  // about 500 ms of waiting
  EXPECT_FALSE(client.IsConnected());
  ASSERT_EQ(TcpReadRegisters(client, 254, 100, 10, words), CommError::None);
  EXPECT_EQ(words[9], test::InitialRegisterValue(109));
  EXPECT_EQ(relay.Connections(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, TcpReadFaults,
    ::testing::Values(
        FaultCase{"silent", Fault::Silent, CommError::NoReply},
        FaultCase{"one byte short", Fault::Truncate, CommError::ReplyTooShort},
        FaultCase{"exception", Fault::Exception, CommError::ExceptionIllegalAddress},
        FaultCase{"late", Fault::Late, CommError::NoReply, 700ms},
        FaultCase{"other unit", Fault::OtherUnit, CommError::WrongUnit},
        FaultCase{"other transaction", Fault::OtherTransaction, CommError::WrongTransaction},
        FaultCase{"split past the time-out", Fault::Split, CommError::ReplyTooShort, 700ms},
        FaultCase{"peer closes", Fault::Close, CommError::PeerClosed}),
    [](const auto& info) {
      std::string name = info.param.name;
      for (char& ch : name)
        if (ch == ' ' || ch == '-') ch = '_';
      return name;
    });

TEST_F(TcpClientTest, AReplySplitIntoSegmentsIsReadWholeOnTheSameConnection) {
  std::vector<std::uint16_t> words(100);
  for (auto gap : {5ms, 60ms, 200ms}) {
    relay.Faults().Set(Fault::Split, 1, gap);
    ASSERT_EQ(TcpReadRegisters(client, 254, 200, 100, words), CommError::None) << gap.count();
    EXPECT_EQ(words[0], test::InitialRegisterValue(200));
    EXPECT_EQ(words[99], test::InitialRegisterValue(299));
    relay.Faults().Set(Fault::Split, 1, gap);
    const std::vector<std::uint16_t> values{7, 8};
    ASSERT_EQ(TcpWriteRegisters(client, 254, 30, 2, values), CommError::None);
  }
  EXPECT_EQ(relay.Connections(), 1);
}

TEST_F(TcpClientTest, EachRequestCarriesTheNextTransactionIdentifier) {
  std::vector<std::uint16_t> words(1);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(TcpReadRegisters(client, 254, 0, 1, words), CommError::None);
    const auto request = relay.LastRequest();
    EXPECT_EQ((request[0] << 8) | request[1], i);
  }
}

TEST_F(TcpClientTest, AWriteReplyEchoingAnotherRegisterIsNotAWrite) {
  const std::vector<std::uint16_t> values{1, 2};
  relay.Faults().Set(Fault::WrongEcho, 1);
  EXPECT_EQ(TcpWriteRegisters(client, 254, 40, 2, values), CommError::WrongEchoAddress);
  EXPECT_FALSE(client.IsConnected());
}

TEST_F(TcpClientTest, SurplusBytesAfterAReplyNeverShiftTheNextReply) {
  relay.Faults().Set(Fault::Surplus, 1);
  std::vector<std::uint16_t> words(2);
  ASSERT_EQ(TcpReadRegisters(client, 254, 10, 2, words), CommError::None);
  std::this_thread::sleep_for(20ms);  // the surplus byte is waiting now
  ASSERT_EQ(TcpReadRegisters(client, 254, 20, 2, words), CommError::None);
  EXPECT_EQ(words[0], test::InitialRegisterValue(20));
  EXPECT_EQ(words[1], test::InitialRegisterValue(21));
}

TEST_F(TcpClientTest, APeerThatClosedBetweenExchangesIsReconnectedBeforeSending) {
  std::vector<std::uint16_t> words(1);
  ASSERT_EQ(TcpReadRegisters(client, 254, 0, 1, words), CommError::None);
  relay.Faults().Set(Fault::Close, 1);
  EXPECT_EQ(TcpReadRegisters(client, 254, 0, 1, words), CommError::PeerClosed);
  EXPECT_EQ(TcpReadRegisters(client, 254, 0, 1, words), CommError::None);
}

TEST(TcpClientConnect, RefusedOrBadAddressFailsAndStaysDisconnected) {
  // A port that was just free: bind, read the number, close.
  int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ::close(probe);

  PosixTcpClient client;
  client.SetRemoteHost("127.0.0.1");
  client.SetRemotePort(ntohs(address.sin_port));
  std::vector<std::uint16_t> words(1);
  EXPECT_EQ(TcpReadRegisters(client, 1, 0, 1, words), CommError::ConnectFailed);
  EXPECT_FALSE(client.IsConnected());
  for (const char* host : {"", "relay.local", "300.1.1.1", "::1"}) {
    client.SetRemoteHost(host);
    EXPECT_EQ(client.Connect(), CommError::BadAddress) << host;
  }
  EXPECT_EQ(client.RemotePort(), ntohs(address.sin_port));
  EXPECT_EQ(PosixTcpClient().RemotePort(), 502);
}

TEST(TcpClientConnect, AConnectThatIsNeverAnsweredGivesUpAfterItsBound) {
  // A listener whose accept queue is full drops further connection requests,
  // so a connect to it hangs like one to a switched-off gateway.
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(::listen(listener, 0), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  // Fill the queue without waiting for the fillers' own handshakes.
  std::vector<int> fillers;
  for (int i = 0; i < 2; ++i) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    fillers.push_back(fd);
  }
  std::this_thread::sleep_for(100ms);
  PosixTcpClient client;
  client.SetRemoteHost("127.0.0.1");
  client.SetRemotePort(ntohs(address.sin_port));
  const auto start = Clock::now();
  EXPECT_EQ(client.Connect(), CommError::ConnectTimeout);
  const auto took = Clock::now() - start;
  EXPECT_GE(took, kTcpConnectTimeout - 100ms);
  EXPECT_LT(took, 10s);
  EXPECT_FALSE(client.IsConnected());
  for (int fd : fillers) ::close(fd);
  ::close(listener);
}

TEST(TcpClientConnect, ReceiveReportsAClosedPeerAndWaitForDataLeavesBytesUnread) {
  test::TcpResponder relay;
  PosixTcpClient client;
  client.SetRemoteHost("127.0.0.1");
  client.SetRemotePort(relay.Port());
  ASSERT_EQ(client.Connect(), CommError::None);
  bool readable = true;
  EXPECT_EQ(client.WaitForData(20ms, readable), CommError::None);
  EXPECT_FALSE(readable);
  const std::vector<std::uint8_t> request{0, 0, 0, 0, 0, 6, 1, 3, 0, 0, 0, 1};
  std::size_t sent = 0;
  ASSERT_EQ(client.Send(request, sent), CommError::None);
  EXPECT_EQ(sent, request.size());
  ASSERT_EQ(client.WaitForData(2000ms, readable), CommError::None);
  ASSERT_TRUE(readable);
  ASSERT_EQ(client.WaitForData(0ms, readable), CommError::None);
  EXPECT_TRUE(readable);  // still there
  std::vector<std::uint8_t> reply(64);
  std::size_t got = 0;
  EXPECT_EQ(client.Receive(reply, got), CommError::None);
  EXPECT_EQ(got, 11u);
  client.Disconnect();
  EXPECT_FALSE(client.IsConnected());
}

}  // namespace
}  // namespace kvx
