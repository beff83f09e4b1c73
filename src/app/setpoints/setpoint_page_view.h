#pragma once
// The "Setpoints" page on the core page model: the tree with its state
// pictures and its bar (Select All, Select None), the grid with its cell
// drawing and the four editors laid over a cell, the button bar (Apply,
// Undo, Refresh, Print) with the write error, and the out-of-range notice.
// The page owns these widgets; the frame lends it the progress bar and the
// two timers it drives.

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "app/frame/user_colors.h"
#include "session/setpoint_page.h"
#include "shell/main_layout.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace kvx {

class MainWindow;
class SpinEdit;

class SetpointPageView : public QObject {
  Q_OBJECT

 public:
  SetpointPageView(MainWindow& window, QWidget* page, QProgressBar* progress, QTimer* rebuildTimer,
                   QTimer* noticeTimer);
  ~SetpointPageView() override;

  SetpointPage& model() { return page_; }
  QWidget* page() const { return pageWidget_; }
  // New definitions were loaded: a fresh tree, nothing ticked.
  void DefinitionsChanged();
  // Lists the ticked groups now (what the rebuild timer does when due).
  void RebuildGrid();
  // The numbers of the groups ticked or listed now; TickGroups ticks those
  // of them the tree has and that are not ticked, and lists them.
  std::vector<int> TickedGroups() const;
  void TickGroups(const std::vector<int>& groups);
  // Off under the window's busy lock; an open editor commits first.
  void EnableControls(bool enabled);
  void ApplyColors(const UserColors& colors);
  void LayOut(const MainLayout& layout, int pageHeight);
  // Takes what an open editor holds and puts it away (the page is left,
  // the window closes).
  void CommitOpenEditor() { HideEditors(); }

  // The page's controls, for tests.
  SpinEdit* spinEditor() const { return numberEditor_; }
  QComboBox* listEditor() const { return listEditor_; }
  QLabel* emptyGridHint() const { return hint_; }
  QLineEdit* textEditor() const { return textEditor_; }
  QLineEdit* commentEditor() const { return commentEditor_; }
  QTreeWidgetItem* itemFor(const NodePath& path) const;
  // A click on a grid cell, as the mouse gives it.
  void SelectCell(int row, int column);
  // A click on a tree node.
  void ClickNode(QTreeWidgetItem* item);
  // The tree/grid split: the handle between them, and a drag of it to `x`
  // (in page coordinates).
  QWidget* splitHandle() const { return splitHandle_; }
  void DragSplitTo(int x);

  // Print: the File menu's item (set by the window).
  std::function<void()> onPrint;

  void OnApply();
  void OnUndo();
  void OnRefresh();
  void OnSelectAll();
  void OnSelectNone();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // setpoint_page_view.cpp: the widgets, the tree, the buttons.
  void BuildWidgets();
  void RenderTree();
  void RenderStates(QTreeWidgetItem* item, const SetpointTreeNode& node);
  // setpoint_grid_view.cpp: the grid, its editors and the notice.
  void BuildGrid();
  void BuildEditors();
  void RenderGrid();
  void RenderRow(int x);  // register x's row
  void RenderRowAt(int row);
  void AfterEdit(int x);
  // Commits whatever an open editor holds, then puts the editors away.
  void HideEditors();
  // Puts the editors away without taking what they hold (the settings they
  // were opened on are gone).
  void DropEditors();
  void PlaceEditors();
  void ShowNotice(const QString& text);
  // The notice for a key the text or comment editor cannot take; false when
  // the key is no character at all.
  bool NoticeRefusedKey(QLineEdit* editor, const QString& typed, bool storable);
  // The visible columns share the grid's width (no sideways scrolling).
  void FitColumns();
  // The line an empty grid shows: how to load settings, or to tick a group.
  void RenderHint();
  void NoticeTick();
  void CommitEditors();
  void CommitNumber();
  void CommitText();
  void CommitComment();

  MainWindow& window_;
  SetpointPage page_;
  QWidget* pageWidget_;             // Setpoints_Tab
  QProgressBar* progress_;          // the frame's read_Progress
  QTimer* rebuildTimer_;            // setpoint_timer
  QTimer* noticeTimer_;             // out_of_range_Timer
  QTreeWidget* tree_ = nullptr;     // Setpoints_Tree
  QFrame* treeBar_ = nullptr;       // tree_P
  QTableWidget* grid_ = nullptr;    // Setpoints_Grid
  QFrame* buttonBar_ = nullptr;     // Setpoints_P
  QLabel* writeError_ = nullptr;    // write_error_L
  QLabel* notice_ = nullptr;        // out_of_range_P
  QWidget* splitHandle_ = nullptr;  // tree_grid_split
  QLabel* hint_ = nullptr;          // empty_grid_hint
  int treeWidth_ = 0;               // after a drag; 0: the layout's
  MainLayout layout_;
  int pageHeight_ = 0;
  SpinEdit* numberEditor_ = nullptr;         // setting_SE
  QComboBox* listEditor_ = nullptr;          // setting_CB
  QLineEdit* textEditor_ = nullptr;          // setting_E
  QLineEdit* commentEditor_ = nullptr;       // comments_E
  QPushButton* applyButton_ = nullptr;       // Apply_B
  QPushButton* undoButton_ = nullptr;        // Undo_B
  QPushButton* refreshButton_ = nullptr;     // Refresh_B
  QPushButton* printButton_ = nullptr;       // Print_B
  QPushButton* selectAllButton_ = nullptr;   // SelectAll_B
  QPushButton* selectNoneButton_ = nullptr;  // SelectNone_B
  int editRow_ = -1;
  int editColumn_ = -1;
  int editRegister_ = -1;
  bool committing_ = false;
};

}  // namespace kvx
