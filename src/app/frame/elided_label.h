#pragma once
// A one-line label that shows "…" where its text is too wide for it (at the
// end, or at the start where the end says most: "…1: Connection refused",
// "…/site.cds"), rather than being cut mid-letter; its tip holds the whole
// text.

#include <QLabel>
#include <QPainter>

namespace kvx {

class ElidedLabel : public QLabel {
 public:
  explicit ElidedLabel(QWidget* parent, Qt::TextElideMode mode = Qt::ElideRight)
      : QLabel(parent), mode_(mode) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(std::max(0, indent()), 0, 0, 0);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, static_cast<int>(alignment()) | Qt::TextSingleLine,
                     fontMetrics().elidedText(text(), mode_, area.width()));
  }

 private:
  Qt::TextElideMode mode_;
};

}  // namespace kvx
