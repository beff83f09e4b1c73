#include "app/compare/compare_files_window.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "app/frame/main_window.h"
#include "app/reports/plan_printer.h"
#include "reports/compare_print.h"
#include "reports/setpoint_report.h"
#include "session/group_reads.h"
#include "setpoints/file_save.h"

namespace kvx {
namespace {

constexpr int kMinWidth = 750;
constexpr int kMinHeight = 550;
constexpr int kRowHeight = 21;
constexpr const char* kSideTip[2] = {"Please Select File for the left side of the screen.",
                                     "Please Select File for the right side of the screen."};

std::filesystem::path ToPath(const QString& path) {
  return std::filesystem::path(path.toStdString());
}

}  // namespace

CompareFilesWindow::CompareFilesWindow(MainWindow& window) : QDialog(&window), window_(window) {
  setObjectName(QStringLiteral("FilecompareF"));
  setWindowTitle(QStringLiteral("Compare Files"));
  setMinimumSize(kMinWidth, kMinHeight);
  resize(kMinWidth, kMinHeight);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  for (int side = 0; side < 2; ++side) {
    change_[side] = new QPushButton(QStringLiteral("Select File"), this);
    change_[side]->setObjectName(side == 0 ? QStringLiteral("change1_B")
                                           : QStringLiteral("change2_B"));
    file_[side] = new QLabel(this);
    file_[side]->setObjectName(side == 0 ? QStringLiteral("file1_L") : QStringLiteral("file2_L"));
    file_[side]->setAutoFillBackground(true);
    file_[side]->setMinimumWidth(200);
    file_[side]->installEventFilter(this);
    top->addWidget(change_[side]);
    top->addWidget(file_[side], 1);
    connect(change_[side], &QPushButton::clicked, this, [this, side] { SelectFile(side); });
  }
  layout->addLayout(top);

  table_ = new QTableWidget(4, kCompareColumns, this);
  table_->setObjectName(QStringLiteral("StringGrid1"));
  table_->horizontalHeader()->hide();
  table_->horizontalHeader()->setMinimumSectionSize(0);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setFocusPolicy(Qt::NoFocus);
  table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  table_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  table_->viewport()->installEventFilter(this);
  layout->addWidget(table_, 1);

  hint_ = new QLabel(
      QStringLiteral("This displays the differences between two setpoint files.  Setpoint "
                     "(*.cds) or Default (*.xml) files may be selected.\nDifferences in setpoint "
                     "name and value are shown."),
      table_);
  hint_->setObjectName(QStringLiteral("hint_P"));
  hint_->setAlignment(Qt::AlignCenter);
  hint_->setAutoFillBackground(true);
  for (int side = 0; side < 2; ++side) {
    tip_[side] = new QPushButton(QString::fromLatin1(kSideTip[side]), table_);
    tip_[side]->setObjectName(side == 0 ? QStringLiteral("tip1_P") : QStringLiteral("tip2_P"));
    tip_[side]->setFlat(true);
    tip_[side]->setAutoFillBackground(true);
    connect(tip_[side], &QPushButton::clicked, this, [this, side] { SelectFile(side); });
  }

  auto* bottom = new QHBoxLayout;
  unit_ = new QPushButton(QStringLiteral("Compare with Unit"), this);
  unit_->setObjectName(QStringLiteral("unit_B"));
  unit_->setToolTip(QStringLiteral("Reads the unit's settings and shows them on the left"));
  auto* print = new QPushButton(QStringLiteral("Print"), this);
  print->setObjectName(QStringLiteral("Print_B"));
  print->setToolTip(QStringLiteral("Prints all Selected Setpoints"));
  auto* save = new QPushButton(QStringLiteral("Save"), this);
  save->setObjectName(QStringLiteral("Save_B"));
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("Close_B"));
  bottom->addWidget(unit_);
  bottom->addStretch(1);
  bottom->addWidget(print);
  bottom->addWidget(save);
  bottom->addWidget(close);
  layout->addLayout(bottom);
  connect(unit_, &QPushButton::clicked, this, [this] { CompareWithUnit(); });
  connect(print, &QPushButton::clicked, this, [this] { Print(); });
  connect(save, &QPushButton::clicked, this, [this] { Save(); });
  connect(close, &QPushButton::clicked, this, [this] { accept(); });
  grid_.rows.resize(4);
  RenderGrid();
}

