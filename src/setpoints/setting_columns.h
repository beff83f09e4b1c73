#pragma once
// The sixteen columns of definition and setpoint files, in the order the
// program writes them.

#include <vector>

#include "setpoints/data_packet.h"

namespace kvx {

std::vector<FieldDef> SettingFileColumns();

}  // namespace kvx
