#pragma once
// The link a front end is set to, in one line for a person: "Modbus TCP
// 127.0.0.1:15020, unit 254", "Modbus RTU /dev/ttyUSB0 19200, unit 254".

#include <string>

#include "comm/comm_settings.h"

namespace kvx {

std::string DescribeLink(const CommSettings& settings);

}  // namespace kvx
