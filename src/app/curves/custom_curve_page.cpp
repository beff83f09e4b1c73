#include "app/curves/custom_curve_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

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
  layout->addWidget(edit, 3, 3);
  connect(edit, &QPushButton::clicked, this, [this] { BeginEdit(grid_->currentRow()); });

  // The edit panel floats over the page (outside the layout) while a point
  // is edited, on the standard button face whatever the user's colours.
  const bool feeder = list.kind() == CustomCurveKind::Feeder;
  editPanel_ = new QFrame(this);
  editPanel_->setObjectName(QStringLiteral("edit_P"));
  editPanel_->setFrameShape(QFrame::Panel);
  editPanel_->setFrameShadow(QFrame::Raised);
  {
    QPalette p = editPanel_->palette();
    const QPalette standard = QApplication::palette();
    for (QPalette::ColorRole role :
         {QPalette::Window, QPalette::Button, QPalette::WindowText, QPalette::ButtonText}) {
      p.setColor(role, standard.color(role));
    }
    editPanel_->setPalette(p);
  }
  editPanel_->setAutoFillBackground(true);
  auto* panel = new QGridLayout(editPanel_);
  editKey_ = new QDoubleSpinBox(editPanel_);
  editKey_->setObjectName(QStringLiteral("edit_key_E"));
  editKey_->setDecimals(2);
  editKey_->setRange(feeder ? 0.01 : 1, 1000000);
  editKey_->setSuffix(feeder ? QStringLiteral(" A") : QStringLiteral(" %"));
  editTime_ = new QDoubleSpinBox(editPanel_);
  editTime_->setObjectName(QStringLiteral("edit_time_E"));
  editTime_->setDecimals(feeder ? 2 : 3);
  editTime_->setRange(feeder ? 0.001 : 0.01, feeder ? 50000 : 10000);
  editTime_->setSuffix(QStringLiteral(" s"));
  panel->addWidget(
      new QLabel(feeder ? QStringLiteral("Current") : QStringLiteral("% FLA"), editPanel_), 0, 0);
  panel->addWidget(editKey_, 0, 1);
  panel->addWidget(new QLabel(QStringLiteral("Time"), editPanel_), 1, 0);
  panel->addWidget(editTime_, 1, 1);
  auto* editOk = new QPushButton(QStringLiteral("OK"), editPanel_);
  auto* editCancel = new QPushButton(QStringLiteral("Cancel"), editPanel_);
  editOk->setAutoDefault(false);
  editCancel->setAutoDefault(false);
  panel->addWidget(editOk, 2, 0);
  panel->addWidget(editCancel, 2, 1);
  editPanel_->hide();
  connect(editOk, &QPushButton::clicked, this, [this] { FinishEdit(true); });
  connect(editCancel, &QPushButton::clicked, this, [this] { FinishEdit(false); });
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
  if (editPanel_->isVisible() || row < 0 || !list_.Select(row + 1)) return false;
  const CustomRow& point = list_.rows()[static_cast<std::size_t>(row)];
  list_.BeginEdit();
  editKey_->setValue(ParseNumber(point.key).value_or(editKey_->minimum()));
  editTime_->setValue(ParseNumber(point.time).value_or(editTime_->minimum()));
  disabled_.clear();
  for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (w == editPanel_ || !w->isEnabled()) continue;
    w->setEnabled(false);
    disabled_.push_back(w);
  }
  editPanel_->adjustSize();
  editPanel_->move(std::max(0, (width() - editPanel_->width()) / 2),
                   std::max(0, (height() - editPanel_->height()) / 2));
  editPanel_->show();
  editPanel_->raise();
  editKey_->setFocus();
  return true;
}

void CustomCurvePage::FinishEdit(bool ok) {
  if (!editPanel_->isVisible()) return;
  editPanel_->hide();
  for (QWidget* w : disabled_) w->setEnabled(true);
  disabled_.clear();
  if (!ok) return;
  const double key = editKey_->value();
  const double time = editTime_->value();
  key_->setValue(key);
  time_->setValue(time);
  list_.EditPoint(key, time);
  Changed();
  // The selection follows the edited point to its place in the list.
  const int selected = list_.selectedRow() - 1;
  if (selected >= 0 && selected < grid_->rowCount()) grid_->selectRow(selected);
  if (list_.kind() == CustomCurveKind::Feeder) key_->setFocus();
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
