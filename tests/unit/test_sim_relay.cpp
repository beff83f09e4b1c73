// The simulated relay as a master sees it: every request goes through the
// Modbus request handler, exactly as the TCP and RTU servers pass it on.

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "sim/modbus_request_handler.h"
#include "sim/simulated_relay.h"

namespace kvx::sim {
namespace {

using namespace std::chrono_literals;

// A wall clock the test moves by hand.
struct FakeClock {
  std::atomic<std::int64_t> seconds{1'700'000'000};
  TimePoint Now() const { return TimePoint(std::chrono::seconds(seconds.load())); }
  void Advance(std::chrono::seconds s) { seconds += s.count(); }
};

RelayDefinition TestDefinition() {
  RelayDefinition d;
  d.definitionFirmware = 190;
  d.settings = {
      {225, 1, 1, 2000, 0, "120", "Full Load Current", "A"},
      {300, 3, 0, 10, 0, "5", "Starts", ""},
      {301, 6, 0, 1, 0, "1", "Function", ""},
      {302, 2, -1000, 100000, 0, "-5", "Offset", ""},
      {310, 22, 0, 0, 0, "MOTOR 1", "Title", ""},
      {320, 3, 0, 100, 1, "7", "Read Only", ""},
      {330, 1, 0, 0.1, 0, "0.1", "Small Float", ""},
      {390, 19, 0, 3, 0, "2", "RTD Modules", ""},
  };
  return d;
}

class Relay {
 public:
  explicit Relay(std::string_view model = "DRA", int events = 12, int exceptionAt = -1) {
    RelayConfig c;
    c.model = *FindSimModel(model);
    c.firmware = 197;
    c.serial = 0x00012345;
    c.events = events;
    c.definition = TestDefinition();
    c.clock = [this] { return clock.Now(); };
    relay = std::make_unique<SimulatedRelay>(c);
    handler = std::make_unique<ModbusRequestHandler>(*relay, exceptionAt);
  }

  // Function-3 read; an empty vector for an exception (its code in lastException).
  std::vector<std::uint16_t> Read(int first, int count) {
    auto r = Call({0x03, Hi(first), Lo(first), Hi(count), Lo(count)});
    if (r[0] & 0x80) return {};
    std::vector<std::uint16_t> w;
    for (int i = 0; i < r[1] / 2; ++i)
      w.push_back(static_cast<std::uint16_t>(r[2 + 2 * i] << 8 | r[3 + 2 * i]));
    return w;
  }
  std::uint16_t ReadOne(int reg) {
    auto w = Read(reg, 1);
    EXPECT_EQ(w.size(), 1u) << "register " << reg;
    return w.empty() ? 0xDEAD : w[0];
  }
  float ReadFloat(int reg) {
    auto w = Read(reg, 2);
    return std::bit_cast<float>(static_cast<std::uint32_t>(w.at(0) | (w.at(1) << 16)));
  }
  // Function-16 write; returns the exception code (0 = accepted).
  int Write(int first, std::vector<std::uint16_t> words) {
    std::vector<std::uint8_t> pdu{0x10,
                                  Hi(first),
                                  Lo(first),
                                  Hi(static_cast<int>(words.size())),
                                  Lo(static_cast<int>(words.size())),
                                  static_cast<std::uint8_t>(2 * words.size())};
    for (auto w : words) {
      pdu.push_back(Hi(w));
      pdu.push_back(Lo(w));
    }
    return Outcome(Call(pdu));
  }
  int WriteFloat(int reg, float v) {
    auto b = std::bit_cast<std::uint32_t>(v);
    return Write(reg,
                 {static_cast<std::uint16_t>(b & 0xFFFF), static_cast<std::uint16_t>(b >> 16)});
  }
  int WriteSingle(int reg, int value) {
    return Outcome(Call({0x06, Hi(reg), Lo(reg), Hi(value), Lo(value)}));
  }
  int Coil(int coil, int value = 0xFF00) {
    return Outcome(Call({0x05, Hi(coil), Lo(coil), Hi(value), Lo(value)}));
  }
  std::vector<std::uint8_t> Call(std::vector<std::uint8_t> pdu) {
    auto r = handler->Handle(pdu);
    lastException = (r.at(0) & 0x80) ? r.at(1) : 0;
    return r;
  }
  std::array<std::uint16_t, 5> Status() {
    auto w = Read(1096, 5);
    std::array<std::uint16_t, 5> a{};
    std::copy(w.begin(), w.end(), a.begin());
    return a;
  }
  static std::vector<std::uint16_t> Text(const std::string& s) { return EncodeValue(22, s); }

