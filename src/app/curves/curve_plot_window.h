#pragma once
// CurvePlotWindow: what the feeder and the motor curve windows share, both
// captioned "Protection Curves": the chart, the buttons under the pages, the
// entry check with its fading message, the title box, the coordinates box
// that follows the mouse, the axis panel, the points file and the picture
// export. The relay and the setting table are the opener's: "Apply Changes"
// calls `applyChanges`, and the values go back through the record.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "app/curves/curve_printing.h"
#include "app/curves/print_wait_window.h"
#include "app/frame/user_colors.h"
#include "curves/curve_common.h"
#include "shell/user_dialogs.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTimer;
class QMouseEvent;
class QPrinter;

namespace kvx {

class CurveChart;
class CustomCurvePage;
class SpinEdit;

inline constexpr const char* kCurveWindowCaption = "Protection Curves";
inline constexpr int kEntryMessageHeight = 24;
inline constexpr int kEntryMessageShowMs = 5000;
inline constexpr int kEntryMessageFadeMs = 25;

class CurvePlotWindow : public QDialog {
  Q_OBJECT

 public:
  explicit CurvePlotWindow(QWidget* parent = nullptr);
  ~CurvePlotWindow() override;

  CurveChart* chart() const { return chart_; }
  QTabWidget* pages() const { return pages_; }
  QLabel* entryMessage() const { return message_; }
  QLabel* coordinatesBox() const { return coordinates_; }
  QLineEdit* titleBox() const { return titleBox_; }
  // Set after a parameter change; cleared by a successful "Apply Changes".
  bool pending() const { return pending_; }

  // Applies the window's record to the relay (the opener's password gate,
  // writes and read-backs); true when every value got through.
  std::function<bool()> applyChanges;
  // The save dialog (title, filter, proposed name); empty for Cancel.
  // Tests answer it themselves.
  std::function<QString(const QString& title, const QString& filter, const QString& proposed)>
      askSaveFile;
  // The printer dialog: sets `printer` up (orientation preset) and returns
  // false for Cancel. Tests print to a PDF file instead.
  std::function<bool(QPrinter& printer)> choosePrinter;
  // Messages and questions; the program's message box when null.
  void setDialogs(UserDialogs* dialogs) { dialogs_ = dialogs; }

  // "Apply Changes", "Close", "Save Points", "Save Chart As": what the
  // buttons run, public for the opener and tests.
  bool ApplyChanges();
  // Writes the points file to `path` (a chosen file); false with a message
  // saying why when it cannot be written.
  bool WritePointsFile(const QString& path);
  void SavePoints();
  bool SaveChartAs(const QString& path, QString& error);
  // "Print Curves": the window's picture on one landscape page, with the
  // chart title and the date shown and the buttons hidden meanwhile. The
  // window looks exactly as before afterwards, whatever happened.
  bool PrintCurves();
  // "Print Points" of the Data Points page on show (portrait).
  bool PrintPoints();
  // What each window shows in its printed picture instead of its controls
  // (on), and back (off).
  virtual void SetPrintLayout(bool printing) { (void)printing; }
  QLabel* dateLabel() const { return dateLabel_; }
  // The "Printing..." window while a chart picture is printed (null otherwise,
  // and again at the first tick after the printout is done).
  PrintWaitWindow* printWait() const { return printWait_; }
  bool printing() const { return printing_; }
  // The client area the window takes for its printed picture: 1400 x 1200,
  // or its minimum plus 50 pixels where its contents need more.
  QSize PrintPictureSize() const;
  static constexpr QSize kPrintPicture{1400, 1200};
  QFrame* axisPanel() const { return axisPanel_; }
  // "Change Axis" and the panel's "Apply" as the buttons run them.
  void OpenAxisPanel();
  void ApplyAxisPanel();
  // The decade an axis list preselects for `limit`.
  static double DecadeAtOrBelow(double limit);
  // The "Change Axis" panel's Apply with the two pairs as typed; false (and
  // nothing applied) when a pair is equal.
  bool ApplyAxisLimits(double time1, double time2, double current1, double current2);
  // The time to redraw every series after a parameter change, in ms (the
  // last one), for the benchmark.
  double lastRebuildMs() const { return lastRebuildMs_; }
  // A click on the chart at (current, time): adds a custom point when the
  // custom page is on show, the coordinates box too, the display switch is
  // ticked and the point lies within the add panel's limits. True if added.
  bool ClickChart(double current, double time);
  // Runs the entry check of `box` as a change of its value does.
  void EntryChanged(SpinEdit* box);

