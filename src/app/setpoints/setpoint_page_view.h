#pragma once
// The widgets of the "Setpoints" page on the core page model: the tree with
// its state pictures, the grid with its cell drawing, the four editors laid
// over a cell, the out-of-range notice and the page's buttons.

#include <QObject>
#include <QString>
#include <memory>

#include "session/setpoint_page.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace kvx {

class TMainF;
class TBWSpinEdit;

class TSetpointPageView : public QObject {
  Q_OBJECT

 public:
  explicit TSetpointPageView(TMainF& window);
  ~TSetpointPageView() override;

  SetpointPage& model() { return page_; }
  // New definitions were loaded: a fresh tree, nothing ticked.
  void DefinitionsChanged();
  // Lists the ticked groups now (what the setpoint timer does when due).
  void RebuildSetpointGrid();
  void EnableControls(bool enabled);
  // Runs `work` under the window's busy lock: the menus and buttons are
  // disabled, an open editor is committed first, and no timer starts work of
  // its own while the lock is held (sequences pump messages to repaint, and
  // the timers are delivered then). Locks nest; the controls come back when
  // the outermost one ends.
  void Busy(const std::function<void()>& work);
  bool IsBusy() const { return busyDepth_ > 0; }

  // The page's controls, for tests.
  TBWSpinEdit* spinEditor() const { return setting_SE; }
  QComboBox* listEditor() const { return setting_CB; }
  QLineEdit* textEditor() const { return setting_E; }
  QLineEdit* commentEditor() const { return comments_E; }
  QTreeWidgetItem* itemFor(const NodePath& path) const;
  // A click on a grid cell, as the mouse gives it.
  void SelectCell(int row, int column);
  // A click on a tree node.
  void ClickNode(QTreeWidgetItem* item);

  void ApplyClick();
  void UndoClick();
  void RefreshClick();
  void SelectAllClick();
  void SelectNoneClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RenderTree();
  void RenderStates(QTreeWidgetItem* item, const SetpointTreeNode& node);
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
  void NoticeTick();
  void CommitEditors();
  void CommitNumber();
  void CommitText();
  void CommitComment();

  TMainF& window_;
  SetpointPage page_;
  QTreeWidget* tree_;
  QTableWidget* grid_;
  QLabel* writeError_;
  QLabel* notice_;
  QProgressBar* progress_;
  QTimer* setpointTimer_;
  QTimer* noticeTimer_;
  TBWSpinEdit* setting_SE;
  QComboBox* setting_CB;
  QLineEdit* setting_E;
  QLineEdit* comments_E;
  QPushButton* Apply_B;
  QPushButton* Undo_B;
  QPushButton* Refresh_B;
  QPushButton* Print_B;
  QPushButton* SelectAll_B;
  QPushButton* SelectNone_B;
  int editRow_ = -1;
  int editColumn_ = -1;
  int editRegister_ = -1;
  bool committing_ = false;
  int busyDepth_ = 0;
};

}  // namespace kvx
