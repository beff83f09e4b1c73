#pragma once
// What one cycle of each poll reads from the relay, as raw words and value
// texts. A poll thread owns one of each and refills it every cycle; the front
// end receives a copy.

#include <array>
#include <cstdint>
#include <string>

#include "comm/comm_error.h"

namespace kvx {

struct MeteringSnapshot {
  bool readOk = false;                                   // every read of the cycle succeeded
  CommFailure failure;                                   // why the read that failed did
  std::string rtdModuleText;                             // register 390: temperature modules fitted
  std::array<std::uint16_t, 116> meterWords{};           // 860..975
  std::array<std::uint16_t, 20> totalsWords{};           // 1210..1229
  std::array<std::uint16_t, 4> baseWords{};              // 225..228: current base, voltage base
  std::array<std::uint16_t, 2> words210{};               // 210..211 (read, not shown)
  std::array<std::uint16_t, 2> feederBaseWords{};        // 251..252
  std::array<std::uint16_t, 2> differentialBaseWords{};  // 218..219
};

struct StatusSnapshot {
  bool readOk = false;
  CommFailure failure;                         // why the read that failed did
  bool identityRead = false;                   // this cycle re-read registers 0 and 1
  std::string modelCodeText;                   // register 0
  std::string firmwareText;                    // register 1
  std::array<std::uint16_t, 2> clockWords{};   // 576..577
  std::array<std::uint16_t, 5> statusWords{};  // 1096..1100
};

}  // namespace kvx
