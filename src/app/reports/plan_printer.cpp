#include "app/reports/plan_printer.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include "reports/setpoint_report.h"

namespace kvx {
namespace {

QFont ReportFont() {
  QFont font(QStringLiteral("Times New Roman"));
  font.setPointSize(10);
  font.setFixedPitch(true);
  return font;
}

}  // namespace

void PreparePrinter(QPrinter& printer) {
  printer.setResolution(kPrintResolution);
}

bool PrintPlanOn(QPrinter& printer, const std::function<PrintPlan(int linesPerPage)>& build,
                 QString& error) {
  printer.setResolution(kPrintResolution);
  QPainter painter;
  if (!painter.begin(&printer)) {
    error = QStringLiteral("the printer could not begin the document");
    return false;
  }
  const QFont font = ReportFont();
  painter.setFont(font);
  const QFontMetrics metrics(painter.font(), &printer);
  const QString title =
      QStringLiteral("%1%2SETPOINTS").arg(QString::fromLatin1(kBrandLine), QString(18, ' '));
  const int h = std::max(1, metrics.boundingRect(title).height());
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  const int columnWidth = page.width() / 100;
  const PrintPlan plan = build(PrintLinesPerPage(page.height(), h));
  for (std::size_t n = 0; n < plan.pages.size(); ++n) {
    if (n > 0 && !printer.newPage()) {
      error = QStringLiteral("the printer refused a new page");
      painter.end();
      return false;
    }
    for (const PrintItem& item : plan.pages[n].items) {
      if (item.text.empty()) continue;
      // A line number is the top of the text, as the page layout counts it.
      painter.drawText(columnWidth * item.column, item.line * h + metrics.ascent(),
                       QString::fromStdString(item.text));
    }
  }
  if (!painter.end()) {
    error = QStringLiteral("the printer could not end the document");
    return false;
  }
  return true;
}

}  // namespace kvx
