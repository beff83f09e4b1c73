#pragma once
// What one data log line holds, taken from the Metering page: every row of
// the meter grid and of the temperature grid that shows a register, named by
// its setting and valued by the text on screen. An inactive temperature row
// keeps its column with an empty value.

#include "monitor/data_log.h"
#include "monitor/metering_model.h"

namespace kvx {

DataLogRow MeteringLogRow(const MeteringModel& metering);

}  // namespace kvx
