#include "app/progress_window.h"

#include <QProgressBar>

#include "app/message_box.h"

namespace kvx {

TProgressF::TProgressF(QWidget* owner, int maximum, const QString& caption)
    : QDialog(owner, FixedDialogFlags(true)) {
  setWindowTitle(caption.isEmpty() ? QStringLiteral("Work In Progress") : caption);
  setFixedSize(425, 70);
  bar_ = new QProgressBar(this);
  bar_->setGeometry(16, 22, 425 - 32, 24);
  bar_->setRange(0, maximum);
  bar_->setValue(0);
  bar_->setTextVisible(false);
}

void TProgressF::setPosition(int position) {
  bar_->setValue(position);
  repaint();
}

void TProgressF::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOn(this, parentWidget());
}

}  // namespace kvx
