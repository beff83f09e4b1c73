#include "app/setpoints/select_defaults_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/dialogs/message_box.h"

namespace kvx {

TSelectDefaultsF::TSelectDefaultsF(QWidget* owner, const UserColors& colors,
                                   std::filesystem::path folder)
    : QDialog(owner, FixedDialogFlags(false)), folder_(std::move(folder)) {
  setWindowTitle(QStringLiteral("Select Defaults File"));
  setFixedSize(330, 250);
  PaintFace(this, colors.background);
  auto* typeBox = new QGroupBox(QStringLiteral("Relay Type"), this);
  typeBox->setGeometry(10, 8, 150, 190);
  model_LB = new QListWidget(typeBox);
  model_LB->setObjectName(QStringLiteral("model_LB"));
  model_LB->setGeometry(8, 20, 134, 162);
  auto* versionBox = new QGroupBox(QStringLiteral("Firmware Version"), this);
  versionBox->setGeometry(170, 8, 150, 190);
  version_LB = new QListWidget(versionBox);
  version_LB->setObjectName(QStringLiteral("version_LB"));
  version_LB->setGeometry(8, 20, 134, 162);
  PaintBase(model_LB, colors.editbox);
  PaintBase(version_LB, colors.editbox);
  filename_L = new QLabel(this);
  filename_L->setObjectName(QStringLiteral("filename_L"));
  filename_L->hide();
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setGeometry(70, 210, 80, 26);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setGeometry(180, 210, 80, 26);
  for (std::string_view name : DefaultsDialogModels()) {
    model_LB->addItem(QString::fromUtf8(name.data(), static_cast<int>(name.size())));
  }
  model_LB->setCurrentRow(0);
  FillVersions();
  connect(model_LB, &QListWidget::currentRowChanged, this, [this] { FillVersions(); });
  connect(version_LB, &QListWidget::itemDoubleClicked, this, [this] { Choose(); });
  connect(ok, &QPushButton::clicked, this, [this] { Choose(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TSelectDefaultsF::FillVersions() {
  version_LB->clear();
  versions_.clear();
  const QListWidgetItem* item = model_LB->currentItem();
  if (!item) return;
  const auto model = FindUnitModelByName(item->text().toStdString());
  if (!model) return;
  versions_ = ListDefinitionVersions(folder_, *model);
  for (const DefinitionVersion& v : versions_) version_LB->addItem(QString::fromStdString(v.text));
  version_LB->setCurrentRow(0);
}

void TSelectDefaultsF::Choose() {
  const int row = version_LB->currentRow();
  // With no file listed OK still closes; the caller's load then fails.
  filename_L->setText(
      row >= 0 && row < static_cast<int>(versions_.size())
          ? QString::fromStdString(versions_[static_cast<std::size_t>(row)].path.string())
          : QString());
  accept();
}

QString TSelectDefaultsF::FileName() const {
  return result() == QDialog::Accepted ? filename_L->text() : QString();
}

void TSelectDefaultsF::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOn(this, parentWidget());
}

}  // namespace kvx
