#pragma once
// TProgressF: a small window with one progress bar, shown without waiting
// while a long operation runs; every new position is painted at once.

#include <QDialog>

class QProgressBar;

namespace kvx {

class TProgressF : public QDialog {
  Q_OBJECT

 public:
  TProgressF(QWidget* owner, int maximum, const QString& caption = QString());

  void setPosition(int position);
  QProgressBar* bar() const { return bar_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QProgressBar* bar_;
};

}  // namespace kvx
