#include "app/setpoints/setpoint_page_view.h"

#include <algorithm>

#include <QAction>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <memory>

#include "app/frame/frame_widgets.h"
#include "app/frame/main_window.h"
#include "session/handover.h"
#include "shell/grid_columns.h"

namespace kvx {
namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kBarHeight = 34;
constexpr int kNoticeHeight = 24;

constexpr int kSplitWidth = 4;
constexpr int kMinTreeWidth = 120;
constexpr int kMinGridWidth = 300;

// A group's picture is its tick box (empty, or ticked in green), or the
// warning triangle while it holds changes or could not be read; a folder
// shows a green dot when it holds a listed group.
QIcon StateIcon(int state, bool group) {
  QPixmap pixmap(14, 14);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  if (state == kPending || state == kFolderWarning) {
    QPainterPath triangle;
    triangle.moveTo(7, 1);
    triangle.lineTo(13, 13);
    triangle.lineTo(1, 13);
    triangle.closeSubpath();
    p.setBrush(QColor(0xFF, 0xD0, 0x00));
    p.setPen(QColor(0x80, 0x60, 0x00));
    p.drawPath(triangle);
    p.setPen(Qt::black);
    p.drawLine(QPointF(7, 5), QPointF(7, 9.5));
    p.drawPoint(QPointF(7, 11.5));
  } else if (group) {
    p.setBrush(Qt::white);
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.drawRect(QRectF(1.5, 1.5, 11, 11));
    if (state == kToRead || state == kListed) {
      QPen tick(QColor(0x00, 0x90, 0x00));
      tick.setWidthF(2.0);
      p.setPen(tick);
      p.drawPolyline(QPolygonF({QPointF(3.5, 7), QPointF(6, 10), QPointF(10.5, 4)}));
    }
  } else if (state == kToRead || state == kListed || state == kFolderListed) {
    p.setBrush(QColor(0x00, 0xA0, 0x00));
    p.setPen(QColor(0x00, 0x60, 0x00));
    p.drawEllipse(QRectF(2.5, 2.5, 9, 9));
  }
  return QIcon(pixmap);
}

// The handle between the tree and the grid: dragged sideways it moves the
// split.
class SplitHandle : public QWidget {
 public:
  SplitHandle(QWidget* parent, std::function<void(int)> onDrag)
      : QWidget(parent), onDrag_(std::move(onDrag)) {
    setCursor(Qt::SplitHCursor);
    setToolTip(QStringLiteral("Drag to widen the tree or the grid"));
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override { event->accept(); }
  void paintEvent(QPaintEvent*) override {
    // A short grip in the middle, so the handle can be found.
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    const int middle = height() / 2;
    for (int y = middle - 12; y <= middle + 12; y += 4) p.drawPoint(width() / 2, y);
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (event->buttons() & Qt::LeftButton) {
      onDrag_(mapToParent(event->position().toPoint()).x());
    }
  }

 private:
  std::function<void(int)> onDrag_;
};

}  // namespace

SetpointPageView::SetpointPageView(MainWindow& window, QWidget* page, QProgressBar* progress,
                                   QTimer* rebuildTimer, QTimer* noticeTimer)
    : QObject(&window),
      window_(window),
      page_(window.session()),
      pageWidget_(page),
      progress_(progress),
      rebuildTimer_(rebuildTimer),
      noticeTimer_(noticeTimer) {
  BuildWidgets();
  connect(rebuildTimer_, &QTimer::timeout, this, [this] {
    // Delivered while a sequence keeps the event loop running: the sequence
    // owns the page and the link; a later tick rebuilds once it has ended.
    if (window_.IsBusy() || !page_.GridStale()) return;
    window_.Busy([this] {
      if (page_.GridStale()) RebuildGrid();
    });
  });
  noticeTimer_->setSingleShot(false);
  connect(noticeTimer_, &QTimer::timeout, this, [this] { NoticeTick(); });
  window.setpointPageChanged = [this] { DefinitionsChanged(); };
}

SetpointPageView::~SetpointPageView() = default;

void SetpointPageView::BuildWidgets() {
  pageWidget_->setObjectName(QStringLiteral("Setpoints_Tab"));
  tree_ = new QTreeWidget(pageWidget_);
  tree_->setObjectName(QStringLiteral("Setpoints_Tree"));
  tree_->setHeaderHidden(true);
  tree_->addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("No Data Loaded")}));
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setIconSize(QSize(14, 14));
  connect(tree_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { ClickNode(item); });
  connect(tree_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
    if (item == tree_->topLevelItem(0)) item->setExpanded(true);  // the root stays open
  });
  treeBar_ = MakeBar(pageWidget_, QStringLiteral("tree_P"));
  splitHandle_ = new SplitHandle(pageWidget_, [this](int x) { DragSplitTo(x); });
  splitHandle_->setObjectName(QStringLiteral("tree_grid_split"));
  BuildGrid();
  buttonBar_ = MakeBar(pageWidget_, QStringLiteral("Setpoints_P"));
  writeError_ = new QLabel(buttonBar_);
  writeError_->setObjectName(QStringLiteral("write_error_L"));
  QPalette red = writeError_->palette();
  red.setColor(QPalette::WindowText, kErrorColor);
  writeError_->setPalette(red);
  notice_ = new QLabel(pageWidget_);
  notice_->setObjectName(QStringLiteral("out_of_range_P"));
  notice_->setAlignment(Qt::AlignCenter);
  notice_->setAutoFillBackground(true);
  PaintFace(notice_, kWarningColor);

  auto button = [&](QWidget* parent, const char* name, const QString& caption, const QString& hint,
                    int left, int width) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setGeometry(left, 4, width, 24);
    return b;
  };
  applyButton_ = button(buttonBar_, "Apply_B", QStringLiteral("Apply"),
                        QStringLiteral("Writes all changes to the Unit or File"), 6, 70);
  undoButton_ = button(buttonBar_, "Undo_B", QStringLiteral("Undo Pending Changes"),
                       QStringLiteral("Undo all current changes"), 82, 150);
  refreshButton_ = button(buttonBar_, "Refresh_B", QStringLiteral("Refresh"),
                          QStringLiteral("Refreshes all data to match Unit or File"), 238, 70);
  printButton_ = button(buttonBar_, "Print_B", QStringLiteral("Print"), QString(), 314, 60);
  // Wide enough for "Apply stopped: 12 of 40 settings written and verified";
  // the panel clips it in a small window, and the tip holds the whole text.
  writeError_->setGeometry(384, 4, 420, 24);
  selectAllButton_ =
      button(treeBar_, "SelectAll_B", QStringLiteral("Select All"), QString(), 4, 80);
  selectNoneButton_ =
      button(treeBar_, "SelectNone_B", QStringLiteral("Select None"), QString(), 88, 80);
  connect(applyButton_, &QPushButton::clicked, this, [this] { OnApply(); });
  connect(undoButton_, &QPushButton::clicked, this, [this] { OnUndo(); });
  connect(refreshButton_, &QPushButton::clicked, this, [this] { OnRefresh(); });
  // The keys engineers expect for the page's buttons. They act for the whole
  // window while this page shows, and only when the button itself could be
  // pressed; an open line editor keeps Ctrl+Z for its own text.
  auto key = [this](const char* name, QPushButton* button, QList<QKeySequence> keys) {
    auto* action = new QAction(pageWidget_);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    pageWidget_->addAction(action);
    connect(action, &QAction::triggered, this, [button] {
      if (button->isVisible() && button->isEnabled()) button->click();
    });
  };
  key("ApplyKey_A", applyButton_,
      {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
  key("UndoKey_A", undoButton_, {QKeySequence(Qt::CTRL | Qt::Key_Z)});
  key("RefreshKey_A", refreshButton_, {QKeySequence(Qt::Key_F5)});
  connect(selectAllButton_, &QPushButton::clicked, this, [this] { OnSelectAll(); });
  connect(selectNoneButton_, &QPushButton::clicked, this, [this] { OnSelectNone(); });
  // Printing the setpoints is a feature of its own; until it lands the
  // button says so as the File menu's "Print" does.
  connect(printButton_, &QPushButton::clicked, this, [this] {
    if (onPrint) onPrint();
  });
  BuildEditors();

  // What needs loaded definitions stays hidden until they are loaded.
  buttonBar_->hide();
  treeBar_->hide();
  notice_->hide();
}

void SetpointPageView::DefinitionsChanged() {
  DropEditors();
  page_.Reset();
  // Edits the store still holds keep their marks.
  page_.RefreshChangeMarks();
  grid_->setRowCount(0);
  RenderHint();
  RenderTree();
  writeError_->clear();
  // The page's button bars stand only under loaded definitions.
  const bool loaded = !window_.settingStore().unitName.empty();
  treeBar_->setVisible(loaded);
  buttonBar_->setVisible(loaded);
  window_.LayOutFrame();
}

void SetpointPageView::EnableControls(bool enabled) {
  if (!enabled) CommitEditors();
  for (QPushButton* b : {selectAllButton_, selectNoneButton_, applyButton_, undoButton_,
                         printButton_, refreshButton_}) {
    b->setEnabled(enabled);
  }
}

void SetpointPageView::ApplyColors(const UserColors& c) {
  for (QWidget* w : {static_cast<QWidget*>(buttonBar_), static_cast<QWidget*>(treeBar_),
                     static_cast<QWidget*>(writeError_)}) {
    PaintFace(w, c.form);
  }
  // The write error keeps its red, as far as the face lets it read.
  QPalette red = writeError_->palette();
  red.setColor(QPalette::WindowText, InkOn(kErrorColor, c.form));
  writeError_->setPalette(red);
  PaintGrid(grid_, c);
  PaintBase(tree_, c.editbox);
  hint_->setPalette(grid_->palette());
  QPalette hintInk = hint_->palette();
  hintInk.setColor(QPalette::WindowText, TextOn(c.background));
  hint_->setPalette(hintInk);
  PaintFace(notice_, kWarningColor);
}

void SetpointPageView::LayOut(const MainLayout& m, int ph) {
  layout_ = m;
  pageHeight_ = ph;
  // Tree on the left, grid on the right, their bars under them; the split
  // between them is where it was dragged to, else the layout's.
  const int pageWidth = m.gridLeft + m.gridWidth + 2;
  const int treeWidth = treeWidth_ > 0 ? ClampTreeWidth(treeWidth_, pageWidth - 4 - kSplitWidth,
                                                        kMinTreeWidth, kMinGridWidth)
                                       : m.treeWidth;
  const int gridLeft = treeWidth + 2 + kSplitWidth;
  const int gridWidth = pageWidth - gridLeft - 2;
  const int treeBottom = treeBar_->isVisible() ? ph - kBarHeight - 2 : ph - 2;
  tree_->setGeometry(2, 2, treeWidth, treeBottom - 2);
  treeBar_->setGeometry(2, ph - kBarHeight, treeWidth, kBarHeight - 2);
  splitHandle_->setGeometry(treeWidth + 2, 2, kSplitWidth, ph - 4);
  const int gridBottom = buttonBar_->isVisible() ? ph - kBarHeight - 2 : ph - 2;
  grid_->setGeometry(gridLeft, 2, gridWidth, gridBottom - 2);
  buttonBar_->setGeometry(gridLeft, ph - kBarHeight, gridWidth, kBarHeight - 2);
  notice_->setGeometry(gridLeft, gridBottom - kNoticeHeight, gridWidth, kNoticeHeight);
  FitColumns();
}

void SetpointPageView::DragSplitTo(int x) {
  const int pageWidth = layout_.gridLeft + layout_.gridWidth + 2;
  treeWidth_ = ClampTreeWidth(x - 2, pageWidth - 4 - kSplitWidth, kMinTreeWidth, kMinGridWidth);
  LayOut(layout_, pageHeight_);
  PlaceEditors();
}

// --- the tree -----------------------------------------------------------

void SetpointPageView::RenderTree() {
  tree_->clear();
  std::function<QTreeWidgetItem*(const SetpointTreeNode&, const QList<QVariant>&)> make =
      [&](const SetpointTreeNode& node, const QList<QVariant>& path) {
        auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(node.text)});
        item->setData(0, kPathRole, path);
        // The whole name, for a tree too narrow to show it.
        item->setToolTip(0, item->text(0));
        for (int i = 0; i < static_cast<int>(node.children.size()); ++i) {
          QList<QVariant> childPath = path;
          childPath << i;
          item->addChild(make(node.children[static_cast<std::size_t>(i)], childPath));
        }
        return item;
      };
  QTreeWidgetItem* root = make(page_.Tree(), {});
  tree_->addTopLevelItem(root);
  root->setExpanded(true);
  RenderStates(root, page_.Tree());
}

