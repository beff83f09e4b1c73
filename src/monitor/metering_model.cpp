#include "monitor/metering_model.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "comm/relay_registers.h"
#include "setpoints/format_value.h"
#include "setpoints/number_text.h"

namespace kvx {
namespace {

constexpr int kMeterFirst = relay_reg::kMeterFirst;
constexpr int kMeterLastSingle = 972;  // its high word, 973, is the block's last but two
constexpr int kTotalsFirst = relay_reg::kTotalsFirst;
constexpr int kTotalsLast = kTotalsFirst + relay_reg::kTotalsCount - 1;

std::optional<int> RegisterOf(const GridRow& row) {
  if (row[meter_col::kRegister].empty()) return std::nullopt;
  const auto r = ParseInteger(row[meter_col::kRegister]);
  if (!r || *r < 0 || *r >= kSettingCount) return std::nullopt;
  return static_cast<int>(*r);
}

bool ReadsAs(const std::string& text, double value) {
  const auto v = ParseNumber(text);
  return v && *v == value;
}

// A display text the relay uses as a marker instead of a reading.
std::string SensorMarker(const std::string& display, const char* unused) {
  if (ReadsAs(display, -100)) return unused;
  if (ReadsAs(display, -90)) return "Open";
  if (ReadsAs(display, -80)) return "Short";
  if (ReadsAs(display, -70)) return "No Data";
  return display;
}

struct PerUnitRow {
  const char* label;
  int reg;
  int base;  // 225 current, 227 voltage, 218 differential, 251 feeder
};

constexpr PerUnitRow kPhaseCurrents[] = {
    {"   Ia", 860, 225}, {"   Ib", 862, 225}, {"   Ic", 864, 225}};
constexpr PerUnitRow kFamily1Voltages[] = {
    {"   Vab", 868, 227}, {"   Vbc", 870, 227}, {"   Vca", 872, 227}};
constexpr PerUnitRow kFamily1Differential[] = {{"   Differential Current Phase A", 1224, 218},
                                               {"   Differential Current Phase B", 1226, 218},
                                               {"   Differential Current Phase C", 1228, 218}};
constexpr PerUnitRow kFamily2Differential[] = {{"   Differential Current Phase A", 884, 218},
                                               {"   Differential Current Phase B", 886, 218},
                                               {"   Differential Current Phase C", 888, 218}};
constexpr PerUnitRow kFeederCurrents[] = {
    {"   Ia", 860, 251}, {"   Ib", 862, 251}, {"   Ic", 864, 251}};

std::vector<PerUnitRow> PerUnitRowsFor(int family, int definitionFirmware) {
  std::vector<PerUnitRow> rows;
  const auto add = [&rows](const auto& list) {
    rows.insert(rows.end(), std::begin(list), std::end(list));
  };
  switch (family) {
    case 1:
      add(kPhaseCurrents);
      add(kFamily1Voltages);
      if (definitionFirmware >= 230) add(kFamily1Differential);
      break;
    case 2:
      add(kPhaseCurrents);
      if (definitionFirmware >= 170) add(kFamily2Differential);
      break;
    case 3:
      add(kFeederCurrents);
      break;
    default:
      break;
  }
  return rows;
}

float BaseOf(int reg, const MeteringSnapshot& s) {
  switch (reg) {
    case 225:
      return SingleOfWords(s.baseWords[0], s.baseWords[1]);
    case 227:
      return SingleOfWords(s.baseWords[2], s.baseWords[3]);
    case 218:
      return SingleOfWords(s.differentialBaseWords[0], s.differentialBaseWords[1]);
    case 251:
      return SingleOfWords(s.feederBaseWords[0], s.feederBaseWords[1]);
    default:
      return 0;
  }
}

}  // namespace

float SingleOfWords(std::uint16_t low, std::uint16_t high) {
  return std::bit_cast<float>(static_cast<std::uint32_t>(low) |
                              (static_cast<std::uint32_t>(high) << 16));
}

std::string MeteringValueText(int r, const MeteringSnapshot& s) {
  if (r >= kMeterFirst && r <= kMeterLastSingle) {
    const auto i = static_cast<std::size_t>(r - kMeterFirst);
    return FormatFixed(SingleOfWords(s.meterWords[i], s.meterWords[i + 1]), 2);
  }
  const auto t = [&s](int reg) {
    return s.totalsWords[static_cast<std::size_t>(reg - kTotalsFirst)];
  };
  if (r == 1210 || r == 1211) {
    const auto seconds = static_cast<std::int32_t>(static_cast<std::uint32_t>(t(r)) |
                                                   (static_cast<std::uint32_t>(t(r + 1)) << 16));
    return FormatFixed(static_cast<float>(seconds / 3600.0), 2);
  }
  if (r >= 1212 && r <= 1223) {
    std::uint64_t bits = 0;
    for (int k = 0; k < 4; ++k) bits |= static_cast<std::uint64_t>(t(r + k)) << (16 * k);
    return FormatFixed(std::bit_cast<double>(bits) / 3600.0, 4);
  }
  // 1229 would take its high word from beyond the totals block: not read.
  if (r >= 1224 && r < kTotalsLast) return FormatFixed(SingleOfWords(t(r), t(r + 1)), 2);
  return "0";
}

MeteringModel::MeteringModel(const MeteringRows& skeleton, const SettingStore& store)
    : meter_(skeleton.meter),
      rtd_(skeleton.rtd),
      family_(store.family),
      definitionFirmware_(store.definitionFirmware) {
  const auto note = [&](const std::vector<GridRow>& rows) {
    for (const GridRow& row : rows) {
      if (auto r = RegisterOf(row))
        info_[*r] = {store.settings[*r].typeCode, store.settings[*r].setting};
    }
  };
  note(meter_);
  note(rtd_);
  for (const PerUnitRow& row : PerUnitRowsFor(family_, definitionFirmware_)) {
    values_[row.reg] = store.settings[row.reg].value;
  }
  for (const auto& [reg, info] : info_) values_[reg] = store.settings[reg].value;
}

const MeteringModel::RegisterInfo* MeteringModel::Info(int reg) const {
  auto it = info_.find(reg);
  return it == info_.end() ? nullptr : &it->second;
}

std::string MeteringModel::ValueText(int reg) const {
  auto it = values_.find(reg);
  return it == values_.end() ? std::string() : it->second;
}

void MeteringModel::Apply(const MeteringSnapshot& s) {
  if (!s.readOk) {
    failed_ = true;
    fresh_ = false;
    return;
  }
  failed_ = false;
  ApplyMeter(s);
  ApplyRtd(s);
  updated_ = true;
  fresh_ = true;
}

void MeteringModel::ApplyMeter(const MeteringSnapshot& s) {
  // Up to and including one row past the last: the per-unit rows start at
  // the first row below the heading without a register, or after the last.
  for (std::size_t i = 0; i <= meter_.size(); ++i) {
    const std::optional<int> r = i < meter_.size() ? RegisterOf(meter_[i]) : std::nullopt;
    if (r) {
      const std::string value = MeteringValueText(*r, s);
      values_[*r] = value;
      const RegisterInfo* info = Info(*r);
      std::string display = FormatValue(info ? info->typeCode : 1, value);
      if ((*r == 900 && family_ == 2) || (*r == 880 && family_ == 3)) {
        display = SensorMarker(display, "Unused or PTC");
      }
      meter_[i][meter_col::kValue] = std::move(display);
    } else if (i + 1 > 2) {
      WritePerUnitRows(i, s);
      return;
    }
  }
}

void MeteringModel::WritePerUnitRows(std::size_t from, const MeteringSnapshot& s) {
  const std::vector<PerUnitRow> rows = PerUnitRowsFor(family_, definitionFirmware_);
  meter_.resize(from + rows.size());
  for (std::size_t k = 0; k < rows.size(); ++k) {
    GridRow& row = meter_[from + k];
    row = GridRow{};
    row[meter_col::kName] = rows[k].label;
    row[meter_col::kUnits] = "pu";
    // A base that reads as zero (or no number) has no per-unit value: the
    // cell stays empty rather than showing an infinite or undefined ratio.
    const auto value = ParseNumber(ValueText(rows[k].reg));
    const double base = BaseOf(rows[k].base, s);
    if (value && std::isfinite(base) && base != 0) {
      const double ratio = *value / base;
      if (std::isfinite(ratio)) row[meter_col::kValue] = FormatValue(1, FormatGeneral(ratio));
    }
  }
}

void MeteringModel::ApplyRtd(const MeteringSnapshot& s) {
  const double modules = ParseNumber(s.rtdModuleText).value_or(0);
  for (std::size_t i = 1; i < rtd_.size(); ++i) {  // grid rows 2..
    GridRow& row = rtd_[i];
    bool active = false;
    std::optional<int> r;
    if (modules > 0) {
      if (row[meter_col::kRegister].empty()) continue;
      r = RegisterOf(row);
      if (!r) continue;
      const auto limit = static_cast<long long>(modules * 16 + 902);
      active = *r < limit || (*r >= 950 && *r < 966);
    }
    if (!active) {
      row[meter_col::kRowState] = "1";
      row[meter_col::kName].clear();
      row[meter_col::kValue].clear();
      continue;
    }
    row[meter_col::kRowState] = "0";
    const RegisterInfo* info = Info(*r);
    row[meter_col::kName] = "   " + (info ? info->name : std::string());
    // Only registers of the meter block have a reading here.
    if (*r < kMeterFirst || *r > kMeterLastSingle) continue;
    const std::string value = MeteringValueText(*r, s);
    values_[*r] = value;
    std::string display = FormatValue(info ? info->typeCode : 1, value);
    if (*r >= 902 && *r < 950) {
      row[meter_col::kValue] = SensorMarker(display, "Unused");
    } else if (*r >= 950 && *r < 966) {
      row[meter_col::kValue] = ReadsAs(display, -40) || ReadsAs(display, 300) ? "No Data" : display;
    }
  }
}

std::string MeteringModel::SettingName(int reg) const {
  const RegisterInfo* info = Info(reg);
  return info ? info->name : std::string();
}

std::vector<MeteringModel::ShownRow> MeteringModel::ShownRows() const {
  std::vector<ShownRow> shown;
  const auto add = [&shown](const std::vector<GridRow>& rows, bool rtd) {
    for (std::size_t i = 1; i < rows.size(); ++i) {
      const GridRow& row = rows[i];
      if (rtd && row[meter_col::kRowState] == "1") continue;
      const auto r = RegisterOf(row);
      if (!r && row[meter_col::kUnits] != "pu") continue;  // a heading or the empty row
      std::string name = row[meter_col::kName];
      const auto first = name.find_first_not_of(' ');
      name = first == std::string::npos ? std::string() : name.substr(first);
      shown.push_back(
          {r.value_or(-1), std::move(name), row[meter_col::kValue], row[meter_col::kUnits]});
    }
  };
  add(meter_, false);
  add(rtd_, true);
  return shown;
}

}  // namespace kvx
