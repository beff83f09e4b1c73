#pragma once
// The small "Printing..." window shown while a chart picture goes to the
// printer: a row of dots that keeps growing so the user sees the program
// is still at work while the window is enlarged for the printout.

#include <QDialog>
#include <QTimer>
#include <functional>

class QLabel;

namespace kvx {

class PrintWaitWindow : public QDialog {
  Q_OBJECT
 public:
  // `printing` is asked at every tick; the window closes itself at the
  // first tick at which it answers false.
  PrintWaitWindow(QWidget* parent, std::function<bool()> printing);

  static constexpr int kTickMs = 100;
  static constexpr int kMaxDots = 26;

  // "Please Wait" and the dots after `ticks` ticks: one dot more per tick,
  // back to one after the longest row.
  static QString WaitLine(int ticks);
  QString waitText() const;
  // One tick of the timer, as the timer runs it.
  void Tick();

 private:
  std::function<bool()> printing_;
  QLabel* wait_ = nullptr;
  QTimer timer_;
  int ticks_ = 0;
};

}  // namespace kvx
