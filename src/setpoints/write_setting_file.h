#pragma once
// Setpoint files: the SettingStore as a data packet, written to disk.

#include <filesystem>

#include "setpoints/data_packet.h"
#include "setpoints/data_packet_file.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/packet_result.h"
#include "setpoints/setting_store.h"

namespace kvx {

// The rows of a setpoint file: Unit, Firmware, one row per named group
// 0..998, one row per setting 0..1500. Texts are cut to their column width,
// but a number never is: a value longer than DEFAULT's 20 characters is
// written in a shorter form that reads back as the same value (the same
// single for a setting the relay holds as one), and where none exists the
// packet is refused with the register named.
PacketResult BuildSettingPacket(const SettingStore& store, const SettingProgress& progress = {});

// Binary unless the name ends in ".xml" (any case); written through a
// temporary file in the same folder, so a failure leaves the old file intact.
WriteResult WriteSettingFile(const SettingStore& store, const std::filesystem::path& path,
                             const SettingProgress& progress = {});

}  // namespace kvx
