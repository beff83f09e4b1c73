#include "app/curves/print_wait_window.h"

#include <QLabel>
#include <QVBoxLayout>
#include <utility>

namespace kvx {

PrintWaitWindow::PrintWaitWindow(QWidget* parent, std::function<bool()> printing)
    : QDialog(parent), printing_(std::move(printing)) {
  setObjectName(QStringLiteral("PrintWait"));
  setWindowTitle(QStringLiteral("Printing..."));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Page will Resize while Printing. "), this));
  wait_ = new QLabel(WaitLine(0), this);
  wait_->setMinimumWidth(wait_->fontMetrics().horizontalAdvance(WaitLine(kMaxDots - 1)) + 8);
  layout->addWidget(wait_);
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &PrintWaitWindow::Tick);
  timer_.start();
}

QString PrintWaitWindow::WaitLine(int ticks) {
  const int dots = ticks < 0 ? 1 : ticks % kMaxDots + 1;
  return QStringLiteral("Please Wait ") + QString(dots, QLatin1Char('.'));
}

QString PrintWaitWindow::waitText() const {
  return wait_->text();
}

void PrintWaitWindow::Tick() {
  if (!printing_ || !printing_()) {
    timer_.stop();
    close();
    return;
  }
  ++ticks_;
  wait_->setText(WaitLine(ticks_));
}

}  // namespace kvx
