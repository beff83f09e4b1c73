#include "curves/custom_curve.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <tuple>

#include "setpoints/number_text.h"

namespace kvx {
namespace {

constexpr std::uintmax_t kMaxImportBytes = 16u << 20;

const std::vector<std::string> kFeederImportError = {
    "Error opening file. File must be a tab delimited file,",
    "with CURRENT as the first column, and TIME as the",
    "second column. Requires CURRENT and TIME as column", "headers."};
const std::vector<std::string> kMotorImportError = {
    "Error opening file. File must be a tab delimited file,",
    "with FLA as the first column, and TIME as the",
    "second column. Requires FLA and TIME as column", "headers."};

ImportResult Refused(std::vector<std::string> lines, int badLine = 0) {
  return {false, "Import Error", std::move(lines), badLine};
}

ImportResult BadLine(const std::vector<std::string>& lines, std::size_t index) {
  std::string text = lines[index].substr(0, 60);
  return Refused({"Line " + std::to_string(index + 1) + " is not a point:", "\"" + text + "\"",
                  "Nothing was imported."},
                 static_cast<int>(index) + 1);
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

bool StartsWithQuoted(const std::string& s, const std::string& word) {
  return StartsWith(s, word) || StartsWith(s, "\"" + word);
}

bool IsBlank(const std::string& s) {
  return s.find_first_not_of(" \t") == std::string::npos;
}

// The header: a first field starting with `key`, the text after the first tab with TIME.
bool IsHeader(const std::string& line, const std::string& key) {
  const std::string u = Upper(line);
  const std::size_t tab = u.find('\t');
  return StartsWithQuoted(u, key) && tab != std::string::npos &&
         StartsWithQuoted(u.substr(tab + 1), "TIME");
}

// The first field, and the second up to a further tab.
std::pair<std::string, std::string> TwoFields(const std::string& line) {
  const std::size_t tab = line.find('\t');
  if (tab == std::string::npos) return {line, ""};
  const std::size_t second = line.find('\t', tab + 1);
  return {line.substr(0, tab),
          line.substr(tab + 1, second == std::string::npos ? std::string::npos : second - tab - 1)};
}

std::string Trimmed(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

// Interpolation steps in hundredths of the key unit.
std::int64_t StepHundredths(CustomCurveKind kind, double i) {
  if (kind == CustomCurveKind::Feeder) {
    if (i <= 1) return 1;
    if (i <= 10) return 10;
    if (i <= 100) return 100;
    if (i <= 1000) return 1000;
    if (i <= 10000) return 10000;
    if (i <= 100000) return 100000;
    return 1000000;  // 10000 A, also above the add panel's 1000000 A
  }
  if (i <= 1) return 10;
  if (i <= 10) return 100;
  if (i <= 200) return 500;
  return 1000;
}

std::int64_t Whole(double v) {
  return static_cast<std::int64_t>(std::trunc(v));
}

}  // namespace

EntryLimits AddKeyLimits(CustomCurveKind kind) {
  return kind == CustomCurveKind::Feeder ? EntryLimits{0.01, 1000000} : EntryLimits{1, 10000};
}

EntryLimits AddTimeLimits(CustomCurveKind kind) {
  return kind == CustomCurveKind::Feeder ? EntryLimits{0.01, 50000} : EntryLimits{0.01, 10000};
}

CustomCurveList::CustomCurveList(CustomCurveKind kind) : kind_(kind) {
  series_.name = kind == CustomCurveKind::Feeder ? "Custom_Curve" : "D1_Series";
  series_.title = "Custom";
  series_.colour = kind == CustomCurveKind::Feeder ? "000000" : "008080";
}

std::vector<std::string> CustomCurveList::Header() const {
  if (kind_ == CustomCurveKind::Feeder) return {"Current (A)", "Time (s)"};
  return {"Current (A)", "% FLA", "Time (s)"};
}

void CustomCurveList::Append(const std::string& key, const std::string& time) {
  CustomRow row{{}, key, time};
  if (kind_ == CustomCurveKind::Motor) {
    const auto k = ParseNumber(key);
    row.amperes = k ? FormatFixed(*k * fla_ / 100, 2) : std::string();
  }
  if (rows_.empty()) {
    rows_.push_back(std::move(row));
  } else if (rows_[0].key.empty() || rows_[0].time.empty()) {
    rows_[0] = std::move(row);
  } else {
    rows_.push_back(std::move(row));
  }
  saved_ = false;
}

void CustomCurveList::SelectFirst(const std::string& key, const std::string& time) {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].key == key && rows_[i].time == time) {
      selected_ = static_cast<int>(i) + 1;
      return;
    }
  }
}