void SetpointPageView::RenderStates(QTreeWidgetItem* item, const SetpointTreeNode& node) {
  item->setIcon(0, StateIcon(node.state, node.groupNumber >= 0));
  for (int i = 0; i < item->childCount() && i < static_cast<int>(node.children.size()); ++i) {
    RenderStates(item->child(i), node.children[static_cast<std::size_t>(i)]);
  }
}

QTreeWidgetItem* SetpointPageView::itemFor(const NodePath& path) const {
  QTreeWidgetItem* item = tree_->topLevelItem(0);
  for (int i : path) {
    if (!item || i < 0 || i >= item->childCount()) return nullptr;
    item = item->child(i);
  }
  return item;
}

void SetpointPageView::ClickNode(QTreeWidgetItem* item) {
  // A click in the tree leaves the grid: what an editor holds is taken.
  HideEditors();
  if (!item) return;
  NodePath path;
  for (const QVariant& v : item->data(0, kPathRole).toList()) path.push_back(v.toInt());
  page_.Toggle(path);
  tree_->clearSelection();
  tree_->setCurrentItem(nullptr);
  RenderStates(tree_->topLevelItem(0), page_.Tree());
}

std::vector<int> SetpointPageView::TickedGroups() const {
  std::vector<int> groups;
  std::function<void(const SetpointTreeNode&)> visit = [&](const SetpointTreeNode& n) {
    if (n.groupNumber >= 0 && (n.state == kToRead || n.state == kListed || n.state == kPending)) {
      groups.push_back(n.groupNumber);
    }
    for (const SetpointTreeNode& c : n.children) visit(c);
  };
  visit(page_.Tree());
  return groups;
}

