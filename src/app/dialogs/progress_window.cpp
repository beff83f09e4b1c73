#include "app/dialogs/progress_window.h"

#include <QProgressBar>
#include <QPushButton>

#include "app/dialogs/message_box.h"

namespace kvx {

ProgressDialog::ProgressDialog(QWidget* owner, int maximum, const QString& caption)
    : QDialog(owner, FixedDialogFlags(true)) {
  setObjectName(QStringLiteral("TProgressF"));
  setWindowTitle(caption.isEmpty() ? QStringLiteral("Work In Progress") : caption);
  setFixedSize(425, 100);
  bar_ = new QProgressBar(this);
  bar_->setGeometry(16, 18, 425 - 32, 24);
  bar_->setRange(0, maximum);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("Cancel_B"));
  cancel_->setGeometry(425 - 16 - 80, 58, 80, 26);
  connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
}

void ProgressDialog::reject() {
  cancel_->setEnabled(false);
  cancel_->setText(QStringLiteral("Stopping"));
  emit cancelRequested();
}

void ProgressDialog::setPosition(int position) {
  bar_->setValue(position);
  repaint();
}

void ProgressDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOn(this, parentWidget());
}

}  // namespace kvx
