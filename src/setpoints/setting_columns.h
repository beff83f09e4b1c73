#pragma once
// The sixteen columns of definition and setpoint files: the order the
// program writes them in, and where a file read in has them.

#include <string>
#include <vector>

#include "setpoints/data_packet.h"

namespace kvx {

std::vector<FieldDef> SettingFileColumns();

// Column positions in a file read in. Every file has fifteen of them; ACCESS
// only definition files (-1 when absent).
struct SettingColumns {
  int cfgName, cfgValue, gOrder, main, mainType, group, reg, setting, sOrder, type, min, max, def,
      access, units, comments;
};

// False with "missing column NAME" when one of the fifteen is absent.
bool FindSettingColumns(const DataPacket& p, SettingColumns& c, std::string& error);

}  // namespace kvx