void CustomCurveList::AddPoint(double key, double time) {
  const std::string k = FormatFixed(key, 2);
  const std::string t = FormatFixed(time, 3);
  Append(k, t);
  NormaliseCustomList();
  SelectFirst(k, t);
}

bool CustomCurveList::Select(int row) {
  if (row <= 0) {
    selected_ = 1;
    return false;
  }
  if (row > static_cast<int>(rows_.size())) return false;
  const CustomRow& r = rows_[static_cast<std::size_t>(row - 1)];
  if (r.key.empty() || r.time.empty()) return false;
  selected_ = row;
  return true;
}

void CustomCurveList::EditPoint(double key, double time) {
  const std::string k = FormatFixed(key, 2);
  const std::string t = FormatFixed(time, 3);
  if (rows_.empty()) rows_.emplace_back();
  const std::size_t i =
      static_cast<std::size_t>(std::clamp(selected_, 1, static_cast<int>(rows_.size())) - 1);
  rows_[i].key = k;
  rows_[i].time = t;
  saved_ = false;
  NormaliseCustomList();
  SelectFirst(k, t);
}

void CustomCurveList::DeletePoint() {
  if (selected_ >= 1 && selected_ <= static_cast<int>(rows_.size()))
    rows_[static_cast<std::size_t>(selected_ - 1)] = {};
  NormaliseCustomList();
  saved_ = false;
}

void CustomCurveList::ClearAll() {
  rows_.clear();
  NormaliseCustomList();
}

void CustomCurveList::NormaliseCustomList() {
  struct Keyed {
    double key, time;
    CustomRow row;
  };
  std::vector<Keyed> kept;
  kept.reserve(rows_.size());
  for (CustomRow& r : rows_) {
    const auto k = ParseNumber(r.key);
    const auto t = ParseNumber(r.time);
    if (!k || !t) continue;  // empty or unreadable: cannot be drawn
    kept.push_back({*k, *t, std::move(r)});
  }
  // Equal key numbers written differently keep apart by their texts, so that
  // the order is total; equal key texts list the longer time first.
  std::stable_sort(kept.begin(), kept.end(), [](const Keyed& a, const Keyed& b) {
    return std::tie(a.key, a.row.key) < std::tie(b.key, b.row.key) ||
           (a.key == b.key && a.row.key == b.row.key && a.time > b.time);
  });
  rows_.clear();
  series_.points.clear();
  for (Keyed& k : kept) {
    if (!rows_.empty() && rows_.back().key == k.row.key && rows_.back().time == k.row.time)
      continue;
    if (kind_ == CustomCurveKind::Motor) k.row.amperes = FormatFixed(k.key * fla_ / 100, 2);
    series_.points.push_back({k.key, k.time});
    rows_.push_back(std::move(k.row));
  }
  selected_ = std::clamp(selected_, 1, std::max(1, static_cast<int>(rows_.size())));
}

void CustomCurveList::LinearInterpolation(bool logCurrentAxis) {
  const bool logLog = kind_ == CustomCurveKind::Feeder || logCurrentAxis;
  const std::size_t count = rows_.size();
  for (std::size_t r = 0; r + 1 < count; ++r) {
    const auto i1 = ParseNumber(rows_[r].key), t1 = ParseNumber(rows_[r].time);
    const auto i2 = ParseNumber(rows_[r + 1].key), t2 = ParseNumber(rows_[r + 1].time);
    if (!i1 || !t1 || !i2 || !t2) continue;
    // Logarithms of times (and, on log-log, of currents) need positive values.
    if (!(*t1 > 0) || !(*t2 > 0) || (logLog && (!(*i1 > 0) || !(*i2 > 0)))) continue;
    const std::int64_t first = Whole(*i1 * 100 + 0.5);
    const std::int64_t last = Whole(*i2 * 100 + 0.5);
    if (!(first < Whole((*i2 - StepHundredths(kind_, *i1) / 100.0) * 100 + 0.5))) continue;
    const double b = std::log(*t1 / *t2) / std::log(*i1 / *i2);
    const double s = (std::log10(*t1) - std::log10(*t2)) / (*i2 - *i1);
    for (std::int64_t c = first; c <= last;) {
      const double i = static_cast<double>(c) / 100;
      const double t = logLog ? std::exp(std::log(*t1) - std::log(*i1 / i) * b)
                              : std::pow(10.0, std::log10(*t1) - (i - *i1) * s);
      Append(FormatFixed(i, 2), FormatFixed(t, 3));
      c += StepHundredths(kind_, i);
    }
  }
  NormaliseCustomList();
}

