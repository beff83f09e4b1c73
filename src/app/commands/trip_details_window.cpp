#include "app/commands/trip_details_window.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kvx {

TripDetailsWindow::TripDetailsWindow(QWidget* owner, const UserColors& colors)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("TDetailsF"));
  setWindowTitle(QStringLiteral("Trip and Alarm Codes"));
  PaintFace(this, colors.background);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("details_M"));
  text_->setReadOnly(true);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  PaintBase(text_, colors.editbox);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("Close_B"));
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close);
  auto* column = new QVBoxLayout(this);
  column->addWidget(text_);
  column->addLayout(buttons);
  resize(320, 220);
}

void TripDetailsWindow::SetLines(const std::vector<std::string>& lines) {
  QString text;
  for (const std::string& line : lines) text += QString::fromStdString(line) + QLatin1Char('\n');
  text_->setPlainText(text);
}

QString TripDetailsWindow::Text() const {
  return text_->toPlainText();
}

}  // namespace kvx
