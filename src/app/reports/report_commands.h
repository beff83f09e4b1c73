#pragma once
// The File menu's report, comparison and revision commands: Save as Text
// (with its Saving Options), Print (also the setpoint page's button),
// Compare Files and Change File Revision. Lives as a child of the window.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "reports/setpoint_report.h"

class QPrinter;

namespace kvx {

class MainWindow;
class CompareFilesWindow;

class ReportCommands : public QObject {
  Q_OBJECT

 public:
  explicit ReportCommands(MainWindow& window);

  void SaveAsText();
  void Print();
  void CompareFiles();
  void ChangeRevision();

  // The window's report commands (the one its menus are wired to).
  static ReportCommands* Of(MainWindow& window);
  // The Compare Files window, made at its first use and kept.
  CompareFilesWindow& compareWindow();

  // Tests answer these themselves: the Saving Options dialog and the print
  // dialog (false: cancelled).
  std::function<ReportChoice()> askSavingOption;
  std::function<bool(QPrinter& printer)> askPrinter;
  // Today in the short date form (tests fix it).
  std::function<QString()> today;

 private:
  QString Today() const;
  bool DefinitionsLoaded();
  void SaveAsTextLocked(ReportChoice choice, const QString& path);

  MainWindow& window_;
  CompareFilesWindow* compare_ = nullptr;  // made at its first use, kept
};

}  // namespace kvx