void SetpointPageView::TickGroups(const std::vector<int>& groups) {
  if (groups.empty()) return;
  std::vector<NodePath> paths;
  NodePath path;
  std::function<void(const SetpointTreeNode&)> visit = [&](const SetpointTreeNode& n) {
    if (n.groupNumber >= 0 && n.state == kUnticked &&
        std::find(groups.begin(), groups.end(), n.groupNumber) != groups.end()) {
      paths.push_back(path);
    }
    for (std::size_t i = 0; i < n.children.size(); ++i) {
      path.push_back(static_cast<int>(i));
      visit(n.children[i]);
      path.pop_back();
    }
  };
  visit(page_.Tree());
  if (paths.empty()) return;
  window_.Busy([&] {
    for (const NodePath& p : paths) page_.Toggle(p);
    RebuildGrid();
  });
}

void SetpointPageView::OnSelectAll() {
  window_.Busy([this] {
    page_.SelectAll();
    RebuildGrid();
  });
}

void SetpointPageView::OnSelectNone() {
  window_.Busy([this] {
    page_.SelectNone();
    RebuildGrid();
  });
}

void SetpointPageView::RebuildGrid() {
  HideEditors();
  rebuildTimer_->stop();
  writeError_->clear();
  progress_->setRange(0, 100);
  progress_->setValue(0);
  // The reads run on the link worker; positions reach the bar through the
  // handover, the latest one only.
  struct Positions {
    std::atomic<int> latest{0};
    std::atomic<bool> posted{false};
  };
  auto positions = std::make_shared<Positions>();
  QPointer<QProgressBar> bar(progress_);
  Handover& handover = window_.handover();
  window_.RunOnLink([&] {
    page_.Rebuild([&, positions, bar](int position) {
      positions->latest = position;
      if (handover.OnOwnerThread()) {
        progress_->setValue(position);
        return;
      }
      if (positions->posted.exchange(true)) return;
      if (!handover.Post([positions, bar] {
            positions->posted = false;
            if (bar) bar->setValue(positions->latest);
          })) {
        positions->posted = false;
      }
    });
  });
  progress_->setValue(0);
  RenderGrid();
  RenderStates(tree_->topLevelItem(0), page_.Tree());
  writeError_->setText(QString::fromStdString(page_.WriteErrorText()));
  writeError_->setToolTip(writeError_->text());
  rebuildTimer_->start();
}

// --- the buttons ----------------------------------------------------------

void SetpointPageView::OnApply() {
  window_.Busy([this] {
    HideEditors();
    if (!window_.session().PendingChanges()) return;
    ApplyResult result;
    window_.RunOnLink([&] { result = page_.Apply(); });
    if (!result.passedGate) return;
    // The grid shows the values read back at once rather than a second later.
    RebuildGrid();
    window_.ShowConfirmation(
        QString::fromStdString(DescribeAppliedInFull(result, window_.online())));
  });
}

void SetpointPageView::OnUndo() {
  window_.Busy([this] {
    HideEditors();
    page_.Undo();
  });
}

void SetpointPageView::OnRefresh() {
  window_.Busy([this] {
    HideEditors();
    page_.Refresh();
    // Read now, under this lock, rather than at the timer's next tick: a
    // silent relay then shows as this Refresh, with its Cancel.
    RebuildGrid();
  });
}

}  // namespace kvx
