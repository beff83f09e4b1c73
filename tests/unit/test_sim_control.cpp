// The simulator's control channel: each command changes what the relay
// reports, and what it cannot take is refused with a reason.

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <string>

#include "sim/control_channel.h"
#include "sim/relay_simulation.h"

namespace kvx::sim {
namespace {

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

struct Sim {
  explicit Sim(std::string_view model = "DRA", int firmware = 230) {
    std::string error;
    auto config = MakeRelayConfig(model, firmware, kDefaults, error);
    EXPECT_TRUE(config) << error;
    config->steady = true;
    simulation = std::make_unique<RelaySimulation>(*config);
  }
  std::uint16_t Word(int reg) {
    std::uint16_t w = 0;
    simulation->Relay().ReadRegisters(static_cast<std::uint16_t>(reg), 1, &w);
    return w;
  }
  float Single(int reg) {
    std::uint16_t w[2] = {};
    simulation->Relay().ReadRegisters(static_cast<std::uint16_t>(reg), 2, w);
    return std::bit_cast<float>(static_cast<std::uint32_t>(w[0] | (w[1] << 16)));
  }
  std::string Run(std::string_view line) { return RunControlCommand(*simulation, line); }
  std::unique_ptr<RelaySimulation> simulation;
};

TEST(SimControl, CommandsChangeWhatTheRelayReports) {
  Sim sim;
  EXPECT_EQ(sim.Run("firmware 232"), "ok");
  EXPECT_EQ(sim.Word(1), 232);
  EXPECT_EQ(sim.Run("model-code 1201"), "ok");
  EXPECT_EQ(sim.Word(0), 1201);
  EXPECT_EQ(sim.Run("modules 2"), "ok");
  EXPECT_EQ(sim.Word(390), 2);
  EXPECT_EQ(sim.Run("temperature 9 -90"), "ok");  // module 2, channel 1: register 918
  EXPECT_EQ(sim.Single(918), -90.0f);
  EXPECT_EQ(sim.Run("  temperature\t26  300 "), "ok");  // local sensor 2: register 952
  EXPECT_EQ(sim.Single(952), 300.0f);

  EXPECT_EQ(sim.Run("current 50"), "ok");
  const float phaseA = sim.Single(860);
  EXPECT_NEAR(phaseA, 50.0f, 0.5f);
  EXPECT_EQ(sim.Word(1097) & 0x3, 0x3);  // current, running
  EXPECT_EQ(sim.Run("current auto"), "ok");
  EXPECT_EQ(sim.Single(860), 0.0f);  // the motor is stopped

  EXPECT_EQ(sim.Run("trip 34"), "ok");
  EXPECT_EQ(sim.Word(1096) & 0x1, 0x1);
  EXPECT_EQ(sim.Word(1104), 34);  // the first active trip code
  EXPECT_EQ(sim.Run("trip 35"), "error: a trip is already active");
  EXPECT_EQ(sim.Run("alarm 60"), "ok");
  EXPECT_EQ(sim.Word(1096) & 0x3, 0x3);
  EXPECT_EQ(sim.Word(1105), 60);
  EXPECT_EQ(sim.Run("clear"), "ok");
  EXPECT_EQ(sim.Word(1096), 0);

  EXPECT_FALSE(sim.simulation->Relay().Silent());
  EXPECT_EQ(sim.Run("silent on"), "ok");
  EXPECT_TRUE(sim.simulation->Relay().Silent());
  EXPECT_EQ(sim.Run("silent off"), "ok");
  EXPECT_FALSE(sim.simulation->Relay().Silent());
}

TEST(SimControl, TripsOfFeederAndMotorFamiliesShowInTheirOwnBits) {
  Sim drb("DRB-50", 120);
  EXPECT_EQ(drb.Run("trip 7"), "ok");
  EXPECT_EQ(drb.Word(1096) & 0x10, 0x10);
  EXPECT_EQ(drb.Word(1104) & 0x80, 0x80);  // code 7: bit 7 of the first code word
  EXPECT_EQ(drb.Run("alarm 20"), "ok");
  EXPECT_EQ(drb.Word(1096) & 0x80, 0x80);
  EXPECT_EQ(drb.Word(1105) & 0x10, 0x10);  // code 20: bit 4 of the second
}

TEST(SimControl, WhatCannotBeTakenIsRefusedWithAReason) {
  Sim sim;
  const struct {
    const char* line;
    const char* answer;
  } cases[] = {
      {"", ""},
      {"# a comment", ""},
      {"frobnicate", "error: unknown command \"frobnicate\" (try: help)"},
      {"trip", "error: usage: trip CODE"},
      {"trip 1 2", "error: usage: trip CODE"},
      {"trip x", "error: not a cause code: \"x\""},
      {"trip 256", "error: not a cause code: \"256\""},
      {"firmware -1", "error: not a firmware number: \"-1\""},
      {"silent maybe", "error: want on or off, not \"maybe\""},
      {"temperature 33 20", "error: not a channel (1..32): \"33\""},
      {"temperature 1 hot", "error: not a number: \"hot\""},
      {"temperature 1 nan", "error: not a number: \"nan\""},
      {"modules 4", "error: not a module count (0..3): \"4\""},
      {"current -3", "error: not a current: \"-3\""},
      {"command 99", "error: not a device command: \"99\""},
      {"clear now", "error: usage: clear"},
  };
  for (const auto& c : cases) EXPECT_EQ(sim.Run(c.line), c.answer) << c.line;
  EXPECT_EQ(sim.Word(1), 230);  // nothing refused changed anything
  EXPECT_EQ(sim.Run("help").rfind("ok\n  trip CODE", 0), 0u);
}

}  // namespace
}  // namespace kvx::sim
