#include "app/curves/curve_plot_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "app/controls/bw_spin_edit.h"
#include "app/curves/curve_chart.h"
#include "app/curves/custom_curve_page.h"
#include "app/dialogs/message_box.h"
#include "app/frame/frame_widgets.h"
#include "curves/feeder_curves.h"
#include "setpoints/number_text.h"

namespace kvx {
namespace {

constexpr double kDecades[] = {1000000, 100000, 10000, 1000, 100, 10, 1, 0.1, 0.01};

double NumberOr(const std::string& text, double fallback) {
  const auto v = ParseNumber(text);
  return v ? *v : fallback;
}

}  // namespace

CurvePlotWindow::CurvePlotWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromLatin1(kCurveWindowCaption));
  setModal(true);
  choosePrinter = [this](QPrinter& printer) {
    QPrintDialog dialog(&printer, this);
    return dialog.exec() == QDialog::Accepted;
  };
  askSaveFile = [this](const QString& title, const QString& filter, const QString& proposed) {
    return QFileDialog::getSaveFileName(this, title, proposed, filter);
  };
}

CurvePlotWindow::~CurvePlotWindow() = default;

void CurvePlotWindow::BuildFrame() {
  auto* outer = new QHBoxLayout(this);
  outer->setContentsMargins(4, 4, 4, 4);

  // The pages keep a fixed share; the chart takes whatever the window grows by.
  auto* leftPane = new QWidget(this);
  leftPane->setObjectName(QStringLiteral("left_P"));
  leftPane->setFixedWidth(520);
  auto* left = new QVBoxLayout(leftPane);
  left->setContentsMargins(0, 0, 0, 0);
  side_ = new QWidget(this);
  side_->setObjectName(QStringLiteral("side_P"));
  left->addWidget(side_);
  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("PageControl1"));
  left->addWidget(pages_, 1);

  auto* buttons = new QGridLayout;
  auto button = [this](const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
  };
  printCurves_ = button("Print_B", QStringLiteral("Print Curves"));
  applyButton_ = button("Apply_B", QStringLiteral("Apply Changes"));
  closeButton_ = button("Close_B", QStringLiteral("Close"));
  saveChart_ = button("SaveChart_B", QStringLiteral("Save Chart As..."));
  buttons->addWidget(applyButton_, 0, 0);
  buttons->addWidget(printCurves_, 0, 1);
  buttons->addWidget(saveChart_, 1, 0);
  buttons->addWidget(closeButton_, 1, 1);
  left->addLayout(buttons);
  outer->addWidget(leftPane, 0);

  chart_ = new CurveChart(this);
  chart_->setObjectName(QStringLiteral("Chart1"));
  chart_->setMinimumSize(420, 360);
  chart_->setMouseTracking(true);
  chart_->installEventFilter(this);
  // Room above the axes for the title box.
  chart_->axisRect()->setMinimumMargins(QMargins(0, 30, 0, 0));
  outer->addWidget(chart_, 1);

  changeAxis_ = new QPushButton(QStringLiteral("Change Axis"), chart_);
  changeAxis_->setObjectName(QStringLiteral("ChangeAxis_B"));
  changeAxis_->setAutoDefault(false);

  titleLabel_ = new QLabel(QStringLiteral("Graph Title"), chart_);
  titleLabel_->setObjectName(QStringLiteral("title_L"));
  titleBox_ = new QLineEdit(chart_);
  titleBox_->setObjectName(QStringLiteral("title_E"));
  titleBox_->setFixedWidth(160);
  titleBox_->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[-./0-9A-Za-z ]*")), titleBox_));
  connect(titleBox_, &QLineEdit::returnPressed, this, [this] { OnTitleEntered(); });
  connect(titleBox_, &QLineEdit::editingFinished, this, [this] { OnTitleEntered(); });

  dateLabel_ = new QLabel(chart_);
  dateLabel_->setObjectName(QStringLiteral("date_L"));
  dateLabel_->hide();

  coordinates_ = new QLabel(chart_);
  coordinates_->setObjectName(QStringLiteral("coord_L"));
  coordinates_->setFrameShape(QFrame::Box);
  coordinates_->setStyleSheet(QStringLiteral("background: white;"));
  coordinates_->hide();

  message_ = new QLabel(pages_);
  message_->setObjectName(QStringLiteral("message_P"));
  message_->setAlignment(Qt::AlignCenter);
  message_->setStyleSheet(QStringLiteral("background: yellow; color: black;"));
  message_->hide();
  fadeTimer_ = new QTimer(this);
  fadeTimer_->setObjectName(QStringLiteral("fade_Timer"));
  fadeTimer_->setInterval(kEntryMessageShowMs);
  connect(fadeTimer_, &QTimer::timeout, this, [this] { OnFadeTick(); });

  axisPanel_ = new QFrame(chart_);
  axisPanel_->setObjectName(QStringLiteral("axis_P"));
  axisPanel_->setFrameShape(QFrame::Panel);
  axisPanel_->setAutoFillBackground(true);
  auto* axisGrid = new QGridLayout(axisPanel_);
  const char* axisNames[4] = {"Y-AXIS Max", "Y-AXIS Min", "X-AXIS Max", "X-AXIS Min"};
  for (int i = 0; i < 4; ++i) {
    axisEdits_[i] = new QDoubleSpinBox(axisPanel_);
    axisEdits_[i]->setDecimals(2);
    axisEdits_[i]->setRange(i < 2 ? 0.01 : 0, 10000);
    axisLists_[i] = new QComboBox(axisPanel_);
    for (double d : kDecades) axisLists_[i]->addItem(QString::number(d, 'g', 7), d);
    axisLists_[i]->hide();
    axisGrid->addWidget(new QLabel(QString::fromLatin1(axisNames[i]), axisPanel_), i, 0);
    axisGrid->addWidget(axisEdits_[i], i, 1);
    axisGrid->addWidget(axisLists_[i], i, 2);
  }
  holdAxis_ = new QCheckBox(QStringLiteral("Hold Axis as set"), axisPanel_);
  holdAxis_->setObjectName(QStringLiteral("hold_axis_CB"));
  axisGrid->addWidget(holdAxis_, 4, 0, 1, 2);
  auto* axisApply = new QPushButton(QStringLiteral("Apply"), axisPanel_);
  auto* axisCancel = new QPushButton(QStringLiteral("Cancel"), axisPanel_);
  axisGrid->addWidget(axisApply, 5, 0);
  axisGrid->addWidget(axisCancel, 5, 1);
  axisPanel_->adjustSize();
  axisPanel_->hide();
  connect(axisApply, &QPushButton::clicked, this, [this] { ApplyAxisPanel(); });
  connect(axisCancel, &QPushButton::clicked, this, [this] {
    axisPanel_->hide();
    printCurves_->setEnabled(true);
  });

  connect(applyButton_, &QPushButton::clicked, this, [this] { ApplyChanges(); });
  connect(printCurves_, &QPushButton::clicked, this, [this] { PrintCurves(); });
  connect(closeButton_, &QPushButton::clicked, this, [this] { OnClose(); });
  connect(changeAxis_, &QPushButton::clicked, this, [this] { OpenAxisPanel(); });
  connect(saveChart_, &QPushButton::clicked, this, [this] { OnSaveChartAs(); });
}

