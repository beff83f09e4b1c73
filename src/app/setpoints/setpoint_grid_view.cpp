// The setpoint page's grid: rows rendered from the page model, the cells
// drawn as the page draws them, the four editors laid over a cell and the
// out-of-range notice under the grid.

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

#include "app/controls/bw_spin_edit.h"
#include "app/frame/frame_widgets.h"
#include "app/frame/main_window.h"
#include "app/setpoints/setpoint_page_view.h"
#include "session/setting_edit.h"
#include "setpoints/number_text.h"
#include "setpoints/option_list.h"
#include "shell/grid_columns.h"

namespace kvx {
namespace {

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

// The cells as the page draws them: changed rows in blue, headings in bold,
// the editable value and comment cells in the Editbox colour and read-only
// values in the Fixedbox colour.
class SetpointCellDelegate : public QStyledItemDelegate {
 public:
  SetpointCellDelegate(QTableWidget* grid, MainWindow& window, SetpointPage& page)
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
    QColor fill = colors.background;
    if (row.kind != RowKind::Setting) {
      font.setBold(true);
    } else if (index.column() == 3 || index.column() == 5) {
      const bool readOnly =
          index.column() == 3 && window_.settingStore().settings.at(row.reg).access == 1;
      fill = readOnly ? colors.fixedbox : colors.editbox;
    }
    // The text reads on whatever colours were chosen; a changed row keeps a
    // blue of its own.
    const QColor ink =
        row.kind == RowKind::Setting && row.changed ? InkOn(kChangedColor, fill) : TextOn(fill);
    painter->save();
    painter->fillRect(option.rect, fill);
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
  MainWindow& window_;
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

void SetpointPageView::BuildGrid() {
  grid_ = MakeGrid(pageWidget_, QStringLiteral("Setpoints_Grid"),
                   {QStringLiteral("Parameters"), QStringLiteral("Value"), QStringLiteral("Units"),
                    QStringLiteral("Comments (Not stored on Unit)")},
                   kNameColumn);
  grid_->setItemDelegate(new SetpointCellDelegate(grid_, window_, page_));
  grid_->setSelectionMode(QAbstractItemView::NoSelection);
  grid_->setFocusPolicy(Qt::NoFocus);
  // The grid has no current cell to move: Tab leaves an editor for the next
  // control, as in any other field, and the editor commits on the way.
  grid_->setTabKeyNavigation(false);
  // The columns share the grid's width (FitColumns), so there is nothing to
  // scroll sideways to; should their minimums not fit, the bar shows, so no
  // column is ever out of reach.
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  grid_->setAutoScroll(false);
  grid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->setRowCount(0);
  connect(grid_, &QTableWidget::cellClicked, this, [this](int r, int c) { SelectCell(r, c); });
  // Scrolling leaves the cell being edited: what the editor holds is taken.
  connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
    if (editRegister_ >= 0) HideEditors();
    PlaceEditors();
  });
  connect(grid_->verticalHeader(), &QHeaderView::sectionResized, this, [this] { PlaceEditors(); });
  grid_->viewport()->installEventFilter(this);
  hint_ = new QLabel(grid_->viewport());
  hint_->setObjectName(QStringLiteral("empty_grid_hint"));
  hint_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  hint_->setWordWrap(true);
  hint_->setAttribute(Qt::WA_TransparentForMouseEvents);
  RenderHint();
}

void SetpointPageView::RenderHint() {
  // Offline with nothing loaded the page would show "No Data Loaded" and
  // nothing else; the empty grid says where to start.
  const bool loaded = !window_.settingStore().unitName.empty();
  hint_->setText(loaded ? QStringLiteral("Tick a group in the tree to list its settings")
                        : QStringLiteral("Communications \u2192 Connect to read a relay, or File "
                                         "\u2192 Open / Load Defaults"));
  hint_->setGeometry(8, 24, std::max(0, grid_->viewport()->width() - 16), 60);
  hint_->setVisible(grid_->rowCount() == 0);
}

void SetpointPageView::BuildEditors() {
  QWidget* cells = grid_->viewport();
  numberEditor_ = new SpinEdit(cells);
  numberEditor_->setObjectName(QStringLiteral("setting_SE"));
  numberEditor_->setPrecision(2);
  numberEditor_->setIncrement(0.01);
  listEditor_ = new QComboBox(cells);
  listEditor_->setObjectName(QStringLiteral("setting_CB"));
  listEditor_->setEditable(false);
  textEditor_ = new QLineEdit(cells);
  textEditor_->setObjectName(QStringLiteral("setting_E"));
  textEditor_->setMaxLength(kTextLimit);
  commentEditor_ = new QLineEdit(cells);
  commentEditor_->setObjectName(QStringLiteral("comments_E"));
  commentEditor_->setMaxLength(kCommentLimit);
  for (QWidget* editor :
       {static_cast<QWidget*>(numberEditor_), static_cast<QWidget*>(listEditor_),
        static_cast<QWidget*>(textEditor_), static_cast<QWidget*>(commentEditor_)}) {
    editor->hide();
  }
  textEditor_->installEventFilter(this);
  commentEditor_->installEventFilter(this);
  connect(numberEditor_, &SpinEdit::OnChange, this, [this](SpinEdit*) {
    if (editRegister_ < 0) return;
    std::string notice;
    double corrected = 0;
    const int x = editRegister_;
    page_.EditNumber(x, numberEditor_->Value(), notice, corrected);
    if (!notice.empty()) {
      numberEditor_->setValue(corrected);
      ShowNotice(QString::fromStdString(notice));
    }
    AfterEdit(x);
  });
  connect(listEditor_, &QComboBox::activated, this, [this](int index) {
    if (editRegister_ < 0) return;
    const int x = editRegister_;
    if (page_.EditListIndex(x, index)) AfterEdit(x);
  });
  connect(textEditor_, &QLineEdit::returnPressed, this, [this] { CommitText(); });
  connect(commentEditor_, &QLineEdit::returnPressed, this, [this] { CommitComment(); });
  connect(textEditor_, &QLineEdit::editingFinished, this, [this] { CommitText(); });
  // Text that arrives other than by a key (pasted from the context menu)
  // keeps only what can be stored, and the notice names what was left out.
  const auto keepStorable = [this](QLineEdit* editor, bool (*allowed)(char)) {
    QString kept;
    QString refused;
    for (const QChar c : editor->text()) {
      if (c.unicode() < 128 && allowed(static_cast<char>(c.unicode()))) {
        kept += c;
      } else if (refused.isEmpty()) {
        refused = c;
      }
    }
    if (refused.isEmpty()) return;
    const int cursor = editor->cursorPosition();
    editor->setText(kept);
    editor->setCursorPosition(std::min(cursor, static_cast<int>(kept.size())));
    ShowNotice(QStringLiteral("'%1' cannot be stored").arg(refused));
  };
  connect(textEditor_, &QLineEdit::textEdited, this,
          [this, keepStorable] { keepStorable(textEditor_, IsTextSettingCharacter); });
  connect(commentEditor_, &QLineEdit::textEdited, this,
          [this, keepStorable] { keepStorable(commentEditor_, IsCommentCharacter); });
  connect(commentEditor_, &QLineEdit::editingFinished, this, [this] { CommitComment(); });
}

void SetpointPageView::RenderGrid() {
  const std::vector<SetpointRow>& rows = page_.Rows();
  grid_->setRowCount(static_cast<int>(rows.size()));
  RenderHint();
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

void SetpointPageView::RenderRowAt(int r) {
  const SetpointRow& row = page_.Rows()[static_cast<std::size_t>(r)];
  // Columns 0 and 1 stay hidden and empty: the row's kind, register and
  // changed flag are read from the page's row, never from cell texts.
  const std::string* texts[] = {&row.name, &row.value, &row.units, &row.comment};
  for (int c = kNameColumn; c < kGridColumns; ++c) {
    if (QTableWidgetItem* item = grid_->item(r, c)) {
      item->setText(QString::fromStdString(*texts[c - kNameColumn]));
      // The whole text, for a column too narrow to show it.
      item->setToolTip(item->text());
    }
  }
}

void SetpointPageView::RenderRow(int x) {
  const int r = page_.RowOf(x);
  if (r < 0 || r >= grid_->rowCount()) return;
  RenderRowAt(r);
}

void SetpointPageView::AfterEdit(int x) {
  RenderRow(x);
  RenderStates(tree_->topLevelItem(0), page_.Tree());
}

void SetpointPageView::HideEditors() {
  CommitEditors();
  DropEditors();
}

void SetpointPageView::DropEditors() {
  editRegister_ = -1;
  for (QWidget* editor :
       {static_cast<QWidget*>(numberEditor_), static_cast<QWidget*>(listEditor_),
        static_cast<QWidget*>(textEditor_), static_cast<QWidget*>(commentEditor_)}) {
    editor->hide();
  }
}

void SetpointPageView::SelectCell(int row, int column) {
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
      numberEditor_->setMin(limits.min);
      numberEditor_->setMax(limits.max);
      numberEditor_->setUnits(QStringLiteral(" ") + QString::fromStdString(s.units));
      numberEditor_->setValue(ParseNumber(s.value).value_or(0));
      numberEditor_->setColor(colors.editbox);
      PlaceEditors();
      numberEditor_->show();
      numberEditor_->edit()->setFocus();
    } else if (s.typeCode == 22) {
      textEditor_->setText(QString::fromStdString(s.value));
      PaintBase(textEditor_, colors.editbox);
      PlaceEditors();
      textEditor_->show();
      textEditor_->setFocus();
    } else {
      listEditor_->clear();
      for (const std::string& entry : ListEntriesFor(s)) {
        listEditor_->addItem(QString::fromStdString(entry));
      }
      listEditor_->setCurrentIndex(static_cast<int>(ParseInteger(s.value).value_or(0)));
      PlaceEditors();
      listEditor_->show();
      listEditor_->setFocus();
    }
  } else {
    editRegister_ = x;
    commentEditor_->setText(QString::fromStdString(s.comment));
    PaintBase(commentEditor_, colors.editbox);
    PlaceEditors();
    commentEditor_->show();
    commentEditor_->setFocus();
  }
}