ImportResult CustomCurveList::Import(const std::filesystem::path& path) {
  const auto& noFile = kind_ == CustomCurveKind::Feeder ? kFeederImportError : kMotorImportError;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return Refused(noFile);
  if (std::filesystem::file_size(path, ec) > kMaxImportBytes || ec)
    return Refused({"The file is too large for a custom curve."});
  std::ifstream in(path, std::ios::binary);
  if (!in) return Refused(noFile);
  std::ostringstream buf;
  buf << in.rdbuf();
  const std::string text = buf.str();
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  ImportResult r = kind_ == CustomCurveKind::Feeder ? ImportFeeder(lines) : ImportMotor(lines);
  if (r.ok) {
    saved_ = true;
    NormaliseCustomList();
    selected_ = 1;
  }
  return r;
}

ImportResult CustomCurveList::ImportFeeder(const std::vector<std::string>& lines) {
  std::size_t i = 0;
  while (i < lines.size() && !IsHeader(lines[i], "CURRENT")) ++i;
  if (i == lines.size()) return Refused(kFeederImportError);
  std::vector<CustomRow> read;
  for (++i; i < lines.size(); ++i) {
    if (IsBlank(lines[i])) continue;
    const auto [current, time] = TwoFields(lines[i]);
    const auto c = ParseNumber(current), t = ParseNumber(time);
    if (!c || !t) return BadLine(lines, i);
    read.push_back({{}, FormatFixed(*c, 2), FormatFixed(*t, 2)});
  }
  rows_ = std::move(read);
  return {true, {}, {}, 0};
}

ImportResult CustomCurveList::ImportMotor(const std::vector<std::string>& lines) {
  // Format A: a curve table this program family wrote, % FLA in field 1 and
  // the time in field 5.
  if (lines.size() >= 2 && StartsWith(lines[0], "This file was created by") &&
      StartsWith(lines[1], "FLA%")) {
    std::vector<CustomRow> read;
    bool whole = true;
    for (std::size_t i = 2; i < lines.size() && whole; ++i) {
      const std::string& l = lines[i];
      std::size_t tab = 0;
      int tabs = 0;
      std::size_t fourth = std::string::npos;
      for (std::size_t p = 0; p < l.size(); ++p) {
        if (l[p] != '\t') continue;
        if (++tabs == 4) fourth = p;
      }
      tab = l.find('\t');
      const auto percent = ParseInteger(l.substr(0, tab));
      if (!percent || fourth == std::string::npos || fourth + 1 >= l.size()) {
        whole = false;
        break;
      }
      const std::size_t fifth = l.find('\t', fourth + 1);
      const std::string field5 = fifth == std::string::npos
                                     ? std::string()
                                     : Trimmed(l.substr(fourth + 1, fifth - fourth - 1));
      read.push_back({{}, std::to_string(*percent), ParseNumber(field5) ? field5 : std::string()});
    }
    if (whole) {
      rows_ = std::move(read);
      for (CustomRow& r : rows_) {
        const auto k = ParseNumber(r.key);
        r.amperes = k ? FormatFixed(*k * fla_ / 100, 2) : std::string();
      }
      return {true, {}, {}, 0};
    }
  }
  // Format B: a "% FLA" / "TIME" header, then one point per line.
  std::size_t i = 0;
  while (i < lines.size() && !IsHeader(lines[i], "% FLA")) ++i;
  if (i == lines.size()) return Refused(kMotorImportError);
  std::vector<CustomRow> read;
  for (++i; i < lines.size(); ++i) {
    if (IsBlank(lines[i])) continue;
    const auto [percent, time] = TwoFields(lines[i]);
    const auto p = ParseNumber(percent), t = ParseNumber(time);
    if (!p || !t) return BadLine(lines, i);
    read.push_back({FormatFixed(*p * fla_ / 100, 2), FormatFixed(*p, 2), FormatFixed(*t, 3)});
  }
  rows_ = std::move(read);
  return {true, {}, {}, 0};
}

std::vector<std::string> CustomCurveList::SectionLines() const {
  std::vector<std::string> lines = {"Custom Curve Data Points", kind_ == CustomCurveKind::Feeder
                                                                    ? "CURRENT\tTIME"
                                                                    : "% FLA\tTIME"};
  for (const CustomRow& r : rows_) {
    if (r.key.empty() || r.time.empty()) continue;
    lines.push_back(r.key + " \t" + r.time);
  }
  return lines;
}

}  // namespace kvx