void CurvePlotWindow::AddPage(QWidget* page, const QString& caption) {
  pages_->addTab(page, caption);
}

SpinEdit* CurvePlotWindow::MakeNumberBox(QWidget* parent) {
  auto* box = new SpinEdit(parent);
  box->setFixedSize(110, 21);
  box->setPrecision(2);
  box->setIncrement(0.01);
  connect(box, &SpinEdit::OnChange, this, [this](SpinEdit* sender) { EntryChanged(sender); });
  return box;
}

void CurvePlotWindow::SetBoxRange(SpinEdit* box, const std::string& minText,
                                  const std::string& maxText, const std::string& value) {
  // One beyond each end, so that typing just past a limit is caught and
  // corrected with a message.
  box->setMin(NumberOr(minText, 0) - 1);
  box->setMax(NumberOr(maxText, 0) + 1);
  box->setValue(NumberOr(value, 0));
}

void CurvePlotWindow::EntryChanged(SpinEdit* box) {
  const double v = box->Value();
  if (v < box->Min() + 1) {
    box->setValue(box->Min() + 1);
    ShowEntryMessage(QStringLiteral("Entered value was below minimum."), RestartsMessage());
  } else if (v > box->Max() - 1) {
    box->setValue(box->Max() - 1);
    ShowEntryMessage(QStringLiteral("Entered value was above maximum."), RestartsMessage());
  }
  MarkPending();
  RebuildAndDraw();
}

