#include "app/setpoints/setpoint_page_view.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <memory>

#include "app/controls/bw_spin_edit.h"
#include "app/frame/main_window.h"
#include "app/frame/user_colors.h"
#include "session/handover.h"
#include "session/setting_edit.h"
#include "setpoints/number_text.h"
#include "setpoints/option_list.h"

namespace kvx {
namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kRowHeight = 21;
constexpr int kNoticeHeight = 24;
constexpr int kNoticeStandMs = 5000;
constexpr int kNoticeSlideMs = 25;
constexpr int kTextLimit = 20;
constexpr int kCommentLimit = 40;
// Grid columns: two hidden ones kept for the layout's column widths, then
// name, value, units, comment.
constexpr int kNameColumn = 2;
constexpr int kGridColumns = 6;

QIcon StateIcon(int state) {
  QPixmap pixmap(14, 14);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  if (state == kToRead || state == kListed || state == kFolderListed) {
    p.setBrush(QColor(0x00, 0xA0, 0x00));
    p.setPen(QColor(0x00, 0x60, 0x00));
    p.drawEllipse(QRectF(2.5, 2.5, 9, 9));
  } else if (state == kPending || state == kFolderWarning) {
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
  }
  return QIcon(pixmap);
}

// The cells as the page draws them: changed rows in blue, headings in bold,
// the editable value and comment cells in the Editbox colour and read-only
// values in the Fixedbox colour.
class SetpointCellDelegate : public QStyledItemDelegate {
 public:
  SetpointCellDelegate(QTableWidget* grid, TMainF& window, SetpointPage& page)
      : QStyledItemDelegate(grid), grid_(grid), window_(window), page_(page) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const std::vector<SetpointRow>& rows = page_.Rows();
    const SetpointRow blank;
    const SetpointRow& row = index.row() >= 0 && index.row() < static_cast<int>(rows.size())
                                 ? rows[static_cast<std::size_t>(index.row())]
                                 : blank;
    const UserColors colors = window_.userColors();
    QFont font = option.font;
    QColor ink = row.changed ? QColor(Qt::blue) : QColor(Qt::black);
    painter->save();
    painter->fillRect(option.rect, colors.background);
    if (row.kind != RowKind::Setting) {
      font.setBold(true);
      ink = Qt::black;
    } else if (index.column() == 3 || index.column() == 5) {
      const bool readOnly =
          index.column() == 3 && window_.settingStore().settings.at(row.reg).access == 1;
      painter->fillRect(option.rect, readOnly ? colors.fixedbox : colors.editbox);
    }
    painter->setPen(QColor(0xC0, 0xC0, 0xC0));
    painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    painter->setFont(font);
    painter->setPen(ink);
    const QRect text = option.rect.adjusted(2, 2, -2, 0);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data().toString().section(QLatin1Char('\n'), 0, 0));
    painter->restore();
  }

 private:
  QTableWidget* grid_;
  TMainF& window_;
  SetpointPage& page_;
};

// A key the text or comment editor takes: editing keys (some platforms
// send Delete as the character 127), and the characters the setting allows.
bool EditorKey(int key, const QString& text, bool (*allowed)(char)) {
  if (key == Qt::Key_Backspace || key == Qt::Key_Delete) return true;
  if (text.size() != 1) return false;
  const char16_t c = text[0].unicode();
  return c == 127 || (c < 128 && allowed(static_cast<char>(c)));
}

bool NavigationKey(int key) {
  return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home || key == Qt::Key_End ||
         key == Qt::Key_Tab || key == Qt::Key_Backtab;
}

}  // namespace