void SetpointPageView::PlaceEditors() {
  if (editRow_ < 0 || editRow_ >= grid_->rowCount()) return;
  const QRect value = grid_->visualItemRect(grid_->item(editRow_, 3))
                          .united(grid_->visualItemRect(grid_->item(editRow_, 4)));
  const QRect comment = grid_->visualItemRect(grid_->item(editRow_, 5));
  numberEditor_->setGeometry(value);
  listEditor_->setGeometry(value);
  textEditor_->setGeometry(value);
  commentEditor_->setGeometry(comment);
  // An editor whose row scrolled out of sight is put away.
  const bool visible = value.bottom() >= 0 && value.top() < grid_->viewport()->height();
  if (!visible && editRegister_ >= 0) HideEditors();
}

void SetpointPageView::CommitEditors() {
  CommitNumber();
  CommitText();
  CommitComment();
}

// An editor counts as open while it is not put away, also when its page has
// just been hidden (a page change hides the page before it says so).
void SetpointPageView::CommitNumber() {
  // Reads the typed text as Enter would; the change handler marks it.
  if (numberEditor_->isHidden() || editRegister_ < 0) return;
  numberEditor_->Commit();
}

void SetpointPageView::CommitText() {
  if (committing_ || textEditor_->isHidden() || editRegister_ < 0) return;
  committing_ = true;
  const int x = editRegister_;
  page_.EditText(x, textEditor_->text().toStdString());
  textEditor_->hide();
  AfterEdit(x);
  committing_ = false;
}