void CurvePlotWindow::ShowEntryMessage(const QString& text, bool restart) {
  message_->setText(text);
  const bool onShow = message_->isVisible();
  if (!onShow || restart) {
    message_->setGeometry(0, pages_->height() - kEntryMessageHeight, pages_->width(),
                          kEntryMessageHeight);
    fadeTimer_->setInterval(kEntryMessageShowMs);
    fadeTimer_->start();
  }
  message_->show();
  message_->raise();
}

void CurvePlotWindow::OnFadeTick() {
  fadeTimer_->setInterval(kEntryMessageFadeMs);
  QRect r = message_->geometry();
  if (r.height() <= 1) {
    message_->hide();
    message_->setGeometry(0, pages_->height() - kEntryMessageHeight, pages_->width(),
                          kEntryMessageHeight);
    fadeTimer_->stop();
    fadeTimer_->setInterval(kEntryMessageShowMs);
    return;
  }
  message_->setGeometry(r.x(), r.y() + 1, r.width(), r.height() - 1);
}

QTableWidget* CurvePlotWindow::MakeGrid(QWidget* parent, const QString& objectName) {
  auto* grid = new QTableWidget(parent);
  grid->setObjectName(objectName);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 4);
  grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  return grid;
}

void CurvePlotWindow::FillGrid(QTableWidget* grid, const PointsTable& table) {
  grid->clear();
  grid->setColumnCount(static_cast<int>(table.header.size()));
  grid->setRowCount(static_cast<int>(table.rows.size()));
  QStringList header;
  for (const std::string& h : table.header) header << QString::fromStdString(h);
  grid->setHorizontalHeaderLabels(header);
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    for (std::size_t c = 0; c < table.rows[r].size(); ++c) {
      auto* item = new QTableWidgetItem(QString::fromStdString(table.rows[r][c]));
      item->setTextAlignment(c == 0 ? Qt::Alignment(Qt::AlignCenter)
                                    : Qt::AlignRight | Qt::AlignVCenter);
      grid->setItem(static_cast<int>(r), static_cast<int>(c), item);
    }
  }
  grid->resizeColumnsToContents();
}

void CurvePlotWindow::Tell(const std::string& caption, const std::string& text) {
  if (dialogs_ != nullptr) {
    dialogs_->Tell(caption, text);
    return;
  }
  ShowMessage(this, QString::fromStdString(text), QString::fromStdString(caption), MessageKind::Ok);
}

MessageResult CurvePlotWindow::Ask(const std::string& caption, const std::string& text,
                                   MessageKind kind) {
  if (dialogs_ != nullptr) return dialogs_->Ask(caption, text, kind);
  return static_cast<MessageResult>(
      ShowMessage(this, QString::fromStdString(text), QString::fromStdString(caption), kind));
}

void CurvePlotWindow::ApplyWindowColors(const UserColors& colors) {
  colors_ = colors;
  PaintFace(this, colors.form);
  chart_->SetPanelColour(colors.background);
  PaintColors(this);
  for (QWidget* panel : {static_cast<QWidget*>(axisPanel_), static_cast<QWidget*>(coordinates_)})
    PaintFace(panel, colors.background);
}

void CurvePlotWindow::PaintColors(QWidget* root) {
  if (root == nullptr) return;
  const UserColors& c = colors_;
  for (QGroupBox* box : root->findChildren<QGroupBox*>()) PaintFace(box, c.background);
  for (QTableWidget* grid : root->findChildren<QTableWidget*>()) PaintGrid(grid, c);
  for (QAbstractSpinBox* box : root->findChildren<QAbstractSpinBox*>()) PaintBase(box, c.editbox);
  for (QComboBox* list : root->findChildren<QComboBox*>()) {
    PaintBase(list, c.editbox);
    QPalette p = list->palette();
    p.setColor(QPalette::Button, c.editbox);
    p.setColor(QPalette::ButtonText, TextOn(c.editbox));
    list->setPalette(p);
  }
  for (QLineEdit* box : root->findChildren<QLineEdit*>()) {
    // The line inside a number box or list takes its owner's colour.
    if (qobject_cast<QAbstractSpinBox*>(box->parentWidget()) != nullptr ||
        qobject_cast<QComboBox*>(box->parentWidget()) != nullptr)
      continue;
    PaintBase(box, box->isReadOnly() ? c.fixedbox : c.editbox);
  }
  if (customPage_ != nullptr && (root == customPage_ || root->isAncestorOf(customPage_))) {
    PaintFace(customPage_, c.form);
    QPalette p = customPage_->grid()->palette();
    p.setColor(QPalette::Base, c.editbox);
    p.setColor(QPalette::AlternateBase, c.editbox);
    p.setColor(QPalette::Text, TextOn(c.editbox));
    customPage_->grid()->setPalette(p);
  }
}

