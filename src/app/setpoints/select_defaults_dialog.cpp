#include "app/setpoints/select_defaults_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/dialogs/message_box.h"

namespace kvx {

SelectDefaultsDialog::SelectDefaultsDialog(QWidget* owner, const UserColors& colors,
                                           std::filesystem::path folder)
    : QDialog(owner, FixedDialogFlags(false)), folder_(std::move(folder)) {
  setObjectName(QStringLiteral("TSelectDefaultsF"));
  setWindowTitle(QStringLiteral("Select Defaults File"));
  setFixedSize(330, 250);
  PaintFace(this, colors.background);
  auto* typeBox = new QGroupBox(QStringLiteral("Relay Type"), this);
  typeBox->setGeometry(10, 8, 150, 190);
  modelList_ = new QListWidget(typeBox);
  modelList_->setObjectName(QStringLiteral("model_LB"));
  modelList_->setGeometry(8, 20, 134, 162);
  auto* versionBox = new QGroupBox(QStringLiteral("Firmware Version"), this);
  versionBox->setGeometry(170, 8, 150, 190);
  versionList_ = new QListWidget(versionBox);
  versionList_->setObjectName(QStringLiteral("version_LB"));
  versionList_->setGeometry(8, 20, 134, 162);
  PaintBase(modelList_, colors.editbox);
  PaintBase(versionList_, colors.editbox);
  fileNameLabel_ = new QLabel(this);
  fileNameLabel_->setObjectName(QStringLiteral("filename_L"));
  fileNameLabel_->hide();
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setGeometry(70, 210, 80, 26);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setGeometry(180, 210, 80, 26);
  for (std::string_view name : DefaultsDialogModels()) {
    modelList_->addItem(QString::fromUtf8(name.data(), static_cast<int>(name.size())));
  }
  modelList_->setCurrentRow(0);
  FillVersions();
  connect(modelList_, &QListWidget::currentRowChanged, this, [this] { FillVersions(); });
  connect(versionList_, &QListWidget::itemDoubleClicked, this, [this] { Choose(); });
  connect(ok, &QPushButton::clicked, this, [this] { Choose(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void SelectDefaultsDialog::FillVersions() {
  versionList_->clear();
  versions_.clear();
  const QListWidgetItem* item = modelList_->currentItem();
  if (!item) return;
  const auto model = FindUnitModelByName(item->text().toStdString());
  if (!model) return;
  versions_ = ListDefinitionVersions(folder_, *model);
  for (const DefinitionVersion& v : versions_)
    versionList_->addItem(QString::fromStdString(v.text));
  versionList_->setCurrentRow(0);
}

void SelectDefaultsDialog::Choose() {
  const int row = versionList_->currentRow();
  // With no file listed OK still closes; the caller's load then fails.
  fileNameLabel_->setText(
      row >= 0 && row < static_cast<int>(versions_.size())
          ? QString::fromStdString(versions_[static_cast<std::size_t>(row)].path.string())
          : QString());
  accept();
}

QString SelectDefaultsDialog::FileName() const {
  return result() == QDialog::Accepted ? fileNameLabel_->text() : QString();
}

void SelectDefaultsDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOn(this, parentWidget());
}

}  // namespace kvx