TSetpointPageView::TSetpointPageView(TMainF& window)
    : QObject(&window), window_(window), page_(window.session()) {
  tree_ = qobject_cast<QTreeWidget*>(window.part(QStringLiteral("Setpoints_Tree")));
  grid_ = qobject_cast<QTableWidget*>(window.part(QStringLiteral("Setpoints_Grid")));
  QWidget* buttons = window.part(QStringLiteral("Setpoints_P"));
  QWidget* treeBar = window.part(QStringLiteral("tree_P"));
  notice_ = qobject_cast<QLabel*>(window.part(QStringLiteral("out_of_range_P")));
  progress_ = qobject_cast<QProgressBar*>(window.part(QStringLiteral("read_Progress")));
  setpointTimer_ = window.timer(QStringLiteral("setpoint_timer"));
  noticeTimer_ = window.timer(QStringLiteral("out_of_range_Timer"));
  writeError_ = buttons->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
  writeError_->setObjectName(QStringLiteral("write_error_L"));
  QPalette red = writeError_->palette();
  red.setColor(QPalette::WindowText, kErrorColor);
  writeError_->setPalette(red);

  auto button = [&](QWidget* parent, const char* name, const QString& caption, const QString& hint,
                    int left, int width) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setGeometry(left, 4, width, 24);
    return b;
  };
  Apply_B = button(buttons, "Apply_B", QStringLiteral("Apply"),
                   QStringLiteral("Writes all changes to the Unit or File"), 6, 70);
  Undo_B = button(buttons, "Undo_B", QStringLiteral("Undo Pending Changes"),
                  QStringLiteral("Undo all current changes"), 82, 150);
  Refresh_B = button(buttons, "Refresh_B", QStringLiteral("Refresh"),
                     QStringLiteral("Refreshes all data to match Unit or File"), 238, 70);
  Print_B = button(buttons, "Print_B", QStringLiteral("Print"), QString(), 314, 60);
  // Wide enough for "Apply stopped: 12 of 40 settings written and verified";
  // the panel clips it in a small window, and the tip holds the whole text.
  writeError_->setGeometry(384, 4, 420, 24);
  SelectAll_B = button(treeBar, "SelectAll_B", QStringLiteral("Select All"), QString(), 4, 80);
  SelectNone_B = button(treeBar, "SelectNone_B", QStringLiteral("Select None"), QString(), 88, 80);
  connect(Apply_B, &QPushButton::clicked, this, [this] { ApplyClick(); });
  connect(Undo_B, &QPushButton::clicked, this, [this] { UndoClick(); });
  connect(Refresh_B, &QPushButton::clicked, this, [this] { RefreshClick(); });
  connect(SelectAll_B, &QPushButton::clicked, this, [this] { SelectAllClick(); });
  connect(SelectNone_B, &QPushButton::clicked, this, [this] { SelectNoneClick(); });
  // Printing the setpoints is a feature of its own; until it lands the
  // button says so (the File menu's "Print" does the same).
  connect(Print_B, &QPushButton::clicked, this,
          [this] { window_.action(QStringLiteral("Print1"))->trigger(); });

  grid_->setItemDelegate(new SetpointCellDelegate(grid_, window, page_));
  grid_->setSelectionMode(QAbstractItemView::NoSelection);
  grid_->setFocusPolicy(Qt::NoFocus);
  // The grid has no current cell to move: Tab leaves an editor for the next
  // control, as in any other field, and the editor commits on the way.
  grid_->setTabKeyNavigation(false);
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->setRowCount(0);
  connect(grid_, &QTableWidget::cellClicked, this, [this](int r, int c) { SelectCell(r, c); });
  connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { PlaceEditors(); });

  QWidget* cells = grid_->viewport();
  setting_SE = new TBWSpinEdit(cells);
  setting_SE->setObjectName(QStringLiteral("setting_SE"));
  setting_SE->setPrecision(2);
  setting_SE->setIncrement(0.01);
  setting_CB = new QComboBox(cells);
  setting_CB->setObjectName(QStringLiteral("setting_CB"));
  setting_CB->setEditable(false);
  setting_E = new QLineEdit(cells);
  setting_E->setObjectName(QStringLiteral("setting_E"));
  setting_E->setMaxLength(kTextLimit);
  comments_E = new QLineEdit(cells);
  comments_E->setObjectName(QStringLiteral("comments_E"));
  comments_E->setMaxLength(kCommentLimit);
  for (QWidget* editor : {static_cast<QWidget*>(setting_SE), static_cast<QWidget*>(setting_CB),
                          static_cast<QWidget*>(setting_E), static_cast<QWidget*>(comments_E)}) {
    editor->hide();
  }
  setting_E->installEventFilter(this);
  comments_E->installEventFilter(this);
  connect(setting_SE, &TBWSpinEdit::OnChange, this, [this](TBWSpinEdit*) {
    if (editRegister_ < 0) return;
    std::string notice;
    double corrected = 0;
    const int x = editRegister_;
    page_.EditNumber(x, setting_SE->Value(), notice, corrected);
    if (!notice.empty()) {
      setting_SE->setValue(corrected);
      ShowNotice(QString::fromStdString(notice));
    }
    AfterEdit(x);
  });
  connect(setting_CB, &QComboBox::activated, this, [this](int index) {
    if (editRegister_ < 0) return;
    const int x = editRegister_;
    if (page_.EditListIndex(x, index)) AfterEdit(x);
  });
  connect(setting_E, &QLineEdit::returnPressed, this, [this] { CommitText(); });
  connect(comments_E, &QLineEdit::returnPressed, this, [this] { CommitComment(); });
  connect(setting_E, &QLineEdit::editingFinished, this, [this] { CommitText(); });
  connect(comments_E, &QLineEdit::editingFinished, this, [this] { CommitComment(); });

  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setIconSize(QSize(14, 14));
  connect(tree_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { ClickNode(item); });
  connect(tree_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
    if (item == tree_->topLevelItem(0)) item->setExpanded(true);  // the root stays open
  });

  connect(setpointTimer_, &QTimer::timeout, this, [this] {
    // Delivered while a sequence pumps messages: the sequence owns the page
    // and the link; a later tick rebuilds once it has ended.
    if (IsBusy() || !page_.GridStale()) return;
    Busy([this] {
      if (page_.GridStale()) RebuildSetpointGrid();
    });
  });
  noticeTimer_->setSingleShot(false);
  connect(noticeTimer_, &QTimer::timeout, this, [this] { NoticeTick(); });
  connect(grid_->verticalHeader(), &QHeaderView::sectionResized, this, [this] { PlaceEditors(); });
  grid_->viewport()->installEventFilter(this);

  window.setpointPageChanged = [this] { DefinitionsChanged(); };
}

