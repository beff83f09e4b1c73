#include "app/dialogs/seconds_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "app/controls/bw_spin_edit.h"
#include "app/dialogs/message_box.h"

namespace kvx {

SecondsDialog::SecondsDialog(QWidget* owner, const UserColors& colors,
                             const SecondsDialogText& text, double minSeconds, double maxSeconds,
                             double seconds)
    : QDialog(owner, FixedDialogFlags(false)) {
  setObjectName(QString::fromLatin1(text.objectName));
  setWindowTitle(QString::fromLatin1(text.caption));
  setFixedSize(240, 110);
  PaintFace(this, colors.background);
  auto* label = new QLabel(QString::fromLatin1(text.label), this);
  label->setGeometry(16, 18, 100, 22);
  spin_ = new SpinEdit(this);
  spin_->setUnits(QStringLiteral(" s"));
  spin_->setIncrement(1);
  spin_->setMin(minSeconds);
  spin_->setMax(maxSeconds);
  spin_->setPrecision(0);
  spin_->setColor(colors.editbox);
  spin_->setValue(seconds);
  spin_->setGeometry(120, 18, 100, 22);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setGeometry(30, 66, 80, 26);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setGeometry(130, 66, 80, 26);
  connect(ok, &QPushButton::clicked, this, [this] {
    spin_->ReadValue();
    QDialog::accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int SecondsDialog::Milliseconds() const {
  return static_cast<int>(spin_->Value() * 1000.0);
}

void SecondsDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOn(this, parentWidget());
}

}  // namespace kvx
