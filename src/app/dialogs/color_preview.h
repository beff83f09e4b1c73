#pragma once
// The preview grid of the "Color Options" dialog, drawn the way the setpoint
// grid draws its cells.

#include <QColor>
#include <QWidget>

namespace kvx {

class ColorPreview : public QWidget {
  Q_OBJECT

 public:
  explicit ColorPreview(QWidget* parent = nullptr);

  void setColors(const QColor& cells, const QColor& fixed, const QColor& editable);
  QColor cellColor() const { return cells_; }
  QColor fixedColor() const { return fixed_; }
  QColor editableColor() const { return editable_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor cells_, fixed_, editable_;
};

}  // namespace kvx