bool CurvePlotWindow::ApplyChanges() {
  if (pending_) CopyToRecord();
  const bool ok = applyChanges ? applyChanges() : false;
  if (ok) {
    pending_ = false;
  } else {
    Tell("Save Error", "Not all settings were saved.");
  }
  return ok;
}

void CurvePlotWindow::OnClose() {
  if (FinishClose()) accept();
}

bool CurvePlotWindow::FinishClose() {
  if (closing_) return true;
  closing_ = true;
  if (pending_) CopyToRecord();
  if (CustomUnsaved() &&
      Ask("Custom Curve Changes",
          "There are unsaved changes to the custom curve.\nDo you wish to save them?",
          MessageKind::YesNo) == MessageResult::Yes) {
    SavePoints();
  }
  closing_ = false;
  return true;
}

void CurvePlotWindow::closeEvent(QCloseEvent* event) {
  FinishClose();
  QDialog::closeEvent(event);
}

void CurvePlotWindow::reject() {
  FinishClose();
  QDialog::reject();
}

bool CurvePlotWindow::WritePointsFile(const QString& path) {
  const std::vector<std::string> lines = PointsFileLines();
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    Tell("Save Error", "The points file could not be created:\n" + path.toStdString() + "\n" +
                           file.errorString().toStdString());
    return false;
  }
  QByteArray text;
  for (const std::string& l : lines) {
    text += QByteArray::fromStdString(l);
    text += "\r\n";
  }
  if (file.write(text) != text.size() || !file.flush()) {
    Tell("Save Error", "The points file could not be written completely:\n" + path.toStdString() +
                           "\n" + file.errorString().toStdString());
    file.close();
    return false;
  }
  file.close();
  MarkCustomSaved();
  return true;
}

void CurvePlotWindow::SavePoints() {
  QString path = askSaveFile(QStringLiteral("Save as Text"), QStringLiteral("Text File (*.txt)"),
                             QStringLiteral("Protection_Curves.txt"));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".txt");
  WritePointsFile(path);
}

bool CurvePlotWindow::SaveChartAs(const QString& path, QString& error) {
  chart_->SetTitleShown(true);
  chart_->replot();
  const bool ok = SaveChartPicture(*chart_, path, chart_->width(), chart_->height(), error);
  chart_->SetTitleShown(false);
  chart_->replot();
  return ok;
}

void CurvePlotWindow::OnSaveChartAs() {
  const QString path =
      askSaveFile(QStringLiteral("Save Chart As"),
                  QStringLiteral("PNG picture (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)"),
                  QStringLiteral("Protection_Curves.png"));
  if (path.isEmpty()) return;
  QString error;
  if (!SaveChartAs(path, error)) Tell("Save Error", error.toStdString());
}

