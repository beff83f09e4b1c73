#include "app/comm/traffic_window.h"

#include <QAction>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "comm/serial_port.h"
#include "comm/tcp_client.h"
#include "session/working_state.h"
#include "setpoints/file_save.h"

namespace kvx {
namespace {

constexpr int kRefreshMs = 100;

}  // namespace

TrafficWindow::TrafficWindow(QWidget* owner, std::shared_ptr<TrafficLog> log)
    : QWidget(owner, Qt::Window), log_(std::move(log)) {
  setObjectName(QStringLiteral("TrafficF"));
  setWindowTitle(QStringLiteral("Communications Traffic"));
  resize(900, 420);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("traffic_Text"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setUndoRedoEnabled(false);
  // The view never holds more than the log does.
  text_->setMaximumBlockCount(static_cast<int>(TrafficLog::kDefaultLimit));
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

  pause_ = new QPushButton(QStringLiteral("Pause"), this);
  pause_->setObjectName(QStringLiteral("Pause_B"));
  pause_->setCheckable(true);
  auto* clear = new QPushButton(QStringLiteral("Clear"), this);
  clear->setObjectName(QStringLiteral("Clear_B"));
  auto* save = new QPushButton(QStringLiteral("Save as Text..."), this);
  save->setObjectName(QStringLiteral("SaveTraffic_B"));
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("Close_B"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(pause_);
  buttons->addWidget(clear);
  buttons->addWidget(save);
  buttons->addStretch(1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_, 1);
  layout->addLayout(buttons);

  connect(pause_, &QPushButton::toggled, this, [this](bool on) { OnPause(on); });
  connect(clear, &QPushButton::clicked, this, [this] { OnClear(); });
  connect(save, &QPushButton::clicked, this, [this] { OnSave(); });
  connect(close, &QPushButton::clicked, this, &QWidget::close);

  refresh_ = new QTimer(this);
  refresh_->setInterval(kRefreshMs);
  connect(refresh_, &QTimer::timeout, this, [this] { Refresh(); });
}

void TrafficWindow::Refresh() {
  bool restart = false;
  const std::vector<TrafficLine> lines = log_->TakeNew(cursor_, restart);
  if (restart) text_->clear();
  if (lines.empty()) return;
  // One block of text per refresh: appending line by line relayouts each time.
  QString block;
  for (const TrafficLine& line : lines) {
    if (!block.isEmpty()) block += QLatin1Char('\n');
    block += QString::fromStdString(TrafficLog::FormatLine(line));
  }
  text_->appendPlainText(block);
}

bool TrafficWindow::SaveAs(const QString& path, QString* error) {
  const WriteResult r = WriteFileAtomically(path.toStdString(), log_->Text());
  if (!r.ok && error) *error = QString::fromStdString(r.error);
  return r.ok;
}

void TrafficWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Refresh();
  refresh_->start();
}

void TrafficWindow::hideEvent(QHideEvent* event) {
  refresh_->stop();
  QWidget::hideEvent(event);
}

void TrafficWindow::OnPause(bool paused) {
  log_->SetPaused(paused);
  pause_->setText(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
}

void TrafficWindow::OnClear() {
  log_->Clear();
  Refresh();
}

void TrafficWindow::OnSave() {
  const QString path =
      QFileDialog::getSaveFileName(this, QStringLiteral("Save Traffic"), QString(),
                                   QStringLiteral("Text files (*.txt);;All files (*)"));
  if (path.isEmpty()) return;
  QString error;
  if (!SaveAs(path, &error)) {
    QMessageBox::warning(this, QStringLiteral("File Error"),
                         QStringLiteral("The traffic could not be saved.\n") + error);
  }
}

TrafficWindow* AttachTrafficWindow(QWidget* owner, QAction* show, WorkingState& state) {
  auto log = std::make_shared<TrafficLog>();
  // The serial line speaks what the last confirmed options chose; that
  // changes only while offline, when no other thread is on the link.
  state.Port().SetFrameTrace(
      [log, &state](FrameDirection direction, std::span<const std::uint8_t> bytes) {
        log->SetSerialProtocol(state.Comm().protocol);
        log->RecordSerial(direction, bytes);
      });
  state.Tcp().SetFrameTrace([log](FrameDirection direction, std::span<const std::uint8_t> bytes) {
    log->RecordTcp(direction, bytes);
  });
  auto* window = new TrafficWindow(owner, log);
  QObject::connect(show, &QAction::triggered, window, [window] {
    window->show();
    window->raise();
    window->activateWindow();
  });
  return window;
}

}  // namespace kvx
