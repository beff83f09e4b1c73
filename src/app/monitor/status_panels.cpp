#include "app/monitor/status_panels.h"

#include <QLabel>

#include "app/frame/user_colors.h"
#include "monitor/status_model.h"
#include "setpoints/packet_counters.h"

namespace kvx {
namespace {

QColor ColorOf(StatusColor c) {
  switch (c) {
    case StatusColor::Yellow:
      return QColor(0xFF, 0xFF, 0x00);
    case StatusColor::Red:
      return kErrorColor;
    case StatusColor::Green:
      return kGoodColor;
    case StatusColor::Black:
      break;
  }
  return QColor(Qt::black);
}

void Show(QLabel* panel, const std::string& text, std::optional<StatusColor> color) {
  if (!panel) return;
  const QString q = QString::fromStdString(text);
  if (panel->text() != q) panel->setText(q);
  if (!color) return;
  QPalette p = panel->palette();
  if (p.color(QPalette::WindowText) == ColorOf(*color)) return;
  p.setColor(QPalette::WindowText, ColorOf(*color));
  panel->setPalette(p);
}

}  // namespace

StatusPanelsView::StatusPanelsView(QObject* owner, QWidget* root) : QObject(owner), root_(root) {}

QLabel* StatusPanelsView::Panel(const QString& name) const {
  return root_->findChild<QLabel*>(name);
}

void StatusPanelsView::Render(const StatusModel& model) {
  for (const StatusPanel& p : model.Panels()) {
    Show(Panel(QString::fromStdString(p.name)), p.text, p.color);
  }
  if (!model.TimeText().empty())
    Show(Panel(QStringLiteral("time_P")), model.TimeText(), StatusColor::Black);
  if (!model.NetworkText().empty()) {
    Show(Panel(QStringLiteral("network_P")), model.NetworkText(), model.NetworkColor());
  }
  RenderPacketCounts();
}

void StatusPanelsView::RenderPacketCounts() {
  if (QLabel* failed = Panel(QStringLiteral("failed_packet_E"))) {
    failed->setText(QString::number(failedPackets.load()));
  }
  if (QLabel* total = Panel(QStringLiteral("total_packet_E"))) {
    total->setText(QString::number(totalPackets.load()));
  }
}

}  // namespace kvx