void SetpointPageView::CommitComment() {
  if (committing_ || commentEditor_->isHidden() || editRegister_ < 0) return;
  committing_ = true;
  const int x = editRegister_;
  if (page_.EditComment(x, commentEditor_->text().toStdString())) AfterEdit(x);
  commentEditor_->hide();
  committing_ = false;
}

bool SetpointPageView::NoticeRefusedKey(QLineEdit* editor, const QString& typed, bool storable) {
  if (typed.isEmpty() || !typed[0].isPrint()) return false;
  if (!storable) {
    ShowNotice(QStringLiteral("'%1' cannot be stored").arg(typed));
    return true;
  }
  const int room = editor->maxLength() - editor->text().size() + editor->selectedText().size();
  if (room > 0) return false;
  ShowNotice(QStringLiteral("at most %1 characters").arg(editor->maxLength()));
  return true;
}

bool SetpointPageView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == textEditor_ || watched == commentEditor_)) {
    auto* key = static_cast<QKeyEvent*>(event);
    const int k = key->key();
    if (k == Qt::Key_Return || k == Qt::Key_Enter || NavigationKey(k)) return false;
    auto* editor = static_cast<QLineEdit*>(watched);
    const bool accepted = EditorKey(
        k, key->text(), watched == textEditor_ ? IsTextSettingCharacter : IsCommentCharacter);
    // A character the relay or the file cannot hold, or one past the
    // length limit, is not taken; the notice says why rather than the key
    // vanishing without a word.
    const bool control = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (!control && !(k == Qt::Key_Backspace || k == Qt::Key_Delete)) {
      NoticeRefusedKey(editor, key->text(), accepted);
    }
    return !accepted;  // every other key is discarded
  }
  if (watched == grid_->viewport()) {
    if (event->type() == QEvent::Wheel) {
      // One row per notch.
      auto* wheel = static_cast<QWheelEvent*>(event);
      QScrollBar* bar = grid_->verticalScrollBar();
      bar->setValue(bar->value() + (wheel->angleDelta().y() < 0 ? 1 : -1));
      return true;
    }
    // A click anywhere in the grid outside the editor takes what it holds
    // (a click on a cell opens that cell's editor afterwards).
    if (event->type() == QEvent::MouseButtonPress && editRegister_ >= 0) HideEditors();
    if (event->type() == QEvent::Resize) {
      FitColumns();
      RenderHint();
    }
  }
  return QObject::eventFilter(watched, event);
}

void SetpointPageView::FitColumns() {
  // The layout's widths are the proportions; the visible columns fill the
  // cells' width exactly.
  const std::vector<int> preferred(layout_.gridColumnWidths + kNameColumn,
                                   layout_.gridColumnWidths + kGridColumns);
  if (preferred[0] <= 0) return;
  const std::vector<int> minimum{120, 70, 40, 120};
  const std::vector<int> widths = FitColumnWidths(preferred, minimum, grid_->viewport()->width());
  for (int c = kNameColumn; c < kGridColumns; ++c) {
    grid_->setColumnWidth(c, widths[static_cast<std::size_t>(c - kNameColumn)]);
  }
  grid_->horizontalScrollBar()->setValue(0);
  PlaceEditors();
}

// --- the notice -----------------------------------------------------------

void SetpointPageView::ShowNotice(const QString& text) {
  const QRect g = grid_->geometry();
  notice_->setGeometry(g.left(), g.bottom() + 1 - kNoticeHeight, g.width(), kNoticeHeight);
  notice_->setText(text);
  notice_->show();
  notice_->raise();
  noticeTimer_->setInterval(kNoticeStandMs);
  noticeTimer_->start();
}

void SetpointPageView::NoticeTick() {
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

}  // namespace kvx
