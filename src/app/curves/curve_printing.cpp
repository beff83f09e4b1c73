#include "app/curves/curve_printing.h"

#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <array>

#include "curves/feeder_curves.h"

namespace kvx {

QString PrintedDate(const QDate& date) {
  static constexpr std::array<const char*, 12> kMonths = {
      "Jan", "Feb", "Mar", "April", "May", "June", "July", "Aug", "Sept", "Oct", "Nov", "Dec"};
  const int m = date.month();
  const QString month = m >= 1 && m <= 12
                            ? QString::fromLatin1(kMonths[static_cast<std::size_t>(m - 1)])
                            : QStringLiteral("ERROR");
  return QStringLiteral("%1 %2, %3").arg(month).arg(date.day()).arg(date.year());
}

bool PrintPointsTable(QPrinter& printer, const PointsPrintout& printout) {
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  QFont font(QStringLiteral("Times New Roman"), 10);
  font.setFixedPitch(true);
  painter.setFont(font);
  const QFontMetrics metrics(font, &printer);
  const int h = metrics.height();
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  const int width = page.width();
  const int limit = page.height() * 95 / 100;
  const int columns = std::max<int>(1, static_cast<int>(printout.table.header.size()));
  const int columnWidth = width / columns;
  auto at = [&](int line) { return line * h; };
  auto text = [&](int percent, int line, const QString& s) {
    painter.drawText(QPoint(width * percent / 100, at(line)), s);
  };

  // The header row: each text wrapped and centred in its column, as many
  // lines as the tallest needs, at least two.
  int headerLines = 2;
  for (const std::string& hText : printout.table.header) {
    const QRect r =
        metrics.boundingRect(QRect(0, 0, columnWidth - 4, 10000),
                             Qt::AlignHCenter | Qt::TextWordWrap, QString::fromStdString(hText));
    headerLines = std::max(headerLines, (r.height() + h - 1) / h);
  }
  auto header = [&](int line) {
    for (int c = 0; c < columns && c < static_cast<int>(printout.table.header.size()); ++c) {
      painter.drawText(QRect(c * columnWidth + 2, at(line - 1), columnWidth - 4, headerLines * h),
                       Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                       QString::fromStdString(printout.table.header[static_cast<std::size_t>(c)]));
    }
    return line + headerLines;
  };
  int pageNumber = 1;
  auto footer = [&] {
    painter.drawText(QPoint(width / 2, limit + h), QStringLiteral("Page %1").arg(pageNumber));
  };

  text(10, 2, QString::fromLatin1(kBrandLine));
  text(50, 2, printout.title);
  text(90, 2, QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
  text(10, 3, printout.heading);
  text(50, 3, QString::fromLatin1(kPointsLabel));
  int line = header(5);
  for (const std::vector<std::string>& row : printout.table.rows) {
    if (at(line + 1) > limit) {
      footer();
      if (!printer.newPage()) {
        painter.end();
        return false;
      }
      ++pageNumber;
      line = header(2);
    }
    for (int c = 0; c < columns && c < static_cast<int>(row.size()); ++c) {
      painter.drawText(QRect(c * columnWidth, at(line - 1), columnWidth, h), Qt::AlignCenter,
                       QString::fromStdString(row[static_cast<std::size_t>(c)]));
    }
    ++line;
  }
  footer();
  return painter.end();
}

}  // namespace kvx
