#pragma once
// The "About" box: the product-family logo, the program name and version,
// the brand and the maker's web address.

#include <QDialog>

#include "app/frame/user_colors.h"

namespace kvx {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  AboutDialog(QWidget* owner, const UserColors& colors);

 protected:
  void showEvent(QShowEvent* event) override;
};

// The logo, drawn by the program so that it scales to any width.
class LogoView : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace kvx
