#include "app/commands/clock_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <ctime>

#include "app/controls/bw_spin_edit.h"
#include "monitor/clock_text.h"

namespace kvx {
namespace {

struct FieldSpec {
  const char* caption;
  int min, max, start;
};
// The hour runs to 24 and the day is not checked against its month: the
// relay takes both (24:00 is the next day's midnight).
constexpr FieldSpec kFields[6] = {{"Year", 2000, 2099, 2000}, {"Month", 1, 12, 1},
                                  {"Day", 1, 31, 1},          {"Hour", 0, 24, 1},
                                  {"Minute", 0, 59, 0},       {"Second", 0, 59, 0}};

}  // namespace

ClockDialog::ClockDialog(QWidget* owner, const UserColors& colors) : QDialog(owner) {
  setObjectName(QStringLiteral("TRTCF"));
  setWindowTitle(QStringLiteral("System Time"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  PaintFace(this, colors.background);

  auto* group = new QGroupBox(QStringLiteral("Update System Clock"), this);
  local_ = new QRadioButton(QStringLiteral("To Local Time"), group);
  chosen_ = new QRadioButton(QStringLiteral("To Chosen Time"), group);
  noUpdate_ = new QRadioButton(QStringLiteral("Don't Update"), group);
  noUpdate_->setChecked(true);
  auto* choices = new QHBoxLayout(group);
  for (QRadioButton* b : {local_, chosen_, noUpdate_}) choices->addWidget(b);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Local Time"), this), 0, 0);
  localTime_ = new QLineEdit(this);
  localTime_->setObjectName(QStringLiteral("local_time_E"));
  localTime_->setReadOnly(true);
  PaintBase(localTime_, colors.editbox);
  grid->addWidget(localTime_, 0, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Chosen Time"), this), 1, 0);
  for (int i = 0; i < 6; ++i) {
    const FieldSpec& f = kFields[i];
    auto* label = new QLabel(QString::fromLatin1(f.caption), this);
    auto* spin = new SpinEdit(this);
    spin->setObjectName(QStringLiteral("%1_SE").arg(QString::fromLatin1(f.caption)));
    spin->setPrecision(0);
    spin->setIncrement(1);
    spin->setMin(f.min);
    spin->setMax(f.max);
    spin->setValue(f.start);
    spin->setColor(colors.editbox);
    fields_[static_cast<std::size_t>(i)] = spin;
    grid->addWidget(label, 1 + i / 3 * 2, 1 + i % 3);
    grid->addWidget(spin, 2 + i / 3 * 2, 1 + i % 3);
  }

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("OK_B"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);

  auto* column = new QVBoxLayout(this);
  column->addWidget(group);
  column->addLayout(grid);
  column->addLayout(buttons);

  tick_ = new QTimer(this);
  tick_->setInterval(100);
  connect(tick_, &QTimer::timeout, this, [this] { ShowLocalTime(); });
  tick_->start();
  ShowLocalTime();
}

void ClockDialog::ShowLocalTime() {
  localTime_->setText(QString::fromStdString(ClockText(LocalClockFields(std::time(nullptr)))));
}

QString ClockDialog::ClockTextNow() const {
  if (local_->isChecked()) return localTime_->text();
  if (!chosen_->isChecked()) return {};
  int v[6];
  for (int i = 0; i < 6; ++i) {
    SpinEdit* spin = fields_[static_cast<std::size_t>(i)];
    spin->ReadValue();  // a value typed and not yet committed
    v[i] = std::clamp(static_cast<int>(std::lround(spin->Value())), kFields[i].min, kFields[i].max);
  }
  return QString::fromStdString(ClockText({v[0], v[1], v[2], v[3], v[4], v[5]}));
}

QString ClockDialog::Ask(QWidget* owner, const UserColors& colors) {
  ClockDialog dialog(owner, colors);
  if (owner) dialog.move(owner->geometry().center() - dialog.rect().center());
  // Only OK closes it with an answer; Escape leaves the clock alone.
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.ClockTextNow();
}

}  // namespace kvx