TSetpointPageView::~TSetpointPageView() = default;

void TSetpointPageView::DefinitionsChanged() {
  DropEditors();
  page_.Reset();
  // Edits the store still holds keep their marks.
  page_.RefreshChangeMarks();
  grid_->setRowCount(0);
  RenderTree();
  writeError_->clear();
  // The page's button bars stand only under loaded definitions.
  const bool loaded = !window_.settingStore().unitName.empty();
  window_.part(QStringLiteral("tree_P"))->setVisible(loaded);
  window_.part(QStringLiteral("Setpoints_P"))->setVisible(loaded);
  window_.FormResize();
}

void TSetpointPageView::Busy(const std::function<void()>& work) {
  struct Hold {
    TSetpointPageView& view;
    explicit Hold(TSetpointPageView& v) : view(v) {
      if (view.busyDepth_++ == 0) {
        // A value typed and not yet committed belongs to the user's edits
        // before any sequence looks at them.
        view.CommitEditors();
        view.EnableControls(false);
      }
    }
    ~Hold() {
      if (--view.busyDepth_ == 0) view.EnableControls(true);
    }
  } hold(*this);
  work();
}

void TSetpointPageView::EnableControls(bool enabled) {
  for (const char* name : {"File1", "Network1", "DRA_Commands", "DRB_Commands", "FDX_Commands",
                           "Plot1", "DataLogging1", "Password1", "Help1"}) {
    if (QMenu* m = window_.menu(QString::fromLatin1(name))) m->menuAction()->setEnabled(enabled);
  }
  for (const char* name :
       {"Start1_B", "Start2_B", "Stop_B", "Details_B", "Reset_B", "PageControl1", "SaveEvents_B"}) {
    if (QWidget* w = window_.part(QString::fromLatin1(name))) w->setEnabled(enabled);
  }
  if (auto* refreshEvents = window_.findChild<QPushButton*>(QStringLiteral("RefreshEvents_B"))) {
    refreshEvents->setEnabled(enabled);
  }
  for (QPushButton* b : {SelectAll_B, SelectNone_B, Apply_B, Undo_B, Print_B, Refresh_B}) {
    b->setEnabled(enabled);
  }
}

// --- the tree -----------------------------------------------------------

void TSetpointPageView::RenderTree() {
  tree_->clear();
  std::function<QTreeWidgetItem*(const SetpointTreeNode&, const QList<QVariant>&)> make =
      [&](const SetpointTreeNode& node, const QList<QVariant>& path) {
        auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(node.text)});
        item->setData(0, kPathRole, path);
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

void TSetpointPageView::RenderStates(QTreeWidgetItem* item, const SetpointTreeNode& node) {
  item->setIcon(0, StateIcon(node.state));
  for (int i = 0; i < item->childCount() && i < static_cast<int>(node.children.size()); ++i) {
    RenderStates(item->child(i), node.children[static_cast<std::size_t>(i)]);
  }
}

QTreeWidgetItem* TSetpointPageView::itemFor(const NodePath& path) const {
  QTreeWidgetItem* item = tree_->topLevelItem(0);
  for (int i : path) {
    if (!item || i < 0 || i >= item->childCount()) return nullptr;
    item = item->child(i);
  }
  return item;
}