void CompareFilesWindow::ApplyColors(const UserColors& colors) {
  colors_ = colors;
  PaintFace(this, colors.form);
  PaintBase(table_, colors.background);
  PaintFace(hint_, colors.fixedbox);
  for (QLabel* l : file_) PaintFace(l, colors.editbox);
  RenderGrid();
}

void CompareFilesWindow::RenderOnline() {
  unit_->setVisible(window_.online());
}

QString CompareFilesWindow::Today() const {
  return today ? today() : QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

void CompareFilesWindow::SelectFile(int side) {
  QString path;
  if (askFile) {
    path = askFile(side);
  } else {
    path = QFileDialog::getOpenFileName(
        this,
        side == 0 ? QStringLiteral("Select First File") : QStringLiteral("Select Second File"),
        side == 0 ? QDir::currentPath() : QString(),
        QStringLiteral("Settings Files (*.cds *.xml *.CDS *.XML)"));
  }
  if (path.isEmpty()) return;
  path_[side] = path;
  if (side == 0) leftIsUnit_ = false;
  Chosen(side, QFileInfo(path).fileName());
}

void CompareFilesWindow::Chosen(int side, const QString& name) {
  name_[side] = name;
  file_[side]->setText(name);
  tip_[side]->setText(name);
  tip_[side]->setEnabled(false);
  PaintFace(tip_[side], QColor(0xC0, 0xC0, 0xC0));
  change_[side]->setText(QStringLiteral("Change File"));
  if (!name_[0].isEmpty() && !name_[1].isEmpty()) {
    hint_->hide();
    tip_[0]->hide();
    tip_[1]->hide();
    RunComparison();
  }
}

bool CompareFilesWindow::ReadSide(int side, CompareSide& out) {
  if (side == 0 && leftIsUnit_) {
    out = unitSide_;
    return true;
  }
  const CompareRead r = ReadCompareFile(ToPath(path_[side]));
  if (r.ok) {
    out = r.side;
    return true;
  }
  UserDialogs& dialogs = window_.dialogs();
  if (!r.opened) {
    dialogs.Tell("File Error", "Error Loading File.\n" + r.error);
  } else {
    dialogs.Tell(
        "File Error",
        std::string(side == 0 ? "Error in First File." : "Error in Second File.") + "\n" + r.error);
  }
  return false;
}

void CompareFilesWindow::RunComparison() {
  grid_ = CompareGrid{};
  grid_.rows.resize(4);
  RenderGrid();
  CompareSide left, right;
  if (!ReadSide(0, left) || !ReadSide(1, right)) return;
  grid_ = CompareSides(left, right);
  RenderGrid();
}

void CompareFilesWindow::CompareWithUnit() {
  if (!window_.online()) return;
  WorkingState& session = window_.session();
  // A copy takes the relay's values: the loaded settings and their pending
  // edits stay as they are.
  SettingStore relay = session.Store();
  std::vector<int> groups;
  int total = 0;
  for (int g = 0; g < 999; ++g) {
    const SettingGroup& group = relay.groups[g];
    if (group.name.empty() || !ComparedGroupKind(group.kind)) continue;
    groups.push_back(g);
    total += static_cast<int>(ReportRegisters(relay, g).size());
  }
  GroupReadResult read;
  window_.Busy([&] {
    window_.RunOnLink([&] {
      read = ReadGroupsFromRelay(session, groups, "Reading Settings", session.Progress(), &relay);
    });
  });
  window_.RenderLinkState();
  if (!read.Complete()) {
    window_.dialogs().Tell(
        "Communications Error",
        "Error Reading from Unit\n" + DescribeGroupRead(read, total) + "; nothing was compared.");
    return;
  }
  unitSide_ = CompareSideFromStore(relay);
  leftIsUnit_ = true;
  path_[0].clear();
  Chosen(0, QStringLiteral("Unit %1").arg(QString::fromStdString(relay.unitName)));
  if (name_[1].isEmpty()) SelectFile(1);
}

void CompareFilesWindow::RenderGrid() {
  table_->setRowCount(static_cast<int>(grid_.rows.size()));
  QFont bold = table_->font();
  bold.setBold(true);
  for (int r = 0; r < static_cast<int>(grid_.rows.size()); ++r) {
    for (int c = 0; c < kCompareColumns; ++c) {
      const std::string& text =
          grid_.rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
      auto* item = new QTableWidgetItem(QString::fromStdString(text));
      item->setFlags(Qt::ItemIsEnabled);
      if (r < 3) item->setBackground(colors_.fixedbox);
      if (c == 4) item->setBackground(colors_.form);
      if (CompareCellBold(r, c, text)) {
        item->setFont(bold);
        item->setForeground(Qt::black);
      }
      table_->setItem(r, c, item);
    }
  }
  LayOutGrid();
}

void CompareFilesWindow::LayOutGrid() {
  const int b = std::max(0, (width() - kMinWidth) / 4);
  const int widths[kCompareColumns] = {0, b + 200, b + 115, 35, 8, b + 200, b + 115, 35};
  for (int c = 0; c < kCompareColumns; ++c) table_->setColumnWidth(c, widths[c]);
  const QRect area = table_->viewport()->geometry();
  hint_->setGeometry(0, 0, table_->width(), 3 * kRowHeight);
  tip_[0]->setGeometry(0, 3 * kRowHeight, table_->width() / 2, area.height() - 3 * kRowHeight);
  tip_[1]->setGeometry(table_->width() / 2, 3 * kRowHeight, table_->width() - table_->width() / 2,
                       area.height() - 3 * kRowHeight);
}

void CompareFilesWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  LayOutGrid();
}

