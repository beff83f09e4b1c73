#include "app/datalog/datalog_time_dialog.h"

#include <algorithm>

#include "app/controls/bw_spin_edit.h"
#include "monitor/data_log.h"

namespace kvx {
namespace {

int MinimumSeconds(int minimumPeriodMs) {
  return std::max(minimumPeriodMs, kDataLogMinPeriodMs) / 1000;
}

}  // namespace

DatalogTimeDialog::DatalogTimeDialog(QWidget* owner, const UserColors& colors, int periodMs,
                                     int minimumPeriodMs)
    : SecondsDialog(owner, colors, {"TDatalogTimeF", "Datalog Time", "Datalog Period"},
                    MinimumSeconds(minimumPeriodMs), kDataLogMaxPeriodSeconds,
                    std::max(periodMs / 1000, MinimumSeconds(minimumPeriodMs))) {
  spin()->setObjectName(QStringLiteral("period_SE"));
}

}  // namespace kvx