void TSetpointPageView::ClickNode(QTreeWidgetItem* item) {
  if (!item) return;
  NodePath path;
  for (const QVariant& v : item->data(0, kPathRole).toList()) path.push_back(v.toInt());
  page_.Toggle(path);
  tree_->clearSelection();
  tree_->setCurrentItem(nullptr);
  RenderStates(tree_->topLevelItem(0), page_.Tree());
}

void TSetpointPageView::SelectAllClick() {
  Busy([this] {
    page_.SelectAll();
    RebuildSetpointGrid();
  });
}

void TSetpointPageView::SelectNoneClick() {
  Busy([this] {
    page_.SelectNone();
    RebuildSetpointGrid();
  });
}

// --- the grid -----------------------------------------------------------

void TSetpointPageView::RebuildSetpointGrid() {
  HideEditors();
  setpointTimer_->stop();
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
  setpointTimer_->start();
}

void TSetpointPageView::RenderGrid() {
  const std::vector<SetpointRow>& rows = page_.Rows();
  grid_->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    for (int c = 0; c < kGridColumns; ++c) {
      if (!grid_->item(r, c)) {
        auto* item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled);
        grid_->setItem(r, c, item);
      }
    }
    RenderRowAt(r);
  }
}

void TSetpointPageView::RenderRowAt(int r) {
  const SetpointRow& row = page_.Rows()[static_cast<std::size_t>(r)];
  // Columns 0 and 1 stay hidden and empty: the row's kind, register and
  // changed flag are read from the page's row, never from cell texts.
  const std::string* texts[] = {&row.name, &row.value, &row.units, &row.comment};
  for (int c = kNameColumn; c < kGridColumns; ++c) {
    if (QTableWidgetItem* item = grid_->item(r, c)) {
      item->setText(QString::fromStdString(*texts[c - kNameColumn]));
    }
  }
}

void TSetpointPageView::RenderRow(int x) {
  const int r = page_.RowOf(x);
  if (r < 0 || r >= grid_->rowCount()) return;
  RenderRowAt(r);
}

void TSetpointPageView::AfterEdit(int x) {
  RenderRow(x);
  RenderStates(tree_->topLevelItem(0), page_.Tree());
}

void TSetpointPageView::HideEditors() {
  CommitEditors();
  DropEditors();
}

void TSetpointPageView::DropEditors() {
  editRegister_ = -1;
  for (QWidget* editor : {static_cast<QWidget*>(setting_SE), static_cast<QWidget*>(setting_CB),
                          static_cast<QWidget*>(setting_E), static_cast<QWidget*>(comments_E)}) {
    editor->hide();
  }
}

void TSetpointPageView::SelectCell(int row, int column) {
  // An editor still open commits before another cell takes over.
  HideEditors();
  editRow_ = row;
  editColumn_ = column;
  if (row < 0 || row >= static_cast<int>(page_.Rows().size())) return;
  const SetpointRow& cells = page_.Rows()[static_cast<std::size_t>(row)];
  if (cells.kind != RowKind::Setting || (column != 3 && column != 5)) return;
  const int x = cells.reg;
  const SettingRecord& s = window_.settingStore().settings.at(x);
  const UserColors colors = window_.userColors();
  if (column == 3) {
    if (s.access == 1) return;  // read-only
    editRegister_ = x;
    if (s.typeCode == 1 || s.typeCode == 3) {
      const SpinLimits limits = SpinLimitsFor(s);
      setting_SE->setMin(limits.min);
      setting_SE->setMax(limits.max);
      setting_SE->setUnits(QStringLiteral(" ") + QString::fromStdString(s.units));
      setting_SE->setValue(ParseNumber(s.value).value_or(0));
      setting_SE->setColor(colors.editbox);
      PlaceEditors();
      setting_SE->show();
      setting_SE->edit()->setFocus();
    } else if (s.typeCode == 22) {
      setting_E->setText(QString::fromStdString(s.value));
      PaintBase(setting_E, colors.editbox);
      PlaceEditors();
      setting_E->show();
    } else {
      setting_CB->clear();
      for (const std::string& entry : ListEntriesFor(s)) {
        setting_CB->addItem(QString::fromStdString(entry));
      }
      setting_CB->setCurrentIndex(static_cast<int>(ParseInteger(s.value).value_or(0)));
      PlaceEditors();
      setting_CB->show();
      setting_CB->setFocus();
    }
  } else {
    editRegister_ = x;
    comments_E->setText(QString::fromStdString(s.comment));
    PaintBase(comments_E, colors.editbox);
    PlaceEditors();
    comments_E->show();
    comments_E->setFocus();
  }
}

