// The Modbus RTU client over a real pseudo-terminal against a responder:
// round trips, argument limits that send nothing, and each faulty reply
// failing within its bound with the port left as it should be.

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "comm/modbus_rtu_client.h"
#include "comm/posix_serial_port.h"
#include "support/rtu_responder.h"

namespace kvx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::Fault;

class RtuClientTest : public ::testing::Test {
 protected:
  RtuClientTest() { port.SetPortName(relay.PortName()); }
  test::RtuResponder relay{254};
  PosixSerialPort port;
  RtuContext context{port};
};

TEST_F(RtuClientTest, ReadsAndWritesRoundTrip) {
  std::vector<std::uint16_t> words(100);
  ASSERT_EQ(ReadHoldingRegisters(context, 254, 390, 1, words), CommError::None);
  EXPECT_EQ(words[0], test::InitialRegisterValue(390));
  EXPECT_TRUE(port.IsOpen());  // opened by the first exchange

  std::vector<std::uint16_t> values(100);
  for (int i = 0; i < 100; ++i) values[i] = static_cast<std::uint16_t>(0xF000 + i);
  ASSERT_EQ(WriteMultipleRegisters(context, 254, 1000, 100, values), CommError::None);
  ASSERT_EQ(ReadHoldingRegisters(context, 254, 1000, 100, words), CommError::None);
  EXPECT_EQ(words, values);

  ASSERT_EQ(WriteSingleCoil(context, 254, 7), CommError::None);
  EXPECT_EQ(relay.CoilsForced(), std::vector<int>{7});
  EXPECT_EQ(relay.BadFrames(), 0);
}

TEST_F(RtuClientTest, ArgumentsOutsideTheLimitsSendNothing) {
  std::vector<std::uint16_t> words(130);
  struct Case {
    int unit, first, count;
  } refused[] = {{0, 0, 1},    {255, 0, 1}, {-1, 0, 1},   {254, 100000, 1},
                 {254, -1, 1}, {254, 0, 0}, {254, 0, 126}};
  for (const Case& c : refused) {
    EXPECT_EQ(ReadHoldingRegisters(context, c.unit, c.first, c.count, words),
              CommError::InvalidArgument);
    EXPECT_EQ(WriteMultipleRegisters(context, c.unit, c.first, c.count, words),
              CommError::InvalidArgument);
  }
  EXPECT_EQ(WriteMultipleRegisters(context, 254, 0, 124, words), CommError::InvalidArgument);
  EXPECT_EQ(ReadHoldingRegisters(context, 254, 0, 10, std::span(words).first(9)),
            CommError::InvalidArgument);
  EXPECT_EQ(WriteSingleCoil(context, 0, 1), CommError::InvalidArgument);
  EXPECT_EQ(WriteSingleCoil(context, 255, 1), CommError::InvalidArgument);
  EXPECT_FALSE(port.IsOpen());  // not even opened
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(relay.Requests() + relay.BadFrames() + relay.OtherUnitFrames(), 0);

  // The edges that are allowed: register 99999 (its low 16 bits go out).
  EXPECT_EQ(ReadHoldingRegisters(context, 254, 99999, 1, words), CommError::None);
  EXPECT_EQ(relay.LastRequest()[2], 0x86);
  EXPECT_EQ(relay.LastRequest()[3], 0x9F);
  EXPECT_EQ(WriteSingleCoil(context, 254, 70000), CommError::None);
}