  FakeClock clock;
  std::unique_ptr<SimulatedRelay> relay;
  std::unique_ptr<ModbusRequestHandler> handler;
  int lastException = 0;

 private:
  static std::uint8_t Hi(int v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); }
  static std::uint8_t Lo(int v) { return static_cast<std::uint8_t>(v & 0xFF); }
  static int Outcome(const std::vector<std::uint8_t>& r) { return (r.at(0) & 0x80) ? r.at(1) : 0; }
};

TEST(SimRelay, IdentityAndSettingDefaultsAsTheMasterReadsThem) {
  Relay r;
  EXPECT_EQ(r.Read(0, 4), (std::vector<std::uint16_t>{201, 197, 0x2345, 0x0001}));
  EXPECT_FLOAT_EQ(r.ReadFloat(225), 120.0f);
  EXPECT_EQ(r.ReadOne(300), 5);
  EXPECT_EQ(r.ReadOne(301), 1);
  EXPECT_EQ(r.Read(302, 2), (std::vector<std::uint16_t>{0xFFFB, 0xFFFF}));
  // text: two characters a register, first in the high byte, zero-padded
  EXPECT_EQ(r.Read(310, 10),
            (std::vector<std::uint16_t>{0x4D4F, 0x544F, 0x5220, 0x3100, 0, 0, 0, 0, 0, 0}));
  EXPECT_FLOAT_EQ(r.ReadFloat(330), 0.1f);
  // registers nobody defined read as zero
  EXPECT_EQ(r.Read(400, 10), std::vector<std::uint16_t>(10, 0));
  EXPECT_EQ(r.Read(65526, 10), std::vector<std::uint16_t>(10, 0));
}

TEST(SimRelay, IdentityFollowsTheModel) {
  struct Case {
    const char* model;
    int code;
  } cases[] = {{"DRA", 201},       {"DRB-50", 301},    {"FDX-50", 302},
               {"QRT-3600", 1201}, {"QRT-2600", 1301}, {"QRT-4700", 1302}};
  for (const Case& c : cases) {
    Relay r(c.model);
    EXPECT_EQ(r.ReadOne(0), c.code) << c.model;
  }
}

TEST(SimRelay, WritesAreCheckedAgainstLimitsAccessAndAddress) {
  struct Case {
    const char* what;
    int reg;
    std::vector<std::uint16_t> words;
    int exception;
  } cases[] = {
      {"word at MAX", 300, {10}, 0},
      {"word above MAX", 300, {11}, 3},
      {"list index beyond MAX", 301, {2}, 3},
      {"list index at MIN", 301, {0}, 0},
      {"int32 below MIN", 302, {0xFC17, 0xFFFF}, 3},  // -1001
      {"int32 inside", 302, {0x86A0, 0x0001}, 0},     // 100000
      {"read-only setting", 320, {7}, 3},
      {"float NaN", 225, {0x0000, 0x7FC0}, 3},
      {"unknown register", 400, {1}, 2},
      {"beyond the table", 2000, {1}, 2},
      {"identity", 0, {201}, 2},
      {"block with one bad setting", 300, {5, 2}, 3},
      {"block into an unknown register", 301, {0, 0, 0, 0}, 2},  // 304 is nobody's
      {"text", 310, Relay::Text("PUMP"), 0},
      {"half of a float", 226, {0x4300}, 0},  // 128.0 with the low word kept
  };
  for (const Case& c : cases) {
    Relay r;
    auto before = r.Read(c.reg, static_cast<int>(c.words.size()));
    EXPECT_EQ(r.Write(c.reg, c.words), c.exception) << c.what;
    auto after = r.Read(c.reg, static_cast<int>(c.words.size()));
    EXPECT_EQ(after, c.exception == 0 ? c.words : before) << c.what << ": all or nothing";
  }
}

TEST(SimRelay, FloatLimitsHoldAtSinglePrecision) {
  Relay r;
  EXPECT_EQ(r.WriteFloat(330, 0.1f), 0) << "MAX itself, as the nearest single";
  EXPECT_EQ(r.WriteFloat(330, 0.1001f), 3);
  EXPECT_EQ(r.WriteFloat(225, 0.5f), 3);
  EXPECT_EQ(r.WriteFloat(225, 2000.0f), 0);
}

TEST(SimRelay, MalformedRequestsGetTheRightException) {
  Relay r;
  struct Case {
    const char* what;
    std::vector<std::uint8_t> pdu;
    int exception;
  } cases[] = {
      {"read 0 registers", {0x03, 0, 0, 0, 0}, 3},
      {"read 126 registers", {0x03, 0, 0, 0, 126}, 3},
      {"read past 65535", {0x03, 0xFF, 0xFA, 0, 10}, 2},
      {"short read request", {0x03, 0, 0, 0}, 3},
      {"write with byte count not 2n", {0x10, 0, 100, 0, 1, 4, 0, 0, 0, 0}, 3},
      {"write shorter than its byte count", {0x10, 1, 44, 0, 2, 4, 0, 5}, 3},
      {"read coils", {0x01, 0, 0, 0, 1}, 1},
      {"encapsulated transport", {0x2B, 0x0E, 1, 0}, 1},
      {"coil with a value other than on/off", {0x05, 0, 1, 0x12, 0x34}, 3},
      {"coil that is no command", {0x05, 0, 19, 0xFF, 0}, 2},
      {"unknown command in register 6", {0x06, 0, 6, 0, 19}, 3},
  };
  for (const Case& c : cases) {
    auto resp = r.Call(c.pdu);
    ASSERT_EQ(resp.size(), 2u) << c.what;
    EXPECT_EQ(resp[0], c.pdu[0] | 0x80) << c.what;
    EXPECT_EQ(resp[1], c.exception) << c.what;
  }
  EXPECT_EQ(r.Call({0x06, 1, 44, 0, 9}), (std::vector<std::uint8_t>{0x06, 1, 44, 0, 9}))
      << "write single echoes the request";
}

TEST(SimRelay, PasswordIsATextAt590ThatTheMasterMayChange) {
  Relay r;
  EXPECT_EQ(r.Read(590, 10), Relay::Text("1234"));
  EXPECT_EQ(r.Write(590, Relay::Text("Ab-9")), 0);
  EXPECT_EQ(r.relay->Password(), "Ab-9");
  EXPECT_EQ(r.Read(590, 2), (std::vector<std::uint16_t>{0x4162, 0x2D39}));
}

TEST(SimRelay, MotorStartsRunsStopsAndTripsOnCommand) {
  Relay r("DRA");
  auto s = r.Status();
  EXPECT_EQ(s[1], 0) << "no current while idle";
  EXPECT_EQ(s[2], 0) << "starter idle";
  EXPECT_FLOAT_EQ(r.ReadFloat(860), 0.0f);

  ASSERT_EQ(r.Coil(1), 0);  // Start 1 over RTU
  s = r.Status();
  EXPECT_EQ(s[2], 1) << "Start1";
  EXPECT_EQ(s[1] & 0x3, 0x1) << "current, not yet running";
  EXPECT_GT(r.ReadFloat(860), 120.0f * 3) << "inrush";

  r.clock.Advance(5s);
  s = r.Status();
  EXPECT_EQ(s[2], 2) << "Run1";
  EXPECT_EQ(s[1] & 0x3, 0x3);
  EXPECT_NEAR(r.ReadFloat(860), 120.0f * 0.82f, 120.0f * 0.05f);

  ASSERT_EQ(r.WriteSingle(6, 0), 0);  // Stop over the command register
  EXPECT_EQ(r.Status()[2], 0);

  ASSERT_EQ(r.Write(6, {2}), 0);  // Start 2
  EXPECT_EQ(r.Status()[2], 3);
  ASSERT_EQ(r.Write(6, {13}), 0);  // network trip
  s = r.Status();
  EXPECT_EQ(s[0] & 0x1, 0x1) << "Trip1 or Trip3";
  EXPECT_EQ(s[2], 0) << "a trip stops the motor";
  EXPECT_EQ(r.Read(1104, 5), (std::vector<std::uint16_t>{119, 255, 255, 255, 255}));

  ASSERT_EQ(r.Coil(1), 0);
  EXPECT_EQ(r.Status()[2], 0) << "no start while tripped";
  ASSERT_EQ(r.Coil(3), 0);  // Reset
  EXPECT_EQ(r.Status()[0], 0);
  EXPECT_EQ(r.Read(1104, 5), (std::vector<std::uint16_t>(5, 255)));

  ASSERT_EQ(r.Coil(15), 0);  // alarm set
  EXPECT_EQ(r.Status()[0], 0x2);
  EXPECT_EQ(r.ReadOne(1104), 120);
  ASSERT_EQ(r.Coil(16), 0);
  EXPECT_EQ(r.Status()[0], 0);

  ASSERT_EQ(r.Coil(1, 0x0000), 0) << "coil off is accepted and does nothing";
  EXPECT_EQ(r.Status()[2], 0);
}

TEST(SimRelay, TripAndAlarmBitsAndCodesPerFamily) {
  struct Case {
    const char* model;
    std::uint16_t tripBit, alarmBit;
    int tripReg;
    std::uint16_t tripMask;
    int alarmReg;
    std::uint16_t alarmMask;
  } cases[] = {
      {"DRB-50", 0x0010, 0x0080, 1111, 1 << 7, 1111, 1 << 8},  // codes 119, 120
      {"QRT-2600", 0x0010, 0x0080, 1111, 1 << 7, 1111, 1 << 8},
      {"FDX-50", 0x0010, 0x0080, 1110, 1 << 9, 1110, 1 << 10},  // codes 105, 106
      {"QRT-4700", 0x0010, 0x0080, 1110, 1 << 9, 1110, 1 << 10},
  };
  for (const Case& c : cases) {
    Relay r(c.model);
    EXPECT_EQ(r.Read(1104, 15), std::vector<std::uint16_t>(15, 0)) << c.model;
    r.Write(6, {13});
    r.Write(6, {15});
    EXPECT_EQ(r.Status()[0], c.tripBit | c.alarmBit) << c.model;
    EXPECT_EQ(r.ReadOne(c.tripReg) & c.tripMask, c.tripMask) << c.model;
    EXPECT_EQ(r.ReadOne(c.alarmReg) & c.alarmMask, c.alarmMask) << c.model;
    r.Write(6, {14});
    r.Write(6, {16});
    EXPECT_EQ(r.Status()[0], 0) << c.model;
    EXPECT_EQ(r.Read(1104, 15), std::vector<std::uint16_t>(15, 0)) << c.model;
  }
}

TEST(SimRelay, FeederCarriesCurrentUntilItTrips) {
  Relay r("FDX-50");
  EXPECT_EQ(r.Status()[1] & 0x1, 0x1);
  EXPECT_GT(r.ReadFloat(860), 100.0f) << "load on the feeder base (400 A)";
  r.Coil(13);
  EXPECT_EQ(r.Status()[1] & 0x1, 0);
  EXPECT_FLOAT_EQ(r.ReadFloat(860), 0.0f);
  r.Coil(3);
  EXPECT_EQ(r.Status()[1] & 0x1, 0x1);
}

TEST(SimRelay, ClockTicksAndIsSetByTextAndCommand4) {
  Relay r;
  auto text = Relay::Text("09/03/15 14:02:07");
  ASSERT_EQ(r.Write(580, text), 0);
  auto before = r.Read(576, 2);
  EXPECT_NE(before, (std::vector<std::uint16_t>{0x0700, 0x0E02})) << "no change before command 4";
  ASSERT_EQ(r.Coil(4), 0);
  EXPECT_EQ(r.Read(576, 2), (std::vector<std::uint16_t>{0x0700, 0x0E02}));  // 14:02:07
  r.clock.Advance(61s);
  EXPECT_EQ(r.Read(576, 2), (std::vector<std::uint16_t>{0x0800, 0x0E03}));  // 14:03:08

  // the clock dialog allows hour 24: the next day's midnight hour
  r.Write(580, Relay::Text("10/01/02 24:05:09"));
  r.Write(6, {4});
  EXPECT_EQ(r.Read(576, 2), (std::vector<std::uint16_t>{0x0900, 0x0005}));

  r.Write(580, Relay::Text("not a time"));
  r.Write(6, {4});
  EXPECT_EQ(r.Read(576, 2), (std::vector<std::uint16_t>{0x0900, 0x0005})) << "text refused";
}

TEST(SimRelay, EventRingHoldsTheLastRecordsPerFamilyAndClears) {
  {
    Relay r("DRA", 5);
    EXPECT_EQ(r.ReadOne(973), 5);
    for (int slot : {0, 4}) {
      ASSERT_EQ(r.Write(975, {static_cast<std::uint16_t>(slot)}), 0);
      EXPECT_EQ(r.ReadOne(975), slot);
      EXPECT_NE(r.ReadOne(980), 0) << "slot " << slot << " holds a record";
    }
    r.Write(975, {5});
    EXPECT_EQ(r.ReadOne(980), 0) << "slot 5 is empty";
    EXPECT_EQ(r.Write(975, {64}), 3) << "family 1 ring has 64 slots";
  }
  {
    Relay r("FDX-50", 250);
    EXPECT_EQ(r.ReadOne(973), 250);
    EXPECT_EQ(r.Write(975, {99}), 0);
    EXPECT_NE(r.ReadOne(980), 0) << "a full ring of 100";
    EXPECT_EQ(r.Write(975, {100}), 3);
  }
  Relay r("DRA", 70);
  r.Write(975, {7});
  auto record = r.Read(976, 90);
  ASSERT_EQ(record.size(), 90u);
  EXPECT_EQ(record[4], 2) << "record 7 is a start record";  // 980
  EXPECT_EQ(record[5], 253) << "\"Normal Start\"";          // 981
  const int month = record[0] >> 8, day = record[0] & 0xFF, year = record[1];
  EXPECT_TRUE(month >= 1 && month <= 12 && day >= 1 && day <= 31 && year >= 2000) << year;

  ASSERT_EQ(r.Coil(5), 0);
  EXPECT_EQ(r.ReadOne(973), 0);
  for (int slot = 0; slot < 64; ++slot) {
    r.Write(975, {static_cast<std::uint16_t>(slot)});
    ASSERT_EQ(r.ReadOne(980), 0) << slot;
  }
}

TEST(SimRelay, CommandsAppendRecordsAtTheNextSlot) {
  Relay r("DRA", 64);
  r.Coil(1);  // start: record 64 lands in slot 0
  EXPECT_EQ(r.ReadOne(973), 65);
  r.Write(975, {0});
  auto record = r.Read(976, 90);
  EXPECT_EQ(record[4], 2);
  EXPECT_GT(std::bit_cast<float>(static_cast<std::uint32_t>(record[6] | (record[7] << 16))), 300.0f)
      << "phase A current of a start: the inrush";
  r.clock.Advance(10s);
  r.Coil(13);  // trip while running: slot 1
  r.Write(975, {1});
  EXPECT_EQ(r.ReadOne(980), 1);
  EXPECT_EQ(r.ReadOne(981), 119);
}

TEST(SimRelay, TemperatureChannelsOfAbsentModulesReadUnused) {
  Relay r;  // the definition says two modules
  EXPECT_EQ(r.ReadOne(390), 2);
  for (int reg = 902; reg < 934; reg += 2) {
    float t = r.ReadFloat(reg);
    EXPECT_TRUE(t > 0 && t < 150) << reg << ": " << t;
  }
  for (int reg = 934; reg < 950; reg += 2) EXPECT_FLOAT_EQ(r.ReadFloat(reg), -100.0f) << reg;
  ASSERT_EQ(r.Write(390, {0}), 0);
  EXPECT_FLOAT_EQ(r.ReadFloat(902), -100.0f);
  EXPECT_FLOAT_EQ(r.ReadFloat(950), -40.0f) << "summary channels: no data";
}

TEST(SimRelay, RunningTimeAndEnergyTotalsGrowWhileRunningAndClear) {
  Relay r("DRA");
  auto seconds = [&r] {
    auto w = r.Read(1210, 2);
    return static_cast<std::int32_t>(w.at(0) | (w.at(1) << 16));
  };
  auto energy = [&r] {
    auto w = r.Read(1212, 4);
    std::uint64_t bits = 0;
    for (int i = 0; i < 4; ++i) bits |= static_cast<std::uint64_t>(w.at(i)) << (16 * i);
    return std::bit_cast<double>(bits);
  };
  const auto s0 = seconds();
  const double e0 = energy();
  r.clock.Advance(600s);
  EXPECT_EQ(seconds(), s0) << "idle motor: no running time";
  r.Coil(1);
  r.clock.Advance(3600s);
  EXPECT_NEAR(seconds() - s0, 3600, 1);
  EXPECT_GT(energy() - e0, 3600.0 * 100) << "kW seconds of an hour's running";
  r.Coil(7);
  EXPECT_EQ(energy(), 0.0);
  r.Coil(8);
  EXPECT_EQ(seconds(), 0);
}

TEST(SimRelay, InjectedExceptionAnswersEveryRequestTouchingTheRegister) {
  Relay r("DRA", 12, 975);
  EXPECT_TRUE(r.Read(970, 10).empty());
  EXPECT_EQ(r.lastException, 2);
  EXPECT_EQ(r.Write(975, {1}), 2);
  EXPECT_EQ(r.WriteSingle(975, 1), 2);
  EXPECT_EQ(r.Read(976, 90).size(), 90u);
  EXPECT_EQ(r.Read(0, 975).size(), 0u) << "(and 975 registers is too many anyway)";
}

}  // namespace
}  // namespace kvx::sim

// Values from a definition file that a single or a date cannot hold end up as
// the nearest thing the registers can carry, never as undefined arithmetic.
TEST(SimRelay, EncodesValuesBeyondWhatTheRegistersHold) {
  struct Case {
    int type;
    std::string text;
    std::vector<std::uint16_t> words;
  } cases[] = {
      {1, "1e39", {0x0000, 0x7F80}},   // +infinity
      {1, "-1e39", {0x0000, 0xFF80}},  // -infinity
      {1, "1.5", {0x0000, 0x3FC0}},
      {23, "5/12/2026", {0x0C05, 2026}},
      {23, "5/12/99999999999", {0, 0}},  // year overflows an int: not a date
      {23, "5/12", {0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(kvx::sim::EncodeValue(c.type, c.text), c.words) << c.text;
}
