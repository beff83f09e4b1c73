// The DF1 master over a real pseudo-terminal against a scripted slave: every
// path of an exchange (ACK, EOT, bad frames, error status, wrong TNS, NAK,
// silence at each step, a reply growing past its buffer), polls counted per
// operation, the port closed after a failed exchange, and the trace hook
// seeing every frame and control sequence.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "comm/df1_client.h"
#include "comm/posix_serial_port.h"
#include "comm/protocol_client.h"
#include "comm/register_access.h"
#include "comm/register_access_report.h"
#include "support/df1_responder.h"

namespace kvx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::Df1Responder;
using Bytes = Df1Responder::Bytes;
using Kind = Df1Responder::Kind;

const Bytes kAck{kDf1Dle, kDf1Ack};
const Bytes kNak{kDf1Dle, kDf1Nak};
const Bytes kEot{kDf1Dle, kDf1Eot};

// What the master did, as a string of letters: M message, P poll, A ack,
// N nak, ? noise.
std::string Trail(const std::vector<Df1Responder::Received>& log) {
  std::string s;
  for (const auto& r : log) s += "MPAN?"[static_cast<int>(r.kind)];
  return s;
}

// Waits until the responder has seen `n` units (the master's last NAK or ACK
// may still be on its way when the call returns).
std::vector<Df1Responder::Received> LogOf(Df1Responder& relay, std::size_t n) {
  const auto until = Clock::now() + 1s;
  while (relay.Log().size() < n && Clock::now() < until) std::this_thread::sleep_for(2ms);
  std::this_thread::sleep_for(20ms);
  return relay.Log();
}