struct FaultCase {
  const char* name;
  Fault fault;
  CommError expected;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

class RtuReadFaults : public RtuClientTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(RtuReadFaults, FailWithinTheReadTimeOutAndLeaveThePortOpen) {
  const FaultCase& c = GetParam();
  relay.Faults().Set(c.fault, 1, 400ms);
  std::vector<std::uint16_t> words(10);
  const auto start = Clock::now();
  EXPECT_EQ(ReadHoldingRegisters(context, 254, 100, 10, words), c.expected) << c.name;
  EXPECT_LT(Clock::now() - start, 2s);  // the bound is 100 ms + 10 ms x 25 bytes
  EXPECT_TRUE(port.IsOpen());
  // The next exchange clears the stray bytes and succeeds.
  std::this_thread::sleep_for(c.fault == Fault::Late ? 500ms : 0ms);
  ASSERT_EQ(ReadHoldingRegisters(context, 254, 100, 10, words), CommError::None);
  EXPECT_EQ(words[9], test::InitialRegisterValue(109));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RtuReadFaults,
    ::testing::Values(FaultCase{"silent", Fault::Silent, CommError::ReplyTooShort},
                      FaultCase{"bad crc", Fault::BadCrc, CommError::BadCrc},
                      FaultCase{"truncated", Fault::Truncate, CommError::ReplyTooShort},
                      FaultCase{"garbage before", Fault::GarbageBefore, CommError::WrongUnit},
                      FaultCase{"exception", Fault::Exception, CommError::ExceptionIllegalAddress},
                      FaultCase{"other unit", Fault::OtherUnit, CommError::WrongUnit},
                      FaultCase{"byte count", Fault::WrongByteCount, CommError::WrongByteCount},
                      FaultCase{"late", Fault::Late, CommError::ReplyTooShort}),
    [](const auto& info) {
      std::string name = info.param.name;
      for (char& ch : name)
        if (ch == ' ') ch = '_';
      return name;
    });

TEST_F(RtuClientTest, ExceptionReplyToALongReadFailsAtOnce) {
  relay.Faults().Set(Fault::Exception, 1);
  std::vector<std::uint16_t> words(100);
  const auto start = Clock::now();
  EXPECT_EQ(ReadHoldingRegisters(context, 254, 0, 100, words), CommError::ExceptionIllegalAddress);
  // Without reading the header first this waits out 100 ms + 10 ms x 205 bytes.
  EXPECT_LT(Clock::now() - start, 1500ms);
}

TEST_F(RtuClientTest, WriteAndCoilRepliesMustPassTheirCrcAndEchoTheRequest) {
  std::vector<std::uint16_t> values{1, 2};
  relay.Faults().Set(Fault::BadCrc, 1);
  EXPECT_EQ(WriteMultipleRegisters(context, 254, 10, 2, values), CommError::BadCrc);
  relay.Faults().Set(Fault::BadCrc, 1);
  EXPECT_EQ(WriteSingleCoil(context, 254, 2), CommError::BadCrc);
  relay.Faults().Set(Fault::Exception, 1);
  EXPECT_EQ(WriteMultipleRegisters(context, 254, 10, 2, values),
            CommError::ExceptionIllegalAddress);
  relay.Faults().Set(Fault::Exception, 1);
  EXPECT_EQ(WriteSingleCoil(context, 254, 2), CommError::ExceptionIllegalAddress);
  relay.Faults().Set(Fault::WrongEcho, 1);
  EXPECT_EQ(WriteMultipleRegisters(context, 254, 10, 2, values), CommError::WrongEchoAddress);
  relay.Faults().Set(Fault::OtherUnit, 1);
  EXPECT_EQ(WriteSingleCoil(context, 254, 2), CommError::WrongUnit);
  relay.Faults().Set(Fault::Silent, 1);
  const auto start = Clock::now();
  EXPECT_EQ(WriteMultipleRegisters(context, 254, 10, 2, values), CommError::ReplyTooShort);
  EXPECT_LT(Clock::now() - start, 1s);  // bound 180 ms
  EXPECT_TRUE(port.IsOpen());           // failed tests never close the port
}

TEST(RtuClientPortErrors, OnlyAPortErrorDuringACoilWriteClosesThePort) {
  auto relay = std::make_unique<test::RtuResponder>(254);
  PosixSerialPort port;
  port.SetPortName(relay->PortName());
  RtuContext context{port};
  std::vector<std::uint16_t> words(1);
  ASSERT_EQ(ReadHoldingRegisters(context, 254, 0, 1, words), CommError::None);
  relay.reset();  // the other end of the line is gone: the pty hangs up
  EXPECT_NE(ReadHoldingRegisters(context, 254, 0, 1, words), CommError::None);
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(WriteSingleCoil(context, 254, 1), CommError::PortError);
  EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace kvx