namespace {

// Hides the window's controls for a printed picture and brings everything
// back as it was when it goes, also after an error or an exception.
class PrintLook {
 public:
  PrintLook(CurvePlotWindow& window, CurveChart& chart, QLabel& date,
            const std::vector<QWidget*>& hidden)
      : window_(window),
        chart_(chart),
        date_(date),
        size_(window.size()),
        state_(window.windowState()) {
    for (QWidget* w : hidden) {
      if (w->isVisible()) {
        w->hide();
        hidden_.push_back(w);
      }
    }
    window_.SetPrintLayout(true);
    chart_.SetTitleShown(true);
    date_.setText(PrintedDate(QDate::currentDate()));
    date_.adjustSize();
    date_.move(chart_.width() - date_.width() - 20, 4);
    date_.show();
    chart_.replot();
  }
  // The picture is taken at a fixed, large size so that it scales well onto
  // the page whatever size the user gave the window.
  void Enlarge(const QSize& size) {
    if (state_ & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
      window_.setWindowState(state_ &
                             ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    window_.resize(size);
    SettleSize(size);
    date_.move(chart_.width() - date_.width() - 20, 4);
    chart_.replot();
  }
  ~PrintLook() {
    window_.SetPrintLayout(false);
    date_.hide();
    chart_.SetTitleShown(false);
    for (QWidget* w : hidden_) w->show();
    // Resizing drops a maximized state, so the state comes back last.
    window_.resize(size_);
    SettleSize(size_);
    window_.setWindowState(state_);
    chart_.replot();
  }
  // A shown window takes its new size when the window system confirms it;
  // wait for that (without taking user input), at most half a second, so
  // the picture is taken at the size asked for where the system grants it.
  void SettleSize(const QSize& size) {
    QElapsedTimer waited;
    waited.start();
    while (window_.isVisible() && window_.size() != size && waited.elapsed() < 500)
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    if (window_.layout() != nullptr) window_.layout()->activate();
  }
  PrintLook(const PrintLook&) = delete;
  PrintLook& operator=(const PrintLook&) = delete;

 private:
  CurvePlotWindow& window_;
  CurveChart& chart_;
  QLabel& date_;
  QSize size_;
  Qt::WindowStates state_;
  std::vector<QWidget*> hidden_;
};

}  // namespace

QSize CurvePlotWindow::PrintPictureSize() const {
  QSize size = kPrintPicture;
  const QSize need = layout() != nullptr ? layout()->minimumSize() : minimumSizeHint();
  if (need.width() > size.width()) size.setWidth(need.width() + 50);
  if (need.height() > size.height()) size.setHeight(need.height() + 50);
  return size;
}

bool CurvePlotWindow::PrintCurves() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  if (!choosePrinter(printer)) return false;
  bool ok = false;
  // Cleared however the printout ends, so the wait window goes at its next tick.
  struct Printing {
    bool& flag;
    explicit Printing(bool& f) : flag(f) { flag = true; }
    ~Printing() { flag = false; }
    Printing(const Printing&) = delete;
    Printing& operator=(const Printing&) = delete;
  } printing(printing_);
  try {
    PrintLook look(*this, *chart_, *dateLabel_,
                   {printCurves_, applyButton_, closeButton_, saveChart_, changeAxis_, titleLabel_,
                    titleBox_, coordinates_, axisPanel_});
    if (printWait_ == nullptr) printWait_ = new PrintWaitWindow(this, [this] { return printing_; });
    printWait_->show();
    printWait_->repaint();
    look.Enlarge(PrintPictureSize());
    QPainter painter;
    if (painter.begin(&printer)) {
      const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
      const QSize picture = size();
      const double scale = std::min(static_cast<double>(page.width()) / picture.width(),
                                    static_cast<double>(page.height()) / picture.height());
      painter.scale(scale, scale);
      render(&painter);
      ok = painter.end();
    }
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok) Tell("Printer Error", "There was an error printing.");
  return ok;
}

bool CurvePlotWindow::PrintPoints() {
  const PointsPrintout printout = PointsToPrint();
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Portrait);
  if (!choosePrinter(printer)) return false;
  bool ok = false;
  try {
    ok = PrintPointsTable(printer, printout);
  } catch (const std::exception&) {
    ok = false;
  }
  if (!ok) Tell("Printer Error", "There was an error printing.");
  return ok;
}

bool CurvePlotWindow::ApplyAxisLimits(double time1, double time2, double current1,
                                      double current2) {
  if (time1 == time2 || current1 == current2) return false;
  ChartAxes axes;
  axes.time = {std::min(time1, time2), std::max(time1, time2)};
  axes.current = {std::min(current1, current2), std::max(current1, current2)};
  SetHeldAxes(axes);
  chart_->SetAxes(axes);
  chart_->replot();
  return true;
}

double CurvePlotWindow::DecadeAtOrBelow(double limit) {
  for (double d : kDecades) {
    if (d >= 0.1 && limit >= d) return d;
  }
  return 0.01;
}

void CurvePlotWindow::UseDecadeLists(bool lists) {
  decadeLists_ = lists;
  for (int i = 0; i < 4; ++i) {
    axisEdits_[i]->setVisible(!lists);
    axisLists_[i]->setVisible(lists);
  }
  axisPanel_->adjustSize();
}

