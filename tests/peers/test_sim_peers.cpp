// Independent Modbus masters (libmodbus's client, pymodbus's client) against
// the simulated relay over loopback TCP and its pty, so that the simulator is
// a right slave on its own and not only a partner of our master. Unit 17:
// libmodbus RTU masters address slaves 1..247 only.

#include <modbus/modbus.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "sim/relay_simulation.h"
#include "support/background_program.h"

namespace kvx::sim {
namespace {

using namespace std::chrono_literals;
constexpr int kUnit = 17;

RelayConfig Relay() {
  RelayConfig c;
  c.firmware = 197;
  c.serial = 0x00020003;
  c.definition.settings = {{300, 3, 0, 10, 0, "5", "Starts", ""}};
  return c;
}

ServerOptions Options() {
  ServerOptions o;
  o.unit = kUnit;
  return o;
}

struct LinkCase {
  const char* name;
  bool tcp;
};

class SimAgainstLibmodbus : public ::testing::TestWithParam<LinkCase> {};

TEST_P(SimAgainstLibmodbus, ReadsWritesCommandsAndExceptions) {
  RelaySimulation sim(Relay(), Options());
  modbus_t* ctx = nullptr;
  if (GetParam().tcp) {
    ASSERT_TRUE(sim.StartTcp().ok);
    ctx = modbus_new_tcp("127.0.0.1", sim.TcpPort());
  } else {
    ASSERT_TRUE(sim.StartRtuPty().ok);
    ctx = modbus_new_rtu(sim.RtuPath().c_str(), 9600, 'N', 8, 1);
  }
  ASSERT_NE(ctx, nullptr);
  modbus_set_slave(ctx, kUnit);
  modbus_set_response_timeout(ctx, 2, 0);
  ASSERT_EQ(modbus_connect(ctx), 0) << modbus_strerror(errno);

  std::uint16_t w[125] = {};
  ASSERT_EQ(modbus_read_registers(ctx, 0, 4, w), 4) << modbus_strerror(errno);
  EXPECT_EQ(std::vector<std::uint16_t>(w, w + 4), (std::vector<std::uint16_t>{201, 197, 3, 2}));
  ASSERT_EQ(modbus_read_registers(ctx, 860, 125, w), 125) << "the longest read Modbus allows";

  const std::uint16_t text[2] = {0x7A79, 0x7877};  // "zyxw"
  ASSERT_EQ(modbus_write_registers(ctx, 590, 2, text), 2);
  EXPECT_EQ(sim.Relay().Password(), "zyxw");
  ASSERT_EQ(modbus_write_register(ctx, 300, 10), 1);
  ASSERT_EQ(modbus_read_registers(ctx, 300, 1, w), 1);
  EXPECT_EQ(w[0], 10);

  ASSERT_EQ(modbus_write_bit(ctx, 1, TRUE), 1) << "Start 1 as coil 1";
  ASSERT_EQ(modbus_read_registers(ctx, 1098, 1, w), 1);
  EXPECT_EQ(w[0], 1);
  ASSERT_EQ(modbus_write_register(ctx, 6, 13), 1) << "network trip through register 6";
  ASSERT_EQ(modbus_read_registers(ctx, 1096, 1, w), 1);
  EXPECT_EQ(w[0], 1);

  // refusals: each exception as libmodbus reads it
  EXPECT_EQ(modbus_read_registers(ctx, 65530, 10, w), -1);
  EXPECT_EQ(errno, EMBXILADD);
  EXPECT_EQ(modbus_write_register(ctx, 400, 1), -1);
  EXPECT_EQ(errno, EMBXILADD);
  EXPECT_EQ(modbus_write_register(ctx, 300, 11), -1);
  EXPECT_EQ(errno, EMBXILVAL);
  EXPECT_EQ(modbus_write_register(ctx, 6, 99), -1) << "unknown command";
  EXPECT_EQ(errno, EMBXILVAL);
  EXPECT_EQ(modbus_write_bit(ctx, 40, TRUE), -1) << "a coil that is no command";
  EXPECT_EQ(errno, EMBXILADD);
  std::uint8_t bits[8];
  EXPECT_EQ(modbus_read_bits(ctx, 0, 1, bits), -1);
  EXPECT_EQ(errno, EMBXILFUN);
  ASSERT_EQ(modbus_read_registers(ctx, 300, 1, w), 1) << "still talking after the refusals";
  EXPECT_EQ(w[0], 10);
  modbus_close(ctx);
  modbus_free(ctx);
}

class SimAgainstPymodbus : public ::testing::TestWithParam<LinkCase> {};

TEST_P(SimAgainstPymodbus, ReadsWritesCommandsAndExceptions) {
  RelaySimulation sim(Relay(), Options());
  std::vector<std::string> args{std::string(KVX_PEER_SCRIPTS_DIR) + "/sim_pymodbus_client.py"};
  if (GetParam().tcp) {
    ASSERT_TRUE(sim.StartTcp().ok);
    args.insert(args.end(), {"tcp", std::to_string(sim.TcpPort()), std::to_string(kUnit)});
  } else {
    ASSERT_TRUE(sim.StartRtuPty().ok);
    args.insert(args.end(), {"rtu", sim.RtuPath(), std::to_string(kUnit)});
  }
  test::BackgroundProgram client(KVX_PYTHON, args);
  ASSERT_TRUE(client.Started());
  std::map<std::string, std::string> steps;
  while (auto line = client.ReadLine(30s)) {
    if (*line == "done") break;
    const auto space = line->find(' ');
    steps[line->substr(0, space)] = space == std::string::npos ? "" : line->substr(space + 1);
  }
  const std::map<std::string, std::string> expected{
      {"identity", "201 197 3 2"},
      {"write-password", "ok"},
      {"password", "16706 17220 0"},  // "ABCD", then the zero pad of the text
      {"start-coil", "ok"},
      {"starter", "1"},
      {"trip-command", "ok"},
      {"status", "1"},
      {"past-the-end", "exception 2"},
      {"unknown-register", "exception 2"},
      {"selector-too-big", "exception 3"},
      {"read-coils", "exception 1"},
  };
  EXPECT_EQ(steps, expected);
}

const LinkCase kLinks[] = {{"Tcp", true}, {"Rtu", false}};
auto Name = [](const auto& info) { return std::string(info.param.name); };
INSTANTIATE_TEST_SUITE_P(Links, SimAgainstLibmodbus, ::testing::ValuesIn(kLinks), Name);
INSTANTIATE_TEST_SUITE_P(Links, SimAgainstPymodbus, ::testing::ValuesIn(kLinks), Name);

}  // namespace
}  // namespace kvx::sim