class Df1ClientTest : public ::testing::Test {
 protected:
  explicit Df1ClientTest(bool bcc = false) : relay(bcc) { port.SetPortName(relay.PortName()); }
  Df1Responder relay;
  PosixSerialPort port;
  // The request packet the relay received in the first message.
  Bytes Request() {
    auto log = relay.Log();
    return log.empty() ? Bytes{} : log[0].packet;
  }
  // A good reply to a read of `words` with the TNS of `tns`.
  Bytes GoodRead(std::uint8_t unit, std::uint16_t tns, const std::vector<std::uint16_t>& words,
                 std::uint8_t sts = 0) {
    Bytes request{unit,
                  0,
                  kDf1CmdRead,
                  0,
                  static_cast<std::uint8_t>(tns & 0xFF),
                  static_cast<std::uint8_t>(tns >> 8)};
    Bytes data;
    for (auto w : words) {
      data.push_back(static_cast<std::uint8_t>(w & 0xFF));
      data.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return relay.ReplyFrame(relay.ReplyTo(request, data, sts));
  }
};

TEST_F(Df1ClientTest, ReadRoundTripSendsTheMessagePollsAndAcknowledges) {
  relay.Script({{kAck}, {GoodRead(1, 5, {0x1234, 0x1010, 0xABCD})}});
  std::vector<FrameDirection> directions;
  std::vector<Bytes> traced;
  port.SetFrameTrace([&](FrameDirection d, std::span<const std::uint8_t> b) {
    directions.push_back(d);
    traced.emplace_back(b.begin(), b.end());
  });
  Df1Context context(port, 0, 5, 0);
  std::vector<std::uint16_t> words(3);
  ASSERT_EQ(Df1ReadWords(context, 1, 390, 3, words), CommError::None);
  EXPECT_EQ(words, (std::vector<std::uint16_t>{0x1234, 0x1010, 0xABCD}));
  EXPECT_EQ(context.polls, 1);
  EXPECT_TRUE(port.IsOpen());

  const auto log = LogOf(relay, 3);
  EXPECT_EQ(Trail(log), "MPA");
  EXPECT_EQ(log[0].wire, (Bytes{0x10, 0x01, 0x01, 0x10, 0x02, 0x01, 0x00, 0x01, 0x00, 0x05,
                                0x00, 0x0C, 0x03, 0x06, 0x00, 0x10, 0x03, 0x17, 0x6F, kDf1Pad}));
  EXPECT_EQ(log[1].wire, (Bytes{0x10, 0x05, 0x01, 0xFF, kDf1Pad}));
  EXPECT_EQ(log[2].wire, kAck);  // acknowledgements go without a pad

  // The hook saw every frame and control sequence, in order.
  ASSERT_EQ(traced.size(), 5u);
  EXPECT_EQ(directions,
            (std::vector<FrameDirection>{FrameDirection::Tx, FrameDirection::Rx, FrameDirection::Tx,
                                         FrameDirection::Rx, FrameDirection::Tx}));
  EXPECT_EQ(traced[0], log[0].wire);
  EXPECT_EQ(traced[1], kAck);
  EXPECT_EQ(traced[3], GoodRead(1, 5, {0x1234, 0x1010, 0xABCD}));
  EXPECT_EQ(traced[4], kAck);
}

TEST_F(Df1ClientTest, WriteAndCommandCarryTheirWords) {
  const Bytes writeReply = relay.ReplyFrame({0, 7, 0x48, 0, 0x10, 0x00});
  const Bytes commandReply = relay.ReplyFrame({0, 7, 0x48, 0, 0x11, 0x00});
  relay.Script({{kAck}, {writeReply}, {kAck}, {commandReply}});
  Df1Context write(port, 0, 0x10, 0);
  const std::vector<std::uint16_t> values{0x0102, 0x1010};
  ASSERT_EQ(Df1WriteWords(write, 7, 1000, 2, values), CommError::None);
  Df1Context command(port, 0, 0x11, 0);
  ASSERT_EQ(Df1Command(command, 7, 0x10003), CommError::None);
  const auto log = LogOf(relay, 6);
  ASSERT_EQ(Trail(log), "MPAMPA");
  // Byte address 2000 = 0x07D0; the words low byte first.
  EXPECT_EQ(log[0].packet, (Bytes{7, 0, 0x08, 0, 0x10, 0, 0xD0, 0x07, 0x02, 0x01, 0x10, 0x10}));
  // Word 6 (byte address 12), the low 16 bits of the code.
  EXPECT_EQ(log[3].packet, (Bytes{7, 0, 0x08, 0, 0x11, 0, 0x0C, 0x00, 0x03, 0x00}));
}

struct PathCase {
  const char* name;
  bool command;  // a command polls three times, a read twice
  std::vector<Df1Responder::Answer> answers;
  CommError expected;
  const char* trail;  // what the relay saw
};

void PrintTo(const PathCase& c, std::ostream* os) {
  *os << c.name;
}

class Df1ExchangePaths : public Df1ClientTest, public ::testing::WithParamInterface<PathCase> {};

// Reply frames for TNS 9, read of one word 0x2A (unit 1) or a command.
Bytes Good(Df1Responder& r, bool command, std::uint16_t tns = 9, std::uint8_t sts = 0) {
  Bytes request{1,
                0,
                command ? kDf1CmdWrite : kDf1CmdRead,
                0,
                static_cast<std::uint8_t>(tns),
                static_cast<std::uint8_t>(tns >> 8)};
  return r.ReplyFrame(r.ReplyTo(request, command ? Bytes{} : Bytes{0x2A, 0x00}, sts));
}

Bytes Corrupt(Bytes frame) {
  frame[3] ^= 0x01;
  return frame;
}

std::vector<PathCase> Paths() {
  Df1Responder r;  // only for building frames
  Bytes tooLong{kDf1Dle, kDf1Stx};
  tooLong.resize(400, 0x55);
  Bytes cut = Good(r, false);
  cut.resize(cut.size() - 1);
  return {
      {"EOT, then a good frame",
       false,
       {{kAck}, {kEot}, {Good(r, false)}},
       CommError::None,
       "MPPA"},
      {"EOT at both polls", false, {{kAck}, {kEot}, {kEot}}, CommError::Df1NoData, "MPPN"},
      {"wrong TNS is acknowledged and polled again",
       false,
       {{kAck}, {Good(r, false, 8)}, {Good(r, false)}},
       CommError::None,
       "MPAPA"},
      {"wrong TNS twice",
       false,
       {{kAck}, {Good(r, false, 8)}, {Good(r, false, 0x0109)}},
       CommError::WrongTransaction,
       "MPAPAN"},
      {"bad CRC costs a poll, unacknowledged",
       false,
       {{kAck}, {Corrupt(Good(r, false))}, {Good(r, false)}},
       CommError::None,
       "MPPA"},
      {"bad CRC twice",
       false,
       {{kAck}, {Corrupt(Good(r, false))}, {Corrupt(Good(r, false))}},
       CommError::Df1BadFrame,
       "MPPN"},
      {"error status, then EOT: the status is the reason",
       false,
       {{kAck}, {Good(r, false, 9, 0x50)}, {kEot}},
       CommError::Df1ErrorStatus,
       "MPAPN"},
      {"error status twice",
       false,
       {{kAck}, {Good(r, false, 9, 0x10)}, {Good(r, false, 9, 0x50)}},
       CommError::Df1ErrorStatus,
       "MPAPAN"},
      {"a frame that does not start with DLE STX",
       false,
       {{kAck}, {Bytes{0x00, 0x10, 0x03, 0x00, 0x00}}, {Good(r, false)}},
       CommError::None,
       "MPPA"},
      {"relay refuses the message", false, {{kNak}}, CommError::Df1Nak, "MN"},
      {"something else instead of DLE ACK",
       false,
       {{Bytes{0x06, 0x10}}},
       CommError::Df1NoAck,
       "MN"},
      {"silence instead of DLE ACK", false, {{Bytes{}}}, CommError::Df1NoAck, "MN"},
      {"half an acknowledgement", false, {{Bytes{kDf1Dle}}}, CommError::Df1NoAck, "MN"},
      {"silence at the poll", false, {{kAck}, {Bytes{}}}, CommError::NoReply, "MPN"},
      {"silence at the second poll",
       false,
       {{kAck}, {kEot}, {Bytes{}}},
       CommError::NoReply,
       "MPPN"},
      {"silence in the middle of a reply", false, {{kAck}, {cut}}, CommError::NoReply, "MPN"},
      {"a reply growing past 300 bytes",
       false,
       {{kAck}, {tooLong}},
       CommError::Df1ReplyTooLong,
       "MPN"},
      {"command: EOT twice, then its reply",
       true,
       {{kAck}, {kEot}, {kEot}, {Good(r, true)}},
       CommError::None,
       "MPPPA"},
      {"command: EOT three times",
       true,
       {{kAck}, {kEot}, {kEot}, {kEot}},
       CommError::Df1NoData,
       "MPPPN"},
  };
}

TEST_P(Df1ExchangePaths, EndAsTheyShould) {
  const PathCase& c = GetParam();
  relay.Script(c.answers);
  Df1Context context(port, 0, 9, 0);
  std::vector<std::uint16_t> words{0xEEEE};
  const auto start = Clock::now();
  const CommError result =
      c.command ? Df1Command(context, 1, 3) : Df1ReadWords(context, 1, 100, 1, words);
  const auto took = Clock::now() - start;
  EXPECT_EQ(result, c.expected);
  const std::string trail = c.trail;
  const auto log = LogOf(relay, trail.size());
  EXPECT_EQ(Trail(log), trail);
  EXPECT_EQ(context.polls, static_cast<int>(std::count(trail.begin(), trail.end(), 'P')));
  if (result == CommError::None) {
    EXPECT_TRUE(port.IsOpen());
    if (!c.command) {
      EXPECT_EQ(words[0], 0x2A);
    }
  } else {
    EXPECT_FALSE(port.IsOpen());  // closed after the NAK
    EXPECT_EQ(words[0], 0xEEEE);  // a failed read delivers nothing
    EXPECT_LT(took, 1s);          // every wait is 110 ms per byte at most
  }
}

INSTANTIATE_TEST_SUITE_P(All, Df1ExchangePaths, ::testing::ValuesIn(Paths()));

TEST_F(Df1ClientTest, SilenceIsNoticedWithinTheByteLimit) {
  relay.Script({{kAck}, {Bytes{}}});
  Df1Context context(port, 0, 1, 0);
  std::vector<std::uint16_t> words(1);
  const auto start = Clock::now();
  EXPECT_EQ(Df1ReadWords(context, 1, 0, 1, words), CommError::NoReply);
  const auto took = Clock::now() - start;
  EXPECT_GE(took, 110ms);
  EXPECT_LT(took, 400ms);
}

TEST_F(Df1ClientTest, ArgumentsOutsideTheLimitsSendNothing) {
  std::vector<std::uint16_t> words(101);
  struct Case {
    int unit, address, count, source, check;
  } refused[] = {{0, 0, 1, 0, 0},     {255, 0, 1, 0, 0}, {1, -1, 1, 0, 0},
                 {1, 10000, 1, 0, 0}, {1, 0, 0, 0, 0},   {1, 0, 101, 0, 0},
                 {1, 0, 1, -1, 0},    {1, 0, 1, 255, 0}, {1, 0, 1, 0, 2}};
  for (const Case& c : refused) {
    Df1Context context(port, c.source, 1, c.check);
    EXPECT_EQ(Df1ReadWords(context, c.unit, c.address, c.count, words), CommError::InvalidArgument);
    EXPECT_EQ(Df1WriteWords(context, c.unit, c.address, c.count, words),
              CommError::InvalidArgument);
  }
  Df1Context context(port, 0, 1, 0);
  EXPECT_EQ(Df1ReadWords(context, 1, 0, 10, std::span(words).first(9)), CommError::InvalidArgument);
  EXPECT_EQ(Df1Command(context, 0, 1), CommError::InvalidArgument);
  EXPECT_EQ(Df1Command(context, 255, 1), CommError::InvalidArgument);
  EXPECT_FALSE(port.IsOpen());
  std::this_thread::sleep_for(30ms);
  EXPECT_TRUE(relay.Log().empty());

  // The edges that are allowed.
  relay.Script({{kAck}, {GoodRead(254, 1, std::vector<std::uint16_t>(100, 7))}});
  Df1Context edge(port, 254, 1, 0);
  EXPECT_EQ(Df1ReadWords(edge, 254, 9999, 100, words), CommError::None);
}

TEST_F(Df1ClientTest, AHundredWordsOfDleStillFitTheReply) {
  // Every data byte doubled: about 418 bytes on the wire, a legitimate reply.
  const std::vector<std::uint16_t> values(100, 0x1010);
  relay.Script({{kAck}, {GoodRead(1, 3, values)}});
  Df1Context context(port, 0, 3, 0);
  std::vector<std::uint16_t> words(100);
  ASSERT_EQ(Df1ReadWords(context, 1, 0, 100, words), CommError::None);
  EXPECT_EQ(words, values);
}

class Df1ClientBccTest : public Df1ClientTest {
 protected:
  Df1ClientBccTest() : Df1ClientTest(true) {}
};

TEST_F(Df1ClientBccTest, BccModeSendsAndExpectsOneCheckByte) {
  relay.Script({{kAck}, {GoodRead(16, 0x1010, {0x0010})}});
  Df1Context context(port, 0, 0x1010, 1);
  std::vector<std::uint16_t> words(1);
  ASSERT_EQ(Df1ReadWords(context, 16, 390, 1, words), CommError::None);
  EXPECT_EQ(words[0], 0x0010);
  const auto log = LogOf(relay, 3);
  ASSERT_EQ(Trail(log), "MPA");
  // Station 16 doubled in the header, the BCC, the pad.
  EXPECT_EQ(Bytes(log[0].wire.begin(), log[0].wire.begin() + 6),
            (Bytes{0x10, 0x01, 0x10, 0x10, 0x10, 0x02}));
  EXPECT_EQ(Bytes(log[0].wire.end() - 4, log[0].wire.end()),
            (Bytes{0x10, 0x03, Df1Bcc(Bytes{16, 16, 0, 1, 0, 0x10, 0x10, 0x0C, 0x03, 0x02, 0x00}),
                   kDf1Pad}));
  EXPECT_EQ(log[1].wire, (Bytes{0x10, 0x05, 0x10, 0x10, 0xF0, kDf1Pad}));
}

TEST_F(Df1ClientTest, EachAttemptOfTheLayerTakesTheNextTransactionNumber) {
  // Three attempts, each refused at the message: three NAKs, TNS 7, 8, 9.
  relay.Script({{kNak}, {kNak}, {kNak}});
  CommSettings settings;
  settings.protocol = ProtocolKind::Df1;
  settings.serialPort = &port;
  settings.unitAddress = 1;
  settings.transactionCounter = 7;
  std::vector<std::uint16_t> words(1);
  EXPECT_FALSE(ReadRegisters(settings, 0, 1, words));
  EXPECT_EQ(settings.transactionCounter, 10);
  const auto log = LogOf(relay, 6);
  ASSERT_EQ(Trail(log), "MNMNMN");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(log[2 * i].packet[4], 7 + i);
  }