void CurvePlotWindow::OpenAxisPanel() {
  const ChartAxes a = AxesInForce();
  const double limits[4] = {a.time.max, a.time.min, a.current.max, a.current.min};
  for (int i = 0; i < 4; ++i) {
    axisEdits_[i]->setValue(limits[i]);
    axisLists_[i]->setCurrentIndex(axisLists_[i]->findData(DecadeAtOrBelow(limits[i])));
  }
  axisPanel_->adjustSize();
  axisPanel_->move((chart_->width() - axisPanel_->width()) / 2,
                   (chart_->height() - axisPanel_->height()) / 2);
  axisPanel_->show();
  axisPanel_->raise();
  printCurves_->setEnabled(false);
}

void CurvePlotWindow::ApplyAxisPanel() {
  double v[4];
  for (int i = 0; i < 4; ++i)
    v[i] = decadeLists_ ? axisLists_[i]->currentData().toDouble() : axisEdits_[i]->value();
  if (!ApplyAxisLimits(v[0], v[1], v[2], v[3])) return;  // an equal pair: the panel stays open
  axisPanel_->hide();
  printCurves_->setEnabled(true);
}

void CurvePlotWindow::OnTitleEntered() {
  chart_->SetTitleText(titleBox_->text());
}

void CurvePlotWindow::FollowMouse(QMouseEvent* event) {
  const QPointF pos = event->position();
  const double current = chart_->xAxis->pixelToCoord(pos.x());
  const double time = chart_->yAxis->pixelToCoord(pos.y());
  const QCPRange cr = chart_->xAxis->range();
  const QCPRange tr = chart_->yAxis->range();
  if (!(cr.contains(current) && tr.contains(time))) {
    coordinates_->hide();
    return;
  }
  coordinates_->setText(QStringLiteral(" %1 , %2s ")
                            .arg(QString::fromStdString(FormatFixed(current, 2)))
                            .arg(QString::fromStdString(FormatFixed(time, 2))));
  coordinates_->adjustSize();
  int x = static_cast<int>(pos.x()) + 20;
  int y = static_cast<int>(pos.y()) + 20;
  if (x + coordinates_->width() > chart_->width()) x = chart_->width() - coordinates_->width();
  if (y + coordinates_->height() > chart_->height())
    y = static_cast<int>(pos.y()) - 20 - coordinates_->height();
  coordinates_->move(x, y);
  coordinates_->show();
  coordinates_->raise();
}

bool CurvePlotWindow::ClickChart(double current, double time) {
  if (customPage_ == nullptr || pages_->currentWidget() != customPage_ ||
      !coordinates_->isVisible() || !customPage_->displaySwitch()->isChecked()) {
    return false;
  }
  return customPage_->AddClickedPoint(current, time);
}

bool CurvePlotWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == chart_) {
    if (event->type() == QEvent::MouseMove) {
      FollowMouse(static_cast<QMouseEvent*>(event));
    } else if (event->type() == QEvent::MouseButtonRelease) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) {
        ClickChart(chart_->xAxis->pixelToCoord(mouse->position().x()),
                   chart_->yAxis->pixelToCoord(mouse->position().y()));
      }
    } else if (event->type() == QEvent::Leave) {
      coordinates_->hide();
    } else if (event->type() == QEvent::Wheel) {
      return true;  // the wheel does nothing on the chart
    } else if (event->type() == QEvent::Resize) {
      PlaceOverlays();
    }
  }
  return QDialog::eventFilter(watched, event);
}

void CurvePlotWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceOverlays();
}

void CurvePlotWindow::PlaceOverlays() {
  if (chart_ == nullptr) return;
  const int half = chart_->width() / 2;
  titleLabel_->adjustSize();
  titleBox_->move(half - 80, 2);
  titleLabel_->move(titleBox_->x() - titleLabel_->width() - 6, 6);
  changeAxis_->adjustSize();
  changeAxis_->move(chart_->width() - changeAxis_->width() - 4,
                    chart_->height() - changeAxis_->height() - 4);
  axisPanel_->move((chart_->width() - axisPanel_->width()) / 2,
                   (chart_->height() - axisPanel_->height()) / 2);
  if (!message_->isVisible()) {
    message_->setGeometry(0, pages_->height() - kEntryMessageHeight, pages_->width(),
                          kEntryMessageHeight);
  }
}

}  // namespace kvx