void TSetpointPageView::PlaceEditors() {
  if (editRow_ < 0 || editRow_ >= grid_->rowCount()) return;
  const QRect value = grid_->visualItemRect(grid_->item(editRow_, 3))
                          .united(grid_->visualItemRect(grid_->item(editRow_, 4)));
  const QRect comment = grid_->visualItemRect(grid_->item(editRow_, 5));
  setting_SE->setGeometry(value);
  setting_CB->setGeometry(value);
  setting_E->setGeometry(value);
  comments_E->setGeometry(comment);
  // An editor whose row scrolled out of sight is put away.
  const bool visible = value.bottom() >= 0 && value.top() < grid_->viewport()->height();
  if (!visible && editRegister_ >= 0) HideEditors();
}

void TSetpointPageView::CommitEditors() {
  CommitNumber();
  CommitText();
  CommitComment();
}

void TSetpointPageView::CommitNumber() {
  // Reads the typed text as Enter would; the change handler marks it.
  if (!setting_SE->isVisible() || editRegister_ < 0) return;
  setting_SE->Commit();
}

void TSetpointPageView::CommitText() {
  if (committing_ || !setting_E->isVisible() || editRegister_ < 0) return;
  committing_ = true;
  const int x = editRegister_;
  page_.EditText(x, setting_E->text().toStdString());
  setting_E->hide();
  AfterEdit(x);
  committing_ = false;
}

void TSetpointPageView::CommitComment() {
  if (committing_ || !comments_E->isVisible() || editRegister_ < 0) return;
  committing_ = true;
  const int x = editRegister_;
  if (page_.EditComment(x, comments_E->text().toStdString())) AfterEdit(x);
  comments_E->hide();
  committing_ = false;
}

bool TSetpointPageView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == setting_E || watched == comments_E)) {
    auto* key = static_cast<QKeyEvent*>(event);
    const int k = key->key();
    if (k == Qt::Key_Return || k == Qt::Key_Enter || NavigationKey(k)) return false;
    const bool accepted = EditorKey(
        k, key->text(), watched == setting_E ? IsTextSettingCharacter : IsCommentCharacter);
    return !accepted;  // every other key is discarded
  }
  if (event->type() == QEvent::Wheel && watched == grid_->viewport()) {
    // One row per notch.
    auto* wheel = static_cast<QWheelEvent*>(event);
    QScrollBar* bar = grid_->verticalScrollBar();
    bar->setValue(bar->value() + (wheel->angleDelta().y() < 0 ? 1 : -1));
    return true;
  }
  return QObject::eventFilter(watched, event);
}

// --- the notice -----------------------------------------------------------

void TSetpointPageView::ShowNotice(const QString& text) {
  const QRect g = grid_->geometry();
  notice_->setGeometry(g.left(), g.bottom() + 1 - kNoticeHeight, g.width(), kNoticeHeight);
  notice_->setText(text);
  notice_->show();
  notice_->raise();
  noticeTimer_->setInterval(kNoticeStandMs);
  noticeTimer_->start();
}

void TSetpointPageView::NoticeTick() {
  // Stands for five seconds, then slides down out of sight a pixel at a time.
  QRect r = notice_->geometry();
  r.setTop(r.top() + 1);
  noticeTimer_->setInterval(kNoticeSlideMs);
  if (r.height() <= 0) {
    notice_->hide();
    const QRect g = grid_->geometry();
    notice_->setGeometry(g.left(), g.bottom() + 1 - kNoticeHeight, g.width(), kNoticeHeight);
    noticeTimer_->setInterval(kNoticeStandMs);
    noticeTimer_->stop();
    return;
  }
  notice_->setGeometry(r);
}

// --- the buttons ----------------------------------------------------------

void TSetpointPageView::ApplyClick() {
  Busy([this] {
    HideEditors();
    if (!window_.session().PendingChanges()) return;
    bool passed = false;
    window_.RunOnLink([&] { passed = page_.Apply().passedGate; });
    if (!passed) return;
    // The grid shows the values read back at once rather than a second later.
    RebuildSetpointGrid();
  });
}

void TSetpointPageView::UndoClick() {
  Busy([this] {
    HideEditors();
    page_.Undo();
  });
}

void TSetpointPageView::RefreshClick() {
  Busy([this] {
    HideEditors();
    page_.Refresh();
    // Read now, under this lock, rather than at the timer's next tick: a
    // silent relay then shows as this Refresh, with its Cancel.
    RebuildSetpointGrid();
  });
}

}  // namespace kvx