  // The next operation goes on from there, and succeeds with its own TNS.
  relay.Script({{kAck}, {GoodRead(1, 10, {0x0102})}});
  ASSERT_TRUE(ReadRegisters(settings, 0, 1, words));
  EXPECT_EQ(words[0], 0x0102);
  EXPECT_EQ(settings.transactionCounter, 11);
}

// What a person reads when all three attempts of the layer fail the same way.
TEST_F(Df1ClientTest, AFailedAccessIsExplainedInDf1Terms) {
  const Bytes cut = [this] {
    Bytes b = GoodRead(1, 0, {0x2A});
    b.resize(5);
    return b;
  }();
  struct Case {
    const char* what;
    std::vector<Bytes> oneAttempt;  // the answers to the message and its polls
    CommError error;
    std::string reason;
  } cases[] = {
      {"refused with NAK",
       {kNak},
       CommError::Df1Nak,
       "unit 1 refused register 100 with DLE NAK (3 attempts)"},
      {"silence instead of ACK",
       {Bytes{}},
       CommError::Df1NoAck,
       "no reply from unit 1 within 110 ms after 3 attempts"},
      {"something else instead of ACK",
       {Bytes{0x06, 0x10}},
       CommError::Df1NoAck,
       "unit 1 did not acknowledge register 100 with DLE ACK (3 attempts)"},
      {"nothing ready",
       {kAck, kEot, kEot},
       CommError::Df1NoData,
       "unit 1 had no reply ready for register 100 at any poll (DLE EOT) after 3 attempts"},
      {"error status",
       {kAck, Bytes{}, kEot},  // the status reply is filled in per attempt below
       CommError::Df1ErrorStatus,
       "error status 0x50 (addressing problem or memory protection) at register 100"},
      {"silence at the poll",
       {kAck, Bytes{}},
       CommError::NoReply,
       "no reply from unit 1 within 110 ms after 3 attempts"},
      {"a reply cut short",
       {kAck, cut},
       CommError::NoReply,
       "incomplete reply from unit 1 within 110 ms after 3 attempts"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Df1Responder::Answer> script;
    for (std::uint16_t tns = 0; tns < 3; ++tns) {
      for (Bytes answer : c.oneAttempt) {
        if (c.error == CommError::Df1ErrorStatus && answer.empty()) {
          answer = GoodRead(1, tns, {}, 0x50);
        }
        script.push_back({answer});
      }
    }
    relay.Script(script);
    CommSettings settings;
    settings.protocol = ProtocolKind::Df1;
    settings.serialPort = &port;
    settings.unitAddress = 1;
    std::vector<std::uint16_t> words(1);
    const AccessReport report = ReadRegistersReport(settings, 100, 1, words);
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.exchanges, 3);
    EXPECT_EQ(report.lastError, c.error);
    EXPECT_EQ(DescribeAccessFailure(report), c.reason);
    LogOf(relay, 0);  // the last NAK has gone out before the next script
  }
}

}  // namespace
}  // namespace kvx
