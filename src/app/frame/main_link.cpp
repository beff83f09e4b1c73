// The main window and its link worker: sequences that talk to the relay run
// on the worker while the window's event loop keeps running; what they ask
// and show comes back through the handover and is answered here.

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPushButton>

#include "app/dialogs/progress_window.h"
#include "app/dialogs/window_dialogs.h"
#include "app/frame/main_window.h"
#include "session/handed_over_front_end.h"
#include "session/handover.h"
#include "session/link_worker.h"

namespace kvx {

void MainWindow::StartLink() {
  // Called from any thread; the queued call is dropped by Qt if the window
  // is gone, and after StopLink nothing calls it any more.
  handover_ = std::make_unique<Handover>([this] {
    QMetaObject::invokeMethod(
        this,
        [this] {
          ++handingOver_;
          handover_->Drain();
          --handingOver_;
        },
        Qt::QueuedConnection);
  });
  linkDialogs_ = std::make_unique<HandedOverDialogs>(*dialogs_, *handover_);
  linkPasswords_ = std::make_unique<HandedOverPasswords>(*passwords_, *handover_);
  worker_ = std::make_unique<LinkWorker>();
}

void MainWindow::StopLink() {
  // Order matters: a sequence waiting on a question is released first (its
  // answer is Cancel), then the worker ends at its next exchange boundary,
  // and only then may the window's parts go.
  if (handover_) handover_->Close();
  if (worker_) worker_->Stop();
}

void MainWindow::ShowLinkCancel(bool shown) {
  statusBar_.linkCancel->setVisible(shown);
  progress_->cancelShown = shown;
  // Escape cancels wherever the focus is in this window (the controls are
  // disabled), but is left to a question the sequence is asking.
  if (shown) {
    qApp->installEventFilter(this);
  } else {
    qApp->removeEventFilter(this);
  }
  LayOutFrame();
}

void MainWindow::RunOnLink(const std::function<void()>& sequence) {
  ++linkSequencesRun_;
  // Inside a running sequence (the worker itself, or a question it handed
  // over while it waits): the link is ours already.
  if (!worker_ || worker_->OnWorkerThread() || (linkDepth_ > 0 && handingOver_ > 0)) {
    sequence();
    return;
  }
  // Anything else while a sequence runs got past the busy lock; it must not
  // touch the working state beside the worker.
  if (linkDepth_ > 0) return;
  ++linkDepth_;
  ShowLinkCancel(true);
  QEventLoop loop;
  bool ended = false;
  auto ticket = worker_->Post([&](const CancelToken& cancel) {
    struct Ending {
      MainWindow& window;
      bool& ended;
      QEventLoop& loop;
      ~Ending() {
        window.session_->SetCancelToken(nullptr);
        // Handed over even when the sequence threw; dropped only when the
        // window is closing, and then nothing waits in the loop.
        window.handover_->Post([this_ended = &ended, this_loop = &loop] {
          *this_ended = true;
          this_loop->quit();
        });
      }
    } ending{*this, ended, loop};
    session_->SetCancelToken(&cancel);
    sequence();
  });
  while (!ended && !(ticket->Finished() && !ticket->Ran())) loop.exec();
  --linkDepth_;
  ShowLinkCancel(false);
  RenderLinkState();
}

bool MainWindow::EscapeCancelsLink(QObject* watched, QEvent* event) {
  if (linkDepth_ == 0 || event->type() != QEvent::KeyPress ||
      static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) {
    return false;
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != this) return false;
  if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != widget->window()) {
    return false;
  }
  CancelLinkSequence();
  return true;
}

void MainWindow::CancelLinkSequence() {
  if (worker_) worker_->Cancel();
}

}  // namespace kvx
