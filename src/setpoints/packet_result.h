#pragma once
// Outcome of reading a data packet: the packet, or why it was refused. A
// refused file yields no packet at all, never part of one.

#include <string>

#include "setpoints/data_packet.h"

namespace kvx {

struct PacketResult {
  bool ok = false;
  DataPacket packet;
  std::string error;  // why the file was refused; empty when ok

  static PacketResult Fail(std::string why) { return {false, {}, std::move(why)}; }
};

}  // namespace kvx
