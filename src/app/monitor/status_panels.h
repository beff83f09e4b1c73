#pragma once
// The status panels above the pages and in the status bar, drawn from the
// status model after every snapshot of the status poll: trips and alarms,
// motor or feeder state, the third panel, the family's inputs and outputs,
// the relay's clock, the connection state and the packet statistics.

#include <QObject>
#include <QString>

class QLabel;
class QWidget;

namespace kvx {

class StatusModel;

class StatusPanelsView : public QObject {
  Q_OBJECT

 public:
  // `root` holds the panels (found by their object names).
  StatusPanelsView(QObject* owner, QWidget* root);

  void Render(const StatusModel& model);
  // The packet statistics (failed_packet_E, total_packet_E) when the page
  // that shows them has them.
  void RenderPacketCounts();

 private:
  QLabel* Panel(const QString& name) const;

  QWidget* root_;
};

}  // namespace kvx
