// Cutting RTU requests out of a noisy byte stream.

#include <gtest/gtest.h>

#include <random>

#include "sim/modbus_request_handler.h"
#include "sim/rtu_request_framer.h"
#include "sim/sim_crc.h"
#include "sim/simulated_relay.h"

namespace kvx::sim {
namespace {

using Clock = RtuRequestFramer::Clock;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

Bytes Sealed(Bytes frame) {
  const std::uint16_t crc = ModbusCrc(frame);
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

const Bytes kRead390 = Sealed({0xFE, 0x03, 0x01, 0x86, 0x00, 0x01});
const Bytes kWrite2 = Sealed({0xFE, 0x10, 0x01, 0x2C, 0x00, 0x02, 0x04, 0x00, 0x05, 0x00, 0x01});

TEST(SimRtuFramer, CrcIsTheModbusOne) {
  // FE 03 01 86 00 01 is sealed with its CRC low byte first.
  EXPECT_EQ(kRead390.size(), 8u);
  EXPECT_EQ(ModbusCrc(kRead390), 0);
  EXPECT_EQ(ModbusCrc(Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x01}), 0x0A84);  // wire: 84 0A
}

struct StreamCase {
  const char* what;
  std::vector<Bytes> chunks;  // fed one after another, without a gap between
  std::vector<Bytes> expected;
};

TEST(SimRtuFramer, FindsEveryGoodRequestInTheStream) {
  Bytes corrupted = kRead390;
  corrupted[4] ^= 0x10;
  Bytes unknownFunction = Sealed({0xFE, 0x41, 0x01, 0x02});
  const StreamCase cases[] = {
      {"one request", {kRead390}, {kRead390}},
      {"split in three",
       {{kRead390.begin(), kRead390.begin() + 1},
        {kRead390.begin() + 1, kRead390.begin() + 5},
        {kRead390.begin() + 5, kRead390.end()}},
       {kRead390}},
      {"two back to back", {kRead390, kWrite2}, {kRead390, kWrite2}},
      {"garbage ahead", {{0x00, 0x13, 0xFF, 0x77}, kWrite2}, {kWrite2}},
      {"bad CRC then good", {corrupted, kRead390}, {kRead390}},
      {"unknown function, taken whole after the gap", {unknownFunction}, {unknownFunction}},
  };
  for (const StreamCase& c : cases) {
    RtuRequestFramer framer(20ms);
    auto t = Clock::now();
    std::vector<Bytes> got;
    for (const Bytes& chunk : c.chunks) {
      framer.Feed(chunk, t);
      while (auto f = framer.Next(t)) got.push_back(*f);
    }
    t += 50ms;  // silence
    while (auto f = framer.Next(t)) got.push_back(*f);
    EXPECT_EQ(got, c.expected) << c.what;
    EXPECT_FALSE(framer.Pending()) << c.what;
  }
}

TEST(SimRtuFramer, AnUnfinishedRequestIsDroppedAfterTheGap) {
  RtuRequestFramer framer(20ms);
  auto t = Clock::now();
  framer.Feed({kWrite2.begin(), kWrite2.begin() + 6}, t);
  EXPECT_FALSE(framer.Next(t + 5ms)) << "still waiting for the rest";
  EXPECT_FALSE(framer.Next(t + 30ms));
  EXPECT_FALSE(framer.Pending());
  framer.Feed(kRead390, t + 40ms);
  EXPECT_EQ(framer.Next(t + 40ms), kRead390);
}

TEST(SimRtuFramer, NoiseNeverGrowsTheBufferOrHidesTheNextRequest) {
  RtuRequestFramer framer(20ms);
  std::mt19937 rng(7);
  auto t = Clock::now();
  Bytes noise(5000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
  framer.Feed(noise, t);
  while (framer.Next(t)) {
  }
  while (framer.Next(t + 50ms)) {
  }
  EXPECT_FALSE(framer.Pending());
  framer.Feed(kRead390, t + 60ms);
  EXPECT_EQ(framer.Next(t + 60ms), kRead390);
}

TEST(SimRtuFramer, RandomFramesThroughTheRelayNeverCrashIt) {
  RelayConfig config;
  SimulatedRelay relay(config);
  ModbusRequestHandler handler(relay);
  std::mt19937 rng(11);
  RtuRequestFramer framer(20ms);
  auto t = Clock::now();
  int answered = 0;
  for (int i = 0; i < 20000; ++i) {
    // plausible heads (our unit, a real function) with random bodies
    static constexpr std::uint8_t kFunctions[] = {3, 4, 5, 6, 16, 1, 0x2B};
    Bytes f{0xFE, kFunctions[rng() % 7]};
    auto random = [&rng, &f](std::size_t n) {
      for (std::size_t k = 0; k < n; ++k) f.push_back(static_cast<std::uint8_t>(rng()));
    };
    if (f[1] == 16) {
      random(4);
      const std::uint8_t bytes = static_cast<std::uint8_t>(rng() % 12);
      f.push_back(bytes);
      random(bytes);
    } else {
      random(f[1] == 0x2B ? rng() % 12 : 4);
    }
    Bytes sealed = rng() % 4 ? Sealed(f) : f;
    framer.Feed(sealed, t);
    t += 1ms;
    while (auto frame = framer.Next(t)) {
      auto resp = handler.Handle({frame->data() + 1, frame->size() - 3});
      ASSERT_FALSE(resp.empty());
      ++answered;
    }
    if (i % 50 == 0) {
      t += 30ms;
      while (framer.Next(t)) {
      }
    }
  }
  EXPECT_GT(answered, 1000);
}

}  // namespace
}  // namespace kvx::sim
