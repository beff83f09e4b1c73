#pragma once
// The user's own curve laid over a relay's curves: an ordered list of points
// held as the texts the grid shows (feeder: amperes; motor: % FLA with the
// amperes beside them), its series, interpolation, import and the custom
// section of the points file.

#include <filesystem>
#include <string>
#include <vector>

#include "curves/curve_common.h"

namespace kvx {

enum class CustomCurveKind { Feeder, Motor };

struct CustomRow {
  std::string amperes;  // motor only: key x FLA / 100, two decimals
  std::string key;      // feeder: current (A); motor: % FLA
  std::string time;     // seconds
};

struct EntryLimits {
  double min = 0;
  double max = 0;
};
// The add panel's limits, which a click on the chart must lie within too.
EntryLimits AddKeyLimits(CustomCurveKind kind);
EntryLimits AddTimeLimits(CustomCurveKind kind);

struct ImportResult {
  bool ok = false;
  std::string caption;             // "Import Error" when refused
  std::vector<std::string> lines;  // the message, one text per line
  int badLine = 0;                 // 1-based line of the file that was refused, 0 if none
};

class CustomCurveList {
 public:
  explicit CustomCurveList(CustomCurveKind kind);

  CustomCurveKind kind() const { return kind_; }
  // Data rows; the grid's row 1 is rows()[0]. Empty: the grid shows one empty row.
  const std::vector<CustomRow>& rows() const { return rows_; }
  std::vector<std::string> Header() const;
  // Rows of the grid including the header, at least two.
  int GridRowCount() const { return static_cast<int>(rows_.size()) + (rows_.empty() ? 2 : 1); }
  const CurveSeries& series() const { return series_; }
  CurveSeries& series() { return series_; }  // the window sets `active` (display switch)
  int selectedRow() const { return selected_; }
  bool saved() const { return saved_; }

  // Motor: the FLA (A) the amperes column is rewritten from at each normalisation.
  void SetFla(double fla) { fla_ = fla; }

  // A point as two texts into row 1 when that row is empty, else a new last row.
  void Append(const std::string& key, const std::string& time);
  // "Add Point" and a click on the chart: formatted, appended, normalised, selected.
  void AddPoint(double key, double time);
  // Row 0 is refused (row 1 becomes selected); returns whether `row` was taken.
  bool Select(int row);
  // Opening the edit panel counts as a change.
  void BeginEdit() { saved_ = false; }
  // "OK" of the edit panel: the selected row takes the new point.
  void EditPoint(double key, double time);
  void DeletePoint();
  void ClearAll();
  // Fills points between neighbours along a straight line on the chart:
  // log-log for the feeder and the motor's logarithmic current axis, else a
  // logarithmic time over a linear current.
  void LinearInterpolation(bool logCurrentAxis = true);
  // Reads a tab-delimited file. Nothing changes unless the whole file is read.
  ImportResult Import(const std::filesystem::path& path);
  // Orders by ascending key (equal keys by descending time), drops empty,
  // unreadable and duplicate rows, rewrites the motor amperes and the series.
  void NormaliseCustomList();

  void MarkSaved() { saved_ = true; }
  // The close question is due: row 1 holds a point and the list is not saved.
  bool HasUnsavedPoints() const { return !rows_.empty() && !saved_; }
  // "Custom Curve Data Points", the header, one line per point.
  std::vector<std::string> SectionLines() const;

 private:
  ImportResult ImportFeeder(const std::vector<std::string>& lines);
  ImportResult ImportMotor(const std::vector<std::string>& lines);
  void SelectFirst(const std::string& key, const std::string& time);

  CustomCurveKind kind_;
  std::vector<CustomRow> rows_;
  CurveSeries series_;
  double fla_ = 0;
  int selected_ = 1;
  bool saved_ = false;
};

}  // namespace kvx
