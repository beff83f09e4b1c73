#pragma once
// SpinEdit: the program's numeric entry control. A one-line text field
// showing a value with a units text, and an up/down arrow pair at its right.
// The value arithmetic lives in shell/spin_value.h; this is the widget.

#include <QColor>
#include <QString>
#include <QWidget>

#include "shell/spin_value.h"

class QLineEdit;
class QToolButton;

namespace kvx {

enum display_type_e { FLOAT = 0, EXPONENT = 1, AUTO = 2 };

class SpinEdit : public QWidget {
  Q_OBJECT

 public:
  explicit SpinEdit(QWidget* parent = nullptr);

  double Value() const { return value_; }
  void setValue(double value);  // shown at once; not clamped; no event
  QString Units() const { return units_; }
  void setUnits(const QString& units);
  int Precision() const { return precision_; }
  void setPrecision(int precision);
  display_type_e DisplayType() const { return displayType_; }
  void setDisplayType(display_type_e type);
  double Increment() const { return increment_; }
  void setIncrement(double increment) { increment_ = increment; }
  double Min() const { return min_; }
  void setMin(double min) { min_ = min; }
  double Max() const { return max_; }
  void setMax(double max) { max_ = max; }
  bool WrapValue() const { return wrapValue_; }
  void setWrapValue(bool wrap) { wrapValue_ = wrap; }

  // The control's width as the text plus the arrows, and its text height.
  int Width() const;
  int Height() const;
  void setWidth(int width);
  void setHeight(int height);
  void setEditFont(const QFont& font);
  void setColor(const QColor& color);

  void ShowValue();
  void ReadValue();
  // Takes the typed text as Enter does: reads it, shows it and reports a
  // change. Leaving the text commits the same way.
  void Commit();

  QLineEdit* edit() const { return edit_; }
  QToolButton* upButton() const { return up_; }
  QToolButton* downButton() const { return down_; }

  QSize sizeHint() const override { return {70, 21}; }

 signals:
  void OnChange(kvx::SpinEdit* sender);
  void OnUpButtonPress(kvx::SpinEdit* sender);
  void OnDownButtonPress(kvx::SpinEdit* sender);

 protected:
  virtual void DoChange() { emit OnChange(this); }
  virtual void DoUpButtonPress() { emit OnUpButtonPress(this); }
  virtual void DoDownButtonPress() { emit OnDownButtonPress(this); }

  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void OnUp();
  void OnDown();
  void PlaceChildren(int width, int height);

  QLineEdit* edit_;
  QToolButton* up_;
  QToolButton* down_;
  double value_ = 0;
  QString units_;
  int precision_ = 0;
  display_type_e displayType_ = FLOAT;
  double increment_ = 0;
  double min_ = 0;
  double max_ = 0;
  bool wrapValue_ = false;
  bool shownOnce_ = false;
};

}  // namespace kvx
