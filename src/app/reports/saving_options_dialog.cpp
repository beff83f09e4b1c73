#include "app/reports/saving_options_dialog.h"

#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kvx {

SavingOptionsDialog::SavingOptionsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Saving_textF"));
  setWindowTitle(QStringLiteral("Saving Options"));
  // A caption and nothing else: no close, minimise or help buttons.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  auto* layout = new QVBoxLayout(this);
  all_ = new QRadioButton(QStringLiteral("Save All Settings"), this);
  all_->setObjectName(QStringLiteral("all_RB"));
  all_->setChecked(true);
  displayed_ = new QRadioButton(QStringLiteral("Save Displayed Settings"), this);
  displayed_->setObjectName(QStringLiteral("displayed_RB"));
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("OK_B"));
  ok->setDefault(true);
  layout->addWidget(all_);
  layout->addWidget(displayed_);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  connect(ok, &QPushButton::clicked, this, [this] {
    confirmed_ = true;
    accept();
  });
  setFixedSize(sizeHint().expandedTo(QSize(240, 120)));
}

ReportChoice SavingOptionsDialog::Choice() const {
  return confirmed_ && displayed_->isChecked() ? ReportChoice::DisplayedSettings
                                               : ReportChoice::AllSettings;
}

}  // namespace kvx
