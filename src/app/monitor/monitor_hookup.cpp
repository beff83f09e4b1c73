#include "app/monitor/monitor_hookup.h"

#include <QPointer>
#include <QTimer>
#include <memory>

#include "app/datalog/datalog_commands.h"
#include "app/frame/main_window.h"
#include "app/metering/metering_page_view.h"
#include "app/monitor/status_panels.h"
#include "monitor/metering_log_row.h"
#include "session/handover.h"

namespace kvx {
namespace {

// Tells the user that another relay (or other firmware) is on the link and
// disconnects, once: the status poll keeps reporting while the message is up.
// Runs after the hand-over has returned (the disconnect ends the poll that is
// handing over), and after a sequence on the link has finished.
void TellAndDisconnect(QPointer<MainWindow> window, std::shared_ptr<bool> handling) {
  if (!window) return;
  if (window->IsBusy() || window->LinkSequenceRunning()) {
    QTimer::singleShot(100, window, [window, handling] { TellAndDisconnect(window, handling); });
    return;
  }
  window->dialogs().Tell(kIdentityChangedCaption, kIdentityChangedText);
  if (window && window->online()) window->DisconnectUnit();
  *handling = false;
}

void IdentityChanged(MainWindow& window, const std::shared_ptr<bool>& handling) {
  if (*handling) return;
  *handling = true;
  QPointer<MainWindow> guard(&window);
  QTimer::singleShot(0, &window, [guard, handling] { TellAndDisconnect(guard, handling); });
}

}  // namespace

void AttachMonitor(MainWindow& window, MeteringPageView& metering) {
  auto* panels = new StatusPanelsView(&window, &window);
  auto handling = std::make_shared<bool>(false);
  PollSinks sinks;
  Handover& handover = window.handover();
  sinks.post = [&handover](std::function<void()> task) { return handover.Post(std::move(task)); };
  // The data log copies what the page shows, only after a good update.
  window.datalog().meteringRow = [&window] {
    return MeteringLogRow(window.session().MeteringView());
  };
  sinks.meteringShown = [&window, &metering, panels] {
    metering.Render(window.session().MeteringView());
    window.datalog().SetFreshMetering(window.session().MeteringView().Fresh());
    if (window.session().MeteringView().Failed()) panels->Render(window.session().StatusView());
  };
  sinks.statusShown = [&window, panels, handling](StatusOutcome outcome) {
    panels->Render(window.session().StatusView());
    if (outcome == StatusOutcome::IdentityChanged) IdentityChanged(window, handling);
  };
  window.session().SetPollSinks(std::move(sinks));
}

}  // namespace kvx