 protected:
  // Builds the frame: pages at the left, the chart at the right, the
  // buttons under the pages. Call from the subclass's constructor.
  void BuildFrame();
  void AddPage(QWidget* page, const QString& caption);
  // A number box of the entry check: limits one outside the setting's range.
  SpinEdit* MakeNumberBox(QWidget* parent);
  void SetBoxRange(SpinEdit* box, const std::string& minText, const std::string& maxText,
                   const std::string& value);
  void ShowEntryMessage(const QString& text, bool restart);
  void FillGrid(QTableWidget* grid, const PointsTable& table);
  QTableWidget* MakeGrid(QWidget* parent, const QString& objectName);
  void Tell(const std::string& caption, const std::string& text);
  MessageResult Ask(const std::string& caption, const std::string& text, MessageKind kind);
  void MarkPending() { pending_ = true; }
  void ClearPending() { pending_ = false; }
  void ApplyWindowColors(const UserColors& colors);
  // The user colours on `root` and everything in it: group boxes, panels and
  // grid cells the panel colour, number boxes and lists the edit colour,
  // grid headers and read-only boxes the fixed-cell colour.
  void PaintColors(QWidget* root);
  const UserColors& colors() const { return colors_; }
  void NoteRebuildTime(double ms) { lastRebuildMs_ = ms; }

  // What each window supplies.
  virtual void RebuildAndDraw() = 0;  // the model, then the chart
  virtual void CopyToRecord() = 0;    // the values into the record
  virtual std::vector<std::string> PointsFileLines() = 0;
  virtual void MarkCustomSaved() = 0;
  virtual bool CustomUnsaved() const = 0;
  virtual ChartAxes AxesInForce() const = 0;
  virtual void SetHeldAxes(const ChartAxes& axes) = 0;  // from the axis panel
  virtual bool RestartsMessage() const = 0;             // the motor restarts the fading panel
  // The Data Points page on show, as a printout.
  virtual PointsPrintout PointsToPrint() = 0;

  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  CurveChart* chart_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QWidget* side_ = nullptr;  // beside the chart (feeder) or above it
  QPushButton* printCurves_ = nullptr;
  QPushButton* applyButton_ = nullptr;
  QPushButton* closeButton_ = nullptr;
  QPushButton* changeAxis_ = nullptr;
  QPushButton* saveChart_ = nullptr;
  QLabel* titleLabel_ = nullptr;
  QLineEdit* titleBox_ = nullptr;
  QLabel* coordinates_ = nullptr;
  QLabel* message_ = nullptr;
  QTimer* fadeTimer_ = nullptr;
  QFrame* axisPanel_ = nullptr;
  QCheckBox* holdAxis_ = nullptr;
  QDoubleSpinBox* axisEdits_[4] = {};
  QComboBox* axisLists_[4] = {};  // the feeder's decades, in the same order
  // The feeder picks the limits from decade lists, the motor types them.
  void UseDecadeLists(bool lists);
  QLabel* dateLabel_ = nullptr;
  CustomCurvePage* customPage_ =
      nullptr;  // built by the subclass  // time max, time min, current max, current min

 private:
  void OnClose();
  void OnFadeTick();
  void OnSaveChartAs();
  void OnTitleEntered();
  void FollowMouse(QMouseEvent* event);
  void PlaceOverlays();
  bool FinishClose();

  UserDialogs* dialogs_ = nullptr;
  bool pending_ = false;
  bool closing_ = false;
  bool decadeLists_ = false;
  bool printing_ = false;
  UserColors colors_;
  QPointer<PrintWaitWindow> printWait_;
  double lastRebuildMs_ = 0;
};

}  // namespace kvx
