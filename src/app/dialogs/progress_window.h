#pragma once
// ProgressDialog: a small window with one progress bar, shown without waiting
// while a long operation runs; every new position is painted at once. Its
// Cancel button (and Escape) asks the operation to stop; the window stays
// until the operation has reached a point where it can stop.

#include <QDialog>

class QProgressBar;
class QPushButton;

namespace kvx {

class ProgressDialog : public QDialog {
  Q_OBJECT

 public:
  ProgressDialog(QWidget* owner, int maximum, const QString& caption = QString());

  void setPosition(int position);
  QProgressBar* bar() const { return bar_; }
  QPushButton* cancelButton() const { return cancel_; }

 signals:
  void cancelRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;  // Escape and the close box: a cancel request, not a close

 private:
  QProgressBar* bar_;
  QPushButton* cancel_;
};

}  // namespace kvx
