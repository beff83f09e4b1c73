#include "app/datalog/datalog_commands.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>

#include "app/datalog/datalog_time_dialog.h"
#include "app/frame/main_window.h"

namespace kvx {

DatalogCommands::DatalogCommands(MainWindow& window, QAction* enable, QAction* timing,
                                 QTimer* timer)
    : window_(window), enable_(enable), timer_(timer) {
  enable_->setCheckable(true);
  enable_->setChecked(false);
  timer_->setInterval(periodMs_);
  QObject::connect(enable_, &QAction::triggered, &window_, [this] {
    // The check mark is ours to set: undo Qt's own toggle first.
    enable_->setChecked(session_ != nullptr);
    ToggleEnable();
  });
  QObject::connect(timing, &QAction::triggered, &window_, [this] { Timing(); });
  QObject::connect(timer_, &QTimer::timeout, &window_, [this] { Tick(); });
}

DatalogCommands::~DatalogCommands() = default;

bool DatalogCommands::enabled() const {
  return enable_->isChecked();
}

void DatalogCommands::ToggleEnable() {
  if (enable_->isChecked()) {
    enable_->setChecked(false);
    timer_->stop();
    session_.reset();
    window_.ShowConfirmation(QStringLiteral("Data logging stopped"));
    return;
  }
  FileRequest request;
  request.save = true;
  request.title = QStringLiteral("Save as FILENAME_yyyymmdd.txt");
  request.filter = QStringLiteral("Text File (*.txt *.TXT)");
  request.suffix = QStringLiteral("txt");
  request.proposedName = QStringLiteral("DataLog");
  const QString stored = QString::fromStdString(window_.preferences().datalogName);
  request.folder =
      QFileInfo(stored).isAbsolute() ? QFileInfo(stored).absolutePath() : window_.lastFolder();
  const QString chosen =
      window_.askFileName
          ? window_.askFileName(request)
          : QFileDialog::getSaveFileName(&window_, request.title,
                                         QDir(request.folder).filePath(request.proposedName),
                                         request.filter);
  if (chosen.isEmpty()) return;
  const std::string path = chosen.toStdString();
  if (path.size() > kDataLogMaxPathLength) {
    window_.dialogs().Tell("Error", "Filename too long.");
    return;
  }
  window_.preferences().datalogName = DataLogBaseFromChosenPath(path);
  session_ = std::make_unique<DataLogSession>(window_.preferences().datalogName,
                                              [this] { return clock(); });
  enable_->setChecked(true);
  timer_->setInterval(periodMs_);
  timer_->start();
  window_.ShowConfirmation(
      QStringLiteral("Data logging to %1_yyyymmdd.txt every %2 s")
          .arg(QDir::toNativeSeparators(QString::fromStdString(window_.preferences().datalogName)))
          .arg(periodMs_ / 1000));
}

void DatalogCommands::Timing() {
  DatalogTimeDialog dialog(&window_, window_.userColors(), periodMs_, kDataLogMinPeriodMs);
  if (dialog.exec() == QDialog::Accepted) periodMs_ = dialog.PeriodMs();
  // The period changes; whether the timer runs does not.
  timer_->setInterval(periodMs_);
}

void DatalogCommands::Tick() {
  if (!enable_->isChecked() || !session_) return;
  const bool fresh = fresh_;
  fresh_ = false;  // cleared whether or not the line gets written
  const DataLogSession::TickResult tick =
      session_->Tick(fresh, fresh && meteringRow ? meteringRow() : DataLogRow{});
  if (!tick.notice.empty()) {
    window_.ShowConfirmation(QString::fromStdString(tick.notice));
  } else if (!tick.write.written && fresh) {
    // The count of a run of failures goes on in the status bar, never a box per tick.
    window_.ShowConfirmation(QString::fromStdString(session_->FailureSummary()));
  }
}

void DatalogCommands::LinkStopped() {
  timer_->stop();
}

}  // namespace kvx
