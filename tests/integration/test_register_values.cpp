// Typed setting reads and writes and block reads, through the real Modbus TCP
// client against a loopback responder.

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "comm/posix_tcp_client.h"
#include "setpoints/packet_counters.h"
#include "setpoints/register_values.h"
#include "support/tcp_responder.h"

namespace kvx {
namespace {

using test::Fault;

class RegisterValues : public ::testing::Test {
 protected:
  RegisterValues() {
    client.SetRemoteHost("127.0.0.1");
    client.SetRemotePort(relay.Port());
    settings.tcpClient = &client;
    settings.protocol = ProtocolKind::ModbusTcp;
    ResetPacketCounters();
  }
  // Register address and count of the last request (function 3 or 16).
  std::pair<int, int> LastAddressAndCount() {
    const auto r = relay.LastRequest();
    if (r.size() < 12) return {-1, -1};
    return {(r[8] << 8) | r[9], (r[10] << 8) | r[11]};
  }

  test::TcpResponder relay;
  PosixTcpClient client;
  CommSettings settings;
};

TEST_F(RegisterValues, ReadSettingRendersEachForm) {
  relay.Registers().Write(100, {0x0000, 0x3FC0, 0xFFFF, 0xFFFF, 0x0C05, 2009, 7});
  relay.Registers().Write(600, {0x4142, 0x4300, 0, 0, 0, 0, 0, 0, 0, 0});
  struct Case {
    int reg, code;
    const char* text;
  };
  for (const Case c : {Case{100, 1, "1.50"},
                       {102, 2, "-1"},
                       {104, 23, "5/12/2009"},
                       {106, 3, "7"},
                       {106, 6, "7"},
                       {600, 22, "ABC"}}) {
    std::string text;
    ASSERT_TRUE(ReadSetting(settings, c.reg, c.code, text)) << c.code;
    EXPECT_EQ(text, c.text) << c.code;
  }
  EXPECT_EQ(totalPackets.load(), 6u);
  EXPECT_EQ(failedPackets.load(), 0u);
  EXPECT_EQ(LastAddressAndCount(), std::make_pair(600, 10));
}

TEST_F(RegisterValues, AnUnreadableCodeSendsNothingAndCountsAFailure) {
  for (int code : {31, 4, 24, 45, 78, 0}) {
    std::string text;
    EXPECT_FALSE(ReadSetting(settings, 580, code, text)) << code;
    EXPECT_EQ(text, "ERROR");
  }
  EXPECT_EQ(relay.Requests(), 0);
  EXPECT_EQ(totalPackets.load(), 6u);
  EXPECT_EQ(failedPackets.load(), 6u);
}

TEST_F(RegisterValues, AFailedReadCountsOncePerCall) {
  relay.Faults().Set(Fault::Exception);
  std::string text;
  EXPECT_FALSE(ReadSetting(settings, 390, 3, text));
  EXPECT_EQ(relay.Requests(), 3);  // the layer's three attempts are one packet
  EXPECT_EQ(totalPackets.load(), 1u);
  EXPECT_EQ(failedPackets.load(), 1u);
}

TEST_F(RegisterValues, WriteSettingSendsTheConvertedRegisters) {
  ASSERT_TRUE(WriteSetting(settings, 200, 2, "-2.9"));
  EXPECT_EQ(relay.Registers().Read(200, 2), (std::vector<std::uint16_t>{0xFFFE, 0xFFFF}));
  ASSERT_TRUE(WriteSetting(settings, 202, 3, "70000"));
  EXPECT_EQ(relay.Registers().At(202), 4464);
  ASSERT_TRUE(WriteSetting(settings, 203, 1, "1.5"));
  EXPECT_EQ(relay.Registers().Read(203, 2), (std::vector<std::uint16_t>{0x0000, 0x3FC0}));
  ASSERT_TRUE(WriteSetting(settings, 590, 22, "AB"));
  EXPECT_EQ(relay.Registers().Read(590, 10),
            (std::vector<std::uint16_t>{0x4142, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  ASSERT_TRUE(WriteSetting(settings, 580, 31, "26/05/14 10:30:00"));
  EXPECT_EQ(relay.Registers().At(580), 0x3236);
  EXPECT_EQ(relay.Requests(), 5);
  // Writes are not counted as packets.
  EXPECT_EQ(totalPackets.load(), 0u);
}

TEST_F(RegisterValues, NothingIsSentForUnwritableCodesOrNonNumbers) {
  EXPECT_TRUE(WriteSetting(settings, 976, 23, "1"));
  EXPECT_TRUE(WriteSetting(settings, 976, 28, "1"));
  EXPECT_TRUE(WriteSetting(settings, 976, 0, "1"));
  EXPECT_FALSE(WriteSetting(settings, 976, 1, "not a number"));
  EXPECT_FALSE(WriteSetting(settings, 976, 3, ""));
  EXPECT_EQ(relay.Requests(), 0);
}

TEST_F(RegisterValues, AFailedWriteIsReported) {
  relay.Faults().Set(Fault::Exception);
  EXPECT_FALSE(WriteSetting(settings, 200, 3, "1"));
}

TEST_F(RegisterValues, ALongBlockIsReadInTwoCountedExchanges) {
  std::vector<std::uint16_t> words(116);
  ASSERT_TRUE(ReadBlock(settings, 860, 116, words));
  EXPECT_EQ(relay.Requests(), 2);
  EXPECT_EQ(LastAddressAndCount(), std::make_pair(960, 16));
  for (int i = 0; i < 116; ++i) EXPECT_EQ(words[i], test::InitialRegisterValue(860 + i)) << i;
  EXPECT_EQ(totalPackets.load(), 2u);
  EXPECT_EQ(failedPackets.load(), 0u);
}

TEST_F(RegisterValues, AFailedFirstExchangeLeavesTheSecondUnsent) {
  relay.Faults().Set(Fault::Exception);
  std::vector<std::uint16_t> words(116);
  EXPECT_FALSE(ReadBlock(settings, 860, 116, words));
  EXPECT_EQ(relay.Requests(), 3);  // three attempts at the first hundred only
  EXPECT_EQ(LastAddressAndCount(), std::make_pair(860, 100));
  EXPECT_EQ(totalPackets.load(), 1u);
  EXPECT_EQ(failedPackets.load(), 1u);
}

TEST_F(RegisterValues, AFailedSecondExchangeFailsTheBlock) {
  std::vector<std::uint16_t> words(116);
  // The first exchange succeeds (its reply held back 250 ms), then every
  // attempt at the second fails: the fault is switched while the first reply
  // is held, long after the responder took the first request's fault.
  relay.Faults().Set(Fault::Late, 1, std::chrono::milliseconds(250));
  std::thread arm([&] {
    while (relay.Requests() < 1) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    relay.Faults().Set(Fault::Exception);
  });
  const bool ok = ReadBlock(settings, 860, 116, words);
  arm.join();
  EXPECT_FALSE(ok);
  EXPECT_EQ(totalPackets.load(), 2u);
  EXPECT_EQ(failedPackets.load(), 1u);
}

TEST_F(RegisterValues, BlockLimitsAndShortBlocks) {
  std::vector<std::uint16_t> words(300);
  EXPECT_FALSE(ReadBlock(settings, 0, 0, words));
  EXPECT_FALSE(ReadBlock(settings, 0, 301, words));
  EXPECT_FALSE(ReadBlock(settings, 0, 5, std::span<std::uint16_t>(words.data(), 4)));
  EXPECT_EQ(relay.Requests(), 0);
  ASSERT_TRUE(ReadBlock(settings, 1096, 5, words));
  EXPECT_EQ(relay.Requests(), 1);
  ASSERT_TRUE(ReadBlock(settings, 0, 300, words));  // never more than 100 per exchange
  EXPECT_EQ(relay.Requests(), 4);
  EXPECT_EQ(words[299], test::InitialRegisterValue(299));
}

TEST_F(RegisterValues, CountersStayExactWithThreeThreads) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([this, t] {
      CommSettings own = settings;
      std::vector<std::uint16_t> words(116);
      std::string text;
      for (int i = 0; i < 20; ++i) {
        if (t == 0)
          ReadBlock(own, 860, 116, words);
        else
          ReadSetting(own, 390, 3, text);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(totalPackets.load(), 20u * 2 + 40u);
  EXPECT_EQ(failedPackets.load(), 0u);
  ResetPacketCounters();
  EXPECT_EQ(totalPackets.load(), 0u);
}

}  // namespace
}  // namespace kvx
