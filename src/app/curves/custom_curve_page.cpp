#include "app/curves/custom_curve_page.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "curves/custom_curve.h"
#include "setpoints/number_text.h"

namespace kvx {

CustomCurvePage::CustomCurvePage(CustomCurveList& list, QWidget* parent)
    : QWidget(parent), list_(list) {
  setObjectName(QStringLiteral("Custom_Tab"));
  auto* layout = new QGridLayout(this);
  display_ = new QCheckBox(QStringLiteral("Display Custom Curve and enable clickable Graph"), this);
  display_->setObjectName(QStringLiteral("custom_curve_CB"));
  display_->setToolTip(
      QStringLiteral("Custom Curve can only be viewed with the Current (A) axis."));
  layout->addWidget(display_, 0, 0, 1, 4);
  grid_ = new QTableWidget(this);
  grid_->setObjectName(QStringLiteral("Custom_Grid"));
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 4);
  layout->addWidget(grid_, 1, 0, 1, 4);

  const EntryLimits keys = AddKeyLimits(list.kind());
  const EntryLimits times = AddTimeLimits(list.kind());
  key_ = new QDoubleSpinBox(this);
  key_->setObjectName(QStringLiteral("custom_key_E"));
  key_->setDecimals(2);
  key_->setRange(keys.min, keys.max);
  time_ = new QDoubleSpinBox(this);
  time_->setObjectName(QStringLiteral("custom_time_E"));
  time_->setDecimals(3);
  time_->setRange(times.min, times.max);
  layout->addWidget(
      new QLabel(list.kind() == CustomCurveKind::Feeder ? QStringLiteral("Current (A)")
                                                        : QStringLiteral("% FLA"),
                 this),
      2, 0);
  layout->addWidget(key_, 2, 1);
  layout->addWidget(new QLabel(QStringLiteral("Time (s)"), this), 2, 2);
  layout->addWidget(time_, 2, 3);

  auto button = [this](const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setAutoDefault(false);
    return b;
  };
  QPushButton* add = button(QStringLiteral("Add Point"));
  QPushButton* remove = button(QStringLiteral("Delete Point"));
  QPushButton* clear = button(QStringLiteral("Clear All"));
  QPushButton* interpolate = button(QStringLiteral("Linear Interpolation"));
  QPushButton* import = button(QStringLiteral("Import"));
  QPushButton* saveButton = button(QStringLiteral("Save"));
  QPushButton* edit = button(QStringLiteral("Edit Point"));
  editOk_ = button(QStringLiteral("OK"));
  editCancel_ = button(QStringLiteral("Cancel"));
  editOk_->hide();
  editCancel_->hide();
  layout->addWidget(edit, 3, 3);
  layout->addWidget(editOk_, 5, 0);
  layout->addWidget(editCancel_, 5, 1);
  connect(edit, &QPushButton::clicked, this, [this] { BeginEdit(grid_->currentRow()); });
  connect(editOk_, &QPushButton::clicked, this, [this] { FinishEdit(true); });
  connect(editCancel_, &QPushButton::clicked, this, [this] { FinishEdit(false); });
  layout->addWidget(add, 3, 0);
  layout->addWidget(remove, 3, 1);
  layout->addWidget(clear, 3, 2);
  layout->addWidget(interpolate, 4, 0);
  layout->addWidget(import, 4, 1);
  layout->addWidget(saveButton, 4, 2);

  askImportFile = [this] {
    return QFileDialog::getOpenFileName(this, QStringLiteral("Import"), QString(),
                                        QStringLiteral("Text File (*.txt);;All files (*)"));
  };
  connect(display_, &QCheckBox::toggled, this, [this](bool on) {
    list_.series().active = on;
    if (changed) changed();
  });
  connect(add, &QPushButton::clicked, this, [this] { AddPoint(key_->value(), time_->value()); });
  connect(remove, &QPushButton::clicked, this, [this] {
    if (grid_->currentRow() >= 0 && list_.Select(grid_->currentRow() + 1)) {
      list_.DeletePoint();
      Changed();
    }
  });
  connect(clear, &QPushButton::clicked, this, [this] {
    list_.ClearAll();
    Changed();
  });
  connect(interpolate, &QPushButton::clicked, this, [this] { Interpolate(); });
  connect(import, &QPushButton::clicked, this, [this] {
    const QString path = askImportFile();
    if (!path.isEmpty()) Import(path);
  });
  connect(saveButton, &QPushButton::clicked, this, [this] {
    if (save) save();
  });
  Render();
}

void CustomCurvePage::AddPoint(double key, double time) {
  list_.AddPoint(key, time);
  Changed();
}

bool CustomCurvePage::AddClickedPoint(double key, double time) {
  if (key < key_->minimum() || key > key_->maximum() || time < time_->minimum() ||
      time > time_->maximum()) {
    return false;
  }
  AddPoint(key, time);
  return true;
}

bool CustomCurvePage::BeginEdit(int row) {
  if (row < 0 || !list_.Select(row + 1)) return false;
  const CustomRow& point = list_.rows()[static_cast<std::size_t>(row)];
  list_.BeginEdit();
  key_->setValue(ParseNumber(point.key).value_or(key_->minimum()));
  time_->setValue(ParseNumber(point.time).value_or(time_->minimum()));
  editOk_->show();
  editCancel_->show();
  return true;
}

void CustomCurvePage::FinishEdit(bool ok) {
  editOk_->hide();
  editCancel_->hide();
  if (ok) {
    list_.EditPoint(key_->value(), time_->value());
    Changed();
  }
}

void CustomCurvePage::Interpolate() {
  list_.LinearInterpolation(logarithmicCurrent());
  Changed();
}

bool CustomCurvePage::Import(const QString& path) {
  const ImportResult r = list_.Import(path.toStdString());
  if (!r.ok && tell) {
    std::string text;
    for (const std::string& l : r.lines) text += (text.empty() ? "" : "\n") + l;
    tell(r.caption, text);
  }
  Changed();
  return r.ok;
}

void CustomCurvePage::Changed() {
  Render();
  if (changed) changed();
}

void CustomCurvePage::Render() {
  const std::vector<std::string> header = list_.Header();
  grid_->setColumnCount(static_cast<int>(header.size()));
  QStringList labels;
  for (const std::string& h : header) labels << QString::fromStdString(h);
  grid_->setHorizontalHeaderLabels(labels);
  const auto& rows = list_.rows();
  grid_->setRowCount(static_cast<int>(rows.size()));
  const bool motor = list_.kind() == CustomCurveKind::Motor;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    std::vector<std::string> cells = {rows[r].key, rows[r].time};
    if (motor) cells = {rows[r].amperes, rows[r].key, rows[r].time};
    for (std::size_t c = 0; c < cells.size() && c < header.size(); ++c) {
      auto* item = new QTableWidgetItem(QString::fromStdString(cells[c]));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      grid_->setItem(static_cast<int>(r), static_cast<int>(c), item);
    }
  }
  display_->blockSignals(true);
  display_->setChecked(list_.series().active);
  display_->blockSignals(false);
}

}  // namespace kvx
