#pragma once
// Connects the working state's metering and status polls to the window:
// each snapshot is shown on the window's thread (through its hand-over) on
// the Metering page and the status panels; a relay whose identity changed is
// told about and disconnected once the hand-over has returned.

namespace kvx {

class MainWindow;
class MeteringPageView;

void AttachMonitor(MainWindow& window, MeteringPageView& metering);

}  // namespace kvx
