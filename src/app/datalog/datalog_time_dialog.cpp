#include "app/datalog/datalog_time_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "app/controls/bw_spin_edit.h"
#include "app/dialogs/message_box.h"
#include "monitor/data_log.h"

namespace kvx {

DatalogTimeDialog::DatalogTimeDialog(QWidget* owner, const UserColors& colors, int periodMs,
                                     int minimumPeriodMs)
    : QDialog(owner, FixedDialogFlags(false)) {
  setObjectName(QStringLiteral("TDatalogTimeF"));
  setWindowTitle(QStringLiteral("Datalog Time"));
  setFixedSize(240, 110);
  PaintFace(this, colors.background);
  auto* label = new QLabel(QStringLiteral("Datalog Period"), this);
  label->setGeometry(16, 18, 100, 22);
  const int minimumSeconds = std::max(minimumPeriodMs, kDataLogMinPeriodMs) / 1000;
  spin_ = new SpinEdit(this);
  spin_->setObjectName(QStringLiteral("period_SE"));
  spin_->setUnits(QStringLiteral(" s"));
  spin_->setIncrement(1);
  spin_->setMin(minimumSeconds);
  spin_->setMax(kDataLogMaxPeriodSeconds);
  spin_->setPrecision(0);
  spin_->setColor(colors.editbox);
  spin_->setValue(std::max(periodMs / 1000, minimumSeconds));
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

int DatalogTimeDialog::PeriodMs() const {
  return static_cast<int>(spin_->Value() * 1000.0);
}

void DatalogTimeDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOn(this, parentWidget());
}

}  // namespace kvx
