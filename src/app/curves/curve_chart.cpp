#include "app/curves/curve_chart.h"

#include <QFileInfo>
#include <QPainter>
#include <QSvgGenerator>
#include <algorithm>

namespace kvx {
namespace {

QColor ColourOf(const std::string& rrggbb) {
  const QColor c(QStringLiteral("#") + QString::fromStdString(rrggbb));
  return c.isValid() ? c : QColor(Qt::black);
}

void StyleAxis(QCPAxis* axis) {
  QPen minor(QColor(0xC0, 0xC0, 0xC0));
  minor.setStyle(Qt::DotLine);
  axis->grid()->setSubGridVisible(true);
  axis->grid()->setSubGridPen(minor);
  QPen major(QColor(0xA0, 0xA0, 0xA0));
  major.setStyle(Qt::DotLine);
  axis->grid()->setPen(major);
}

void MakeLogarithmic(QCPAxis* axis, bool logarithmic) {
  if (logarithmic) {
    axis->setScaleType(QCPAxis::stLogarithmic);
    auto ticker = QSharedPointer<QCPAxisTickerLog>::create();
    ticker->setSubTickCount(8);
    axis->setTicker(ticker);
    axis->setNumberFormat(QStringLiteral("gb"));
    axis->setNumberPrecision(6);
  } else {
    axis->setScaleType(QCPAxis::stLinear);
    auto ticker = QSharedPointer<QCPAxisTicker>::create();
    axis->setTicker(ticker);
    axis->setSubTicks(true);
    axis->setNumberFormat(QStringLiteral("g"));
    axis->setNumberPrecision(6);
  }
}

}  // namespace

CurveChart::CurveChart(QWidget* parent) : QCustomPlot(parent) {
  setNoAntialiasingOnDrag(true);
  // Fourteen bands of thousands of points each are redrawn per keystroke:
  // plain polylines without antialiasing keep that to a few milliseconds.
  setNotAntialiasedElements(QCP::aePlottables);
  setPlottingHint(QCP::phFastPolylines, true);
  setInteractions({});  // no zooming, panning or selecting
  StyleAxis(xAxis);
  StyleAxis(yAxis);
  MakeLogarithmic(xAxis, true);
  MakeLogarithmic(yAxis, true);
  xAxis->setLabel(QStringLiteral("Multiples of CT Rating"));
  yAxis->setLabel(QStringLiteral("Time (s)"));
  SetAxes(ChartAxes{});

  plotLayout()->insertRow(0);
  title_ = new QCPTextElement(this, QString(), QFont(QStringLiteral("Sans"), 11, QFont::Bold));
  title_->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
  plotLayout()->addElement(0, 0, title_);
  SetTitleShown(false);

  legendText_ = new QCPItemText(this);
  legendText_->setPositionAlignment(Qt::AlignTop | Qt::AlignRight);
  legendText_->setTextAlignment(Qt::AlignLeft);
  legendText_->position->setType(QCPItemPosition::ptAxisRectRatio);
  legendText_->position->setCoords(0.995, 0.005);
  legendText_->setPadding(QMargins(4, 3, 4, 3));
  legendText_->setPen(QPen(Qt::black));
  legendText_->setBrush(QBrush(Qt::white));
  legendText_->setFont(QFont(QStringLiteral("Sans"), 7));
  legendText_->setClipToAxisRect(true);
}

void CurveChart::ShowSeries(const std::vector<const CurveSeries*>& series) {
  QVector<double> keys;
  QVector<double> values;
  for (std::size_t i = 0; i < series.size(); ++i) {
    while (static_cast<int>(graphs_.size()) <= static_cast<int>(i)) {
      graphs_.push_back(addGraph(xAxis, yAxis));
    }
    QCPGraph* g = graphs_[i];
    const CurveSeries* s = series[i];
    if (s == nullptr) {
      g->data()->clear();
      g->setVisible(false);
      continue;
    }
    keys.resize(static_cast<qsizetype>(s->points.size()));
    values.resize(static_cast<qsizetype>(s->points.size()));
    for (std::size_t p = 0; p < s->points.size(); ++p) {
      keys[static_cast<qsizetype>(p)] = s->points[p].current;
      values[static_cast<qsizetype>(p)] = s->points[p].time;
    }
    // The models keep every series in ascending current; equal currents
    // (a definite-time step) keep their order.
    g->setData(keys, values, true);
    g->setName(QString::fromStdString(s->title));
    g->setObjectName(QString::fromStdString(s->name));
    g->setPen(QPen(ColourOf(s->colour), 2));
    g->setAdaptiveSampling(true);
    const bool isCustom = s->name == "Custom_Curve" || s->name == "D1_Series";
    g->setScatterStyle(isCustom ? QCPScatterStyle(QCPScatterStyle::ssCross, 7) : QCPScatterStyle());
    g->setVisible(s->active);
  }
  for (std::size_t i = series.size(); i < graphs_.size(); ++i) {
    graphs_[i]->data()->clear();
    graphs_[i]->setVisible(false);
  }
}

void CurveChart::SetAxes(const ChartAxes& axes) {
  // A logarithmic axis cannot start at zero: keep a small positive floor.
  auto lower = [](const QCPAxis* a, double v) {
    return a->scaleType() == QCPAxis::stLogarithmic && v <= 0 ? 0.001 : v;
  };
  xAxis->setRange(lower(xAxis, axes.current.min), axes.current.max);
  yAxis->setRange(lower(yAxis, axes.time.min), axes.time.max);
}

void CurveChart::SetCurrentAxisTitle(const QString& title) {
  xAxis->setLabel(title);
}

void CurveChart::SetCurrentAxisLogarithmic(bool logarithmic) {
  MakeLogarithmic(xAxis, logarithmic);
  if (!logarithmic) {
    auto ticker = QSharedPointer<QCPAxisTicker>::create();
    xAxis->setTicker(ticker);
    xAxis->setSubTicks(true);
  }
}

void CurveChart::SetAccuracyLegend(const QString& text) {
  legendText_->setText(text.trimmed());
  legendText_->setVisible(!text.trimmed().isEmpty());
}

void CurveChart::SetTitleText(const QString& title) {
  titleText_ = title;
  if (title_->visible()) title_->setText(title);
}

void CurveChart::SetTitleShown(bool shown) {
  title_->setVisible(shown);
  title_->setText(shown ? titleText_ : QString());
  // An empty row would still take space: drop it to nothing while hidden.
  plotLayout()->setRowStretchFactor(0, shown ? 0.001 : 0.0001);
  title_->setMinimumSize(0, shown ? 24 : 0);
  title_->setMaximumSize(QWIDGETSIZE_MAX, shown ? 30 : 0);
}

void CurveChart::SetPanelColour(const QColor& colour) {
  panel_ = colour;
  setBackground(QBrush(colour));
  if (trendRect_ != nullptr) trendRect_->setBackground(QBrush(colour));
}

void CurveChart::ShowTrend(const CurveSeries* trend) {
  const bool shown = trend != nullptr && trend->active && !trend->points.empty();
  if (shown && trendRect_ == nullptr) {
    trendRect_ = new QCPAxisRect(this);
    trendRect_->setObjectName(QStringLiteral("Trend_Chart"));
    trendRect_->setBackground(QBrush(panel_));
    trendRect_->axis(QCPAxis::atBottom)->setLabel(QStringLiteral("% FLA"));
    trendRect_->axis(QCPAxis::atLeft)->setLabel(QStringLiteral("% I^2t"));
    for (QCPAxis* a : trendRect_->axes()) {
      a->setLabelFont(QFont(QStringLiteral("Sans"), 7));
      a->setTickLabelFont(QFont(QStringLiteral("Sans"), 6));
    }
    trendRect_->setMinimumMargins(QMargins(2, 2, 2, 2));
    axisRect()->insetLayout()->addElement(trendRect_, QRectF(0.70, 0.02, 0.28, 0.34));
    trendGraph_ = addGraph(trendRect_->axis(QCPAxis::atBottom), trendRect_->axis(QCPAxis::atLeft));
    trendGraph_->setObjectName(QStringLiteral("Trend_Series"));
    trendGraph_->setPen(QPen(Qt::black, 1));
  }
  if (trendRect_ == nullptr) return;
  trendRect_->setVisible(shown);
  trendGraph_->setVisible(shown);
  // The accuracy legend moves left of the inset while it is on show.
  legendText_->position->setCoords(shown ? 0.69 : 0.995, 0.005);
  if (!shown) return;
  QVector<double> keys, values;
  keys.reserve(static_cast<qsizetype>(trend->points.size()));
  values.reserve(static_cast<qsizetype>(trend->points.size()));
  double top = 0;
  for (const CurvePoint& p : trend->points) {
    keys.push_back(p.current);
    values.push_back(p.time);
    top = std::max(top, p.time);
  }
  trendGraph_->setData(keys, values, true);
  trendRect_->axis(QCPAxis::atBottom)->setRange(keys.front(), keys.back());
  trendRect_->axis(QCPAxis::atLeft)->setRange(0, top > 0 ? top * 1.05 : 1);
}

QCPGraph* CurveChart::GraphNamed(const QString& name) const {
  for (QCPGraph* g : graphs_) {
    if (g->objectName() == name) return g;
  }
  return nullptr;
}

bool SaveChartPicture(QCustomPlot& chart, const QString& path, int width, int height,
                      QString& error) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  bool ok = false;
  if (suffix == QLatin1String("png")) {
    ok = chart.savePng(path, width, height);
  } else if (suffix == QLatin1String("pdf")) {
    ok = chart.savePdf(path, width, height);
  } else if (suffix == QLatin1String("svg")) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(QStringLiteral("Protection Curves"));
    QCPPainter painter;
    if (painter.begin(&svg)) {
      chart.toPainter(&painter, width, height);
      ok = painter.end();
    }
  } else {
    error = QStringLiteral("the picture must be a .png, .svg or .pdf file");
    return false;
  }
  if (!ok || !QFileInfo(path).isFile() || QFileInfo(path).size() == 0) {
    error = QStringLiteral("cannot write %1").arg(path);
    return false;
  }
  return true;
}

}  // namespace kvx
