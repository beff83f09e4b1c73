#include "app/dialogs/about_dialog.h"

#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include "app/dialogs/message_box.h"
#include "kvx_version.h"

namespace kvx {
namespace {
constexpr int kClientWidth = 440;
constexpr int kLogoHeight = 200;
constexpr int kPanelHeight = 118;
}  // namespace

void LogoView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = rect();
  QLinearGradient sky(r.topLeft(), r.bottomLeft());
  sky.setColorAt(0, QColor(0x0E, 0x2A, 0x47));
  sky.setColorAt(1, QColor(0x1F, 0x5C, 0x8A));
  p.fillRect(r, sky);

  // A faint log-log grid with a falling inverse-time trip curve: the family
  // of relays is about how long a fault may last.
  p.setPen(QPen(QColor(255, 255, 255, 40), 1));
  for (int i = 1; i < 10; ++i) {
    const double x = r.width() * i / 10.0;
    const double y = r.height() * i / 10.0;
    p.drawLine(QPointF(x, 0), QPointF(x, r.height()));
    p.drawLine(QPointF(0, y), QPointF(r.width(), y));
  }
  QPainterPath curve;
  for (int i = 0; i <= 100; ++i) {
    const double u = i / 100.0;
    const double x = r.width() * (0.06 + 0.88 * u);
    const double y = r.height() * (0.92 - 0.8 / (1.0 + 9.0 * u));
    if (i == 0) {
      curve.moveTo(x, y);
    } else {
      curve.lineTo(x, y);
    }
  }
  p.setPen(QPen(QColor(0xFF, 0xB3, 0x00), 4, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(curve);

  QFont brand = font();
  brand.setPointSize(30);
  brand.setBold(true);
  brand.setLetterSpacing(QFont::AbsoluteSpacing, 6);
  p.setFont(brand);
  p.setPen(Qt::white);
  p.drawText(r.adjusted(0, 0, 0, -30), Qt::AlignCenter, QStringLiteral("TRAXILON"));
  QFont tag = font();
  tag.setPointSize(10);
  p.setFont(tag);
  p.setPen(QColor(0xDD, 0xE8, 0xF2));
  p.drawText(r.adjusted(0, 60, 0, 0), Qt::AlignCenter,
             QStringLiteral("protective relays by Halvoren"));
}

AboutDialog::AboutDialog(QWidget* owner, const UserColors& colors)
    : QDialog(owner, FixedDialogFlags(false)) {
  setObjectName(QStringLiteral("TAboutF"));
  setWindowTitle(QStringLiteral("About"));
  PaintFace(this, colors.background);
  auto* logo = new LogoView(this);
  logo->setGeometry(2, 2, kClientWidth - 4, kLogoHeight);

  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setGeometry(2, kLogoHeight + 4, kClientWidth - 4, kPanelHeight);
  QFont bold = font();
  bold.setBold(true);
  auto* name = new QLabel(QStringLiteral("KVX-COMM"), panel);
  name->setFont(bold);
  name->setGeometry(10, 8, 200, 18);
  auto* version =
      new QLabel(QStringLiteral("Version ") + QString::fromLatin1(kVersionShort), panel);
  version->setFont(bold);
  version->setGeometry(10, 26, 200, 18);
  auto* brand = new QLabel(QStringLiteral("Halvoren TRAXILON"), panel);
  brand->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  brand->setGeometry(panel->width() - 10 - 200, 8, 200, 18);
  auto* note =
      new QLabel(QStringLiteral("If you have any questions or comments please contact us at\n"
                                "www.halvoren.example"),
                 panel);
  note->setAlignment(Qt::AlignCenter);
  note->setGeometry(4, 48, panel->width() - 8, 34);
  auto* ok = new QPushButton(QStringLiteral("OK"), panel);
  ok->setDefault(true);
  ok->setGeometry((panel->width() - 75) / 2, 86, 75, 25);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  setFixedSize(kClientWidth, kLogoHeight + kPanelHeight + 6);
}

void AboutDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOn(this, parentWidget());
}

}  // namespace kvx
