#include "app/controls/bw_spin_edit.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QToolButton>

namespace kvx {
namespace {
constexpr int kArrowWidth = 15;
constexpr int kEditGap = 16;  // the text is this much narrower than the control
constexpr int kMaxTextLength = 64;
}  // namespace

SpinEdit::SpinEdit(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TBWSpinEdit"));
  edit_ = new QLineEdit(this);
  edit_->setMaxLength(kMaxTextLength);
  edit_->installEventFilter(this);
  setFocusProxy(edit_);
  setFocusPolicy(Qt::StrongFocus);
  up_ = new QToolButton(this);
  down_ = new QToolButton(this);
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {up_, down_}) {
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRepeat(true);
    b->setIconSize(QSize(7, 5));
  }
  connect(up_, &QToolButton::clicked, this, [this] { OnUp(); });
  connect(down_, &QToolButton::clicked, this, [this] { OnDown(); });
  resize(70, 21);
  PlaceChildren(70, 21);
  ShowValue();
}

void SpinEdit::setValue(double value) {
  value_ = value;
  ShowValue();
}

void SpinEdit::setUnits(const QString& units) {
  units_ = units;
  ShowValue();
}

void SpinEdit::setPrecision(int precision) {
  precision_ = precision;
  ShowValue();
}

void SpinEdit::setDisplayType(display_type_e type) {
  displayType_ = type;
  ShowValue();
}

int SpinEdit::Width() const {
  return edit_->width() + up_->width();
}
int SpinEdit::Height() const {
  return edit_->height();
}

void SpinEdit::setWidth(int width) {
  resize(width, height());
  PlaceChildren(width, height());
}

void SpinEdit::setHeight(int height) {
  resize(width(), height);
  PlaceChildren(width(), height);
}

void SpinEdit::setEditFont(const QFont& font) {
  edit_->setFont(font);
}

void SpinEdit::setColor(const QColor& color) {
  QPalette p = edit_->palette();
  p.setColor(QPalette::Base, color);
  edit_->setPalette(p);
}

void SpinEdit::PlaceChildren(int width, int height) {
  edit_->setGeometry(0, 0, std::max(0, width - kEditGap), height);
  const int half = height / 2;
  up_->setGeometry(width - kArrowWidth, 0, kArrowWidth, half);
  down_->setGeometry(width - kArrowWidth, half, kArrowWidth, height - half);
}

void SpinEdit::ShowValue() {
  const std::string text = FormatSpinText(
      value_, precision_, static_cast<SpinDisplayType>(displayType_), units_.toStdString());
  edit_->setText(QString::fromStdString(text));
}

void SpinEdit::ReadValue() {
  // A comma typed as the decimal separator counts as the point: read up to
  // it, "7,5" would silently become 7.
  if (auto number = ParseLeadingFloat(WithDecimalPoint(edit_->text().toStdString()))) {
    value_ = ClampToLimits(static_cast<double>(*number), min_, max_);
  }
}

void SpinEdit::OnUp() {
  ReadValue();
  value_ = StepUp(value_, increment_, min_, max_, wrapValue_);
  DoChange();
  ShowValue();
  DoUpButtonPress();
}

void SpinEdit::OnDown() {
  ReadValue();
  value_ = StepDown(value_, increment_, min_, max_, wrapValue_);
  DoChange();
  ShowValue();
  DoDownButtonPress();
}

void SpinEdit::Commit() {
  const double before = value_;
  ReadValue();
  ShowValue();
  if (ChangedAtSinglePrecision(before, value_)) DoChange();
}

void SpinEdit::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceChildren(width(), height());
  ShowValue();
}

void SpinEdit::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!shownOnce_) {
    // A value given before the control first appears is shown in its final,
    // read-back form.
    shownOnce_ = true;
    ReadValue();
    ShowValue();
  }
}

void SpinEdit::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange) {
    up_->setEnabled(isEnabled());
    down_->setEnabled(isEnabled());
  }
}

bool SpinEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      const bool lineFeed = key->text() == QStringLiteral("\n");
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || lineFeed) {
        Commit();
        return true;
      }
      if (key->key() == Qt::Key_Escape) {
        ShowValue();
        return false;  // the key passes on, e.g. to close a dialog
      }
    } else if (event->type() == QEvent::FocusOut) {
      Commit();
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kvx
