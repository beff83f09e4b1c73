#pragma once
// "Compare Files": two setting files side by side, the settings in which
// they differ listed in an eight-column grid; saved as a tab-separated text
// or printed. While online, "Compare with Unit" puts the relay's settings
// (read on the link worker, with progress and Cancel) on the left.

#include <QDialog>
#include <QString>
#include <functional>

#include "app/frame/user_colors.h"
#include "setpoints/file_compare.h"

class QLabel;
class QPrinter;
class QPushButton;
class QTableWidget;

namespace kvx {

class MainWindow;

class CompareFilesWindow : public QDialog {
  Q_OBJECT

 public:
  explicit CompareFilesWindow(MainWindow& window);

  void ApplyColors(const UserColors& colors);
  // "Compare with Unit" only while online.
  void RenderOnline();

  // Side 0 (left) or 1 (right): the open dialog, then the comparison once
  // both sides are chosen.
  void SelectFile(int side);
  void CompareWithUnit();
  void Save();
  void Print();

  const CompareGrid& grid() const { return grid_; }
  QTableWidget* gridWidget() const { return table_; }

  // Tests answer these themselves: the open dialog of a side (empty:
  // cancelled), the print dialog (false: cancelled), and how the window is
  // shown (default: modally).
  std::function<QString(int side)> askFile;
  std::function<bool(QPrinter& printer)> askPrinter;
  std::function<void()> showModal;
  std::function<QString()> today;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Chosen(int side, const QString& name);
  void RunComparison();
  void RenderGrid();
  void LayOutGrid();
  bool ReadSide(int side, CompareSide& out);
  QString Today() const;

  MainWindow& window_;
  UserColors colors_;
  QString path_[2];
  QString name_[2];
  bool leftIsUnit_ = false;
  CompareSide unitSide_;
  CompareGrid grid_;

  QPushButton* change_[2] = {nullptr, nullptr};  // change1_B, change2_B
  QLabel* file_[2] = {nullptr, nullptr};         // file1_L, file2_L
  QPushButton* tip_[2] = {nullptr, nullptr};     // tip1_P, tip2_P
  QLabel* hint_ = nullptr;                       // hint_P
  QTableWidget* table_ = nullptr;                // StringGrid1
  QPushButton* unit_ = nullptr;                  // unit_B
};

}  // namespace kvx