bool CompareFilesWindow::eventFilter(QObject* watched, QEvent* event) {
  for (int side = 0; side < 2; ++side) {
    if (watched == file_[side] && event->type() == QEvent::MouseButtonDblClick) {
      SelectFile(side);
      return true;
    }
  }
  if (watched == table_->viewport() && event->type() == QEvent::Wheel) {
    // One row a notch.
    const auto* wheel = static_cast<QWheelEvent*>(event);
    QScrollBar* bar = table_->verticalScrollBar();
    bar->setValue(bar->value() + (wheel->angleDelta().y() < 0 ? 1 : -1));
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CompareFilesWindow::Save() {
  FileRequest request;
  request.save = true;
  request.title = QStringLiteral("Save in Readable Format");
  request.filter = QStringLiteral("Excel File (*.xls *.XLS);;Text File (*.txt *.TXT)");
  request.proposedName = QStringLiteral("Setpoints_Comparison");
  request.suffix = QStringLiteral("xls");
  request.folder = window_.lastFolder();
  QString path;
  if (window_.askFileName) {
    path = window_.askFileName(request);
  } else {
    QFileDialog dialog(this, request.title, request.folder, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(request.suffix);
    dialog.selectFile(request.proposedName);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      path = dialog.selectedFiles().first();
  }
  if (path.isEmpty()) return;
  const WriteResult w = WriteFileAtomically(
      ToPath(path), CompareListingText(name_[0].toStdString(), name_[1].toStdString(), grid_));
  if (!w.ok) window_.dialogs().Tell("File Error", "The listing could not be written.\n" + w.error);
}

void CompareFilesWindow::Print() {
  QPrinter printer(QPrinter::HighResolution);
  PreparePrinter(printer);
  printer.setPageOrientation(QPageLayout::Portrait);
  const bool chosen =
      askPrinter ? askPrinter(printer) : QPrintDialog(&printer, this).exec() == QDialog::Accepted;
  if (!chosen) return;
  printer.setPageOrientation(QPageLayout::Portrait);
  const std::string date = Today().toStdString();
  QString error;
  if (!PrintPlanOn(
          printer,
          [&](int lines) {
            return BuildComparePrintPlan(date, name_[0].toStdString(), name_[1].toStdString(),
                                         grid_, lines);
          },
          error)) {
    window_.dialogs().Tell("Printer Error", "There was an error printing.\n" + error.toStdString());
  }
}

}  // namespace kvx
