// The simulator's fault draws: where a flipped bit may land on each framing,
// and how a TCP reply is cut into pieces.

#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "sim/fault_injector.h"

namespace kvx::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A read reply of 10 registers: header, function, byte count, 20 data bytes.
Bytes TcpReadReply() {
  Bytes r{0, 7, 0, 0, 0, 23, 0xFE, 0x03, 20};
  for (int i = 0; i < 20; ++i) r.push_back(static_cast<std::uint8_t>(0x40 + i));
  return r;
}

// Positions where `shaped` differs from `original` (same length).
std::vector<std::size_t> Flips(const Bytes& original, const Bytes& shaped) {
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i < original.size(); ++i) {
    if (original[i] != shaped[i]) at.push_back(i);
  }
  return at;
}

TEST(SimFaults, OnTcpAFlipLandsOnlyInTheFieldsAMasterCanCheck) {
  struct Case {
    const char* name;
    Bytes reply;
    std::size_t checkable;
  } cases[] = {
      {"read reply", TcpReadReply(), 9},
      {"write reply", {0, 7, 0, 0, 0, 6, 0xFE, 0x10, 0x01, 0x2C, 0x00, 0x03}, 12},
      {"exception reply", {0, 7, 0, 0, 0, 3, 0xFE, 0x83, 0x02}, 9},
  };
  for (const Case& c : cases) {
    FaultOptions options;
    options.corruptRate = 1;
    FaultInjector faults(options);
    std::vector<int> hits(c.reply.size(), 0);
    for (int draw = 0; draw < 2000; ++draw) {
      const auto shaped = faults.Shape(c.reply, ReplyFraming::ModbusTcp);
      ASSERT_TRUE(shaped && shaped->size() == c.reply.size()) << c.name;
      const auto at = Flips(c.reply, *shaped);
      ASSERT_EQ(at.size(), 1u) << c.name;
      EXPECT_EQ(std::popcount(static_cast<unsigned>(c.reply[at[0]] ^ (*shaped)[at[0]])), 1);
      ++hits[at[0]];
    }
    for (std::size_t i = 0; i < c.reply.size(); ++i) {
      if (i < c.checkable) {
        EXPECT_GT(hits[i], 0) << c.name << " byte " << i;
      } else {
        EXPECT_EQ(hits[i], 0) << c.name << " byte " << i;
      }
    }
  }
}

TEST(SimFaults, BehindGarbageTheTcpReplysDataStaysIntactWhileSerialDataMayFlip) {
  FaultOptions options;
  options.corruptRate = 1;
  options.garbageRate = 1;
  FaultInjector tcp(options);
  FaultInjector serial(options);
  const Bytes reply = TcpReadReply();
  const Bytes data(reply.begin() + 9, reply.end());
  int serialDataFlips = 0;
  for (int draw = 0; draw < 500; ++draw) {
    const auto shaped = tcp.Shape(reply, ReplyFraming::ModbusTcp);
    ASSERT_TRUE(shaped && shaped->size() > reply.size());
    EXPECT_EQ(Bytes(shaped->end() - static_cast<std::ptrdiff_t>(data.size()), shaped->end()), data);
    const auto line = serial.Shape(reply);
    ASSERT_TRUE(line);
    if (Bytes(line->end() - static_cast<std::ptrdiff_t>(data.size()), line->end()) != data) {
      ++serialDataFlips;
    }
  }
  EXPECT_GT(serialDataFlips, 100);  // the CRC has to catch these
}

TEST(SimFaults, ASplitReplyIsCutInsideTheHeaderAndAgainInTheRest) {
  FaultOptions whole;
  EXPECT_TRUE(FaultInjector(whole).SplitPoints(29).empty());
  FaultOptions split;
  split.splitMs = 5;
  FaultInjector faults(split);
  EXPECT_EQ(faults.SplitPoints(29), (std::vector<std::size_t>{3, 16}));
  EXPECT_EQ(faults.SplitPoints(9), (std::vector<std::size_t>{3, 6}));
  EXPECT_EQ(faults.SplitPoints(2), (std::vector<std::size_t>{1}));
  EXPECT_TRUE(faults.SplitPoints(1).empty());
}

}  // namespace
}  // namespace kvx::sim
