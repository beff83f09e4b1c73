#pragma once
// TMainF: the program's main window and owner of its working state. This
// file holds the frame: strips, pages, status bar, menus, timers, colours,
// resize and close. The sequences of the later features plug into the
// handlers in main_menu_actions.cpp.

#include <QMainWindow>
#include <QString>
#include <functional>
#include <map>
#include <memory>

#include "app/frame/user_colors.h"
#include "session/working_state.h"
#include "setpoints/setting_store.h"
#include "shell/comm_options.h"
#include "shell/connection_view.h"
#include "shell/main_layout.h"
#include "shell/preferences.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTimer;
class QTreeWidget;
class QUrl;
class QWidget;

namespace kvx {

class Handover;
class HandedOverDialogs;
class HandedOverPasswords;
class HandedOverProgress;
class LinkWorker;
class PortAccess;
class TSetpointPageView;
class WindowDialogs;
class WindowPasswords;
class WindowProgress;

// What a file dialog is asked for; the answer is a path, or empty for Cancel.
struct FileRequest {
  bool save = false;
  QString title;
  QString folder;
  QString filter;
  QString proposedName;
  QString suffix;
};

struct MainWindowOptions {
  QString programFolder;          // empty: the folder of the program file
  QString openFileAtStart;        // the first command-line argument, if any
  int connectTcpPortAtStart = 0;  // --demo: connect to 127.0.0.1 on this port once shown
};

class TMainF : public QMainWindow {
  Q_OBJECT

 public:
  explicit TMainF(const MainWindowOptions& options = {});
  ~TMainF() override;

  // Working state.
  Preferences& preferences() { return prefs_; }
  CommOptions& commOptions() { return commOptions_; }
  WorkingState& session() { return *session_; }
  SettingStore& settingStore() { return session_->Store(); }
  bool online() const { return session_->Online(); }
  bool unsavedChanges() const { return session_->UnsavedChanges(); }
  void setUnsavedChanges(bool changed) { session_->SetUnsavedChanges(changed); }
  // Questions, messages and passwords go to `script` instead of the modal
  // dialogs while it is set (tests); null restores the dialogs.
  void useDialogs(UserDialogs* script);
  void usePasswords(PasswordPrompt* script);
  WindowProgress& progressWindows() { return *progress_; }
  TSetpointPageView& setpointPage() { return *setpointPage_; }
  UserColors userColors() const { return ColorsFromPreferences(prefs_); }
  // Where the next file dialog starts: the folder of the file used last, or
  // the program's folder before any.
  QString lastFolder() const;
  QString defaultsFolder() const { return defaultsFolder_; }

  // Runs `sequence` (relay work on the working state) on the link worker and
  // keeps the event loop running, painting and answering, until it has
  // ended. Call it under the busy lock: the lock keeps the controls and the
  // timers off the working state meanwhile. Called again from inside a
  // running sequence (a question it asked), it runs `sequence` at once.
  void RunOnLink(const std::function<void()>& sequence);
  // Cancel on the progress window, or Escape: the running sequence stops at
  // its next exchange boundary.
  void CancelLinkSequence();
  bool LinkSequenceRunning() const { return linkDepth_ > 0; }
  // How many sequences RunOnLink has been given (nested ones too), for tests.
  int LinkSequencesRun() const { return linkSequencesRun_; }
  Handover& handover() { return *handover_; }

  // Shows the frame as it looks offline or online with a relay of `family`
  // (menus, strips, pages) without touching the working state.
  void ShowConnectionView(bool online, int family);
  // Shows what the working state says: menus, panels, caption.
  void RenderSession();
  // The network panel alone: ONLINE, or that the relay is not answering.
  void RenderLinkState();
  void DisconnectUnit();
  // Configures the link from `options` and runs the connect sequence.
  bool ConnectWith(const CommOptions& options);
  void ApplyColors();
  void FormResize();
  void PageControl1Change();

  // Handlers the later features replace; by default they say "not available".
  std::function<void()> saveSetpointFile;
  std::function<void(const QString& path)> openSetpointFile;
  // Opens a document with the system's default program; false on failure.
  std::function<bool(const QUrl& url)> openDocument;
  // The port list and open test of the options dialog (null: the system's).
  PortAccess* portAccess = nullptr;
  // Run after the loaded definitions changed (connect, file open): the
  // setpoint page rebuilds its tree.
  std::function<void()> setpointPageChanged;
  // The file dialogs and the Select Defaults File dialog (a null text for
  // Cancel); tests answer them themselves.
  std::function<QString(const FileRequest& request)> askFileName;
  std::function<QString()> askDefaultsFile;
  // Shows the communications options dialog; tests answer it themselves.
  std::function<void(CommOptions& options)> askCommOptions;

  // Named parts of the frame, for the features that fill them and for tests.
  QAction* action(const QString& name) const;
  QMenu* menu(const QString& name) const;
  QWidget* part(const QString& name) const;
  QTimer* timer(const QString& name) const;
  const MainLayout& layoutNow() const { return layout_; }

  // Menu handlers of the frame.
  void Exit1Click();
  void Disconnect1Click();
  void Connect1Click();
  void About1Click();
  void Contents1Click();
  void EditColors1Click();
  void Timeout1Click();
  void SaveToFile();                       // under the busy lock
  void LoadUserFile(const QString& path);  // empty: asks for the file
  void LoadDefaults();
  void WritetoUnit1Click();
  void ChangePassword1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyConnectionView(const ConnectionView& v);
  void BuildMenus();
  void WireMenuActions();  // main_menu_actions.cpp
  void BuildStrips(QWidget* central);
  void BuildPages(QWidget* central);
  void BuildStatusBar(QWidget* central);
  void BuildTimers();
  QLabel* MakePanel(QWidget* parent, const QString& name, const QString& text = QString());
  QAction* AddItem(QMenu* menu, const QString& name, const QString& caption);
  QMenu* AddMenu(const QString& name, const QString& caption);
  void NotAvailableYet(const QString& feature);
  void SaveToFileLocked();
  // Runs `work` once no busy sequence holds the window (start-up actions
  // whose timer may fire while another one pumps messages).
  void RunWhenIdle(const std::function<void()>& work);
  bool CloseSequence();
  void StartLink();  // main_link.cpp
  void StopLink();
  void ShowLinkCancel(bool shown);
  bool EscapeCancelsLink(QObject* watched, QEvent* event);

  Preferences prefs_;
  CommOptions commOptions_;
  std::unique_ptr<WindowDialogs> dialogs_;
  std::unique_ptr<WindowPasswords> passwords_;
  std::unique_ptr<WindowProgress> progress_;
  // The link worker and what its sequences talk to the window through;
  // closed and stopped first when the window goes.
  std::unique_ptr<Handover> handover_;
  std::unique_ptr<HandedOverDialogs> linkDialogs_;
  std::unique_ptr<HandedOverPasswords> linkPasswords_;
  std::unique_ptr<HandedOverProgress> linkProgress_;
  std::unique_ptr<LinkWorker> worker_;
  int linkDepth_ = 0;
  int linkSequencesRun_ = 0;
  int handingOver_ = 0;  // inside a task a sequence handed over (it waits for it)
  QPushButton* linkCancel_B = nullptr;
  std::unique_ptr<WorkingState> session_;  // large: kept off the stack and the window object
  TSetpointPageView* setpointPage_ = nullptr;
  bool freshMetering_ = false;
  int passwordTimeoutMs_ = 300000;
  int logPeriodMs_ = 4000;
  int minLogPeriodMs_ = 2000;
  QString programFolder_;
  QString defaultsFolder_;
  MainLayout layout_;
  bool closing_ = false;

  std::map<QString, QAction*> actions_;
  std::map<QString, QMenu*> menus_;
  std::map<QString, QWidget*> parts_;
  std::map<QString, QTimer*> timers_;

  QWidget* central_ = nullptr;
  QFrame* main_display_P = nullptr;
  QLabel* first_P = nullptr;
  QLabel* second_P = nullptr;
  QLabel* third_P = nullptr;
  QPushButton* Details_B = nullptr;
  QPushButton* Reset_B = nullptr;
  QFrame* dra_display_P = nullptr;
  QFrame* drb_display_P = nullptr;
  QFrame* fdx_display_P = nullptr;
  QPushButton* Start1_B = nullptr;
  QPushButton* Start2_B = nullptr;
  QPushButton* Stop_B = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* Setpoints_Tab = nullptr;
  QWidget* Metering_Tab = nullptr;
  QWidget* TabSheet3 = nullptr;
  QTreeWidget* Setpoints_Tree = nullptr;
  QFrame* tree_P = nullptr;
  QTableWidget* Setpoints_Grid = nullptr;
  QFrame* Setpoints_P = nullptr;
  QLabel* out_of_range_P = nullptr;
  QLabel* write_error_L = nullptr;
  QTableWidget* Meter_Grid = nullptr;
  QTableWidget* RTD_Grid = nullptr;
  QTableWidget* Events_Grid = nullptr;
  QFrame* events_P = nullptr;
  QFrame* packet_P = nullptr;
  QLabel* empty_P = nullptr;
  QFrame* Status_P = nullptr;
  QLabel* network_P = nullptr;
  QLabel* unit_P = nullptr;
  QLabel* version_P = nullptr;
  QLabel* serial_P = nullptr;
  QLabel* time_P = nullptr;
  QProgressBar* read_Progress = nullptr;
  bool packetStatsShown_ = false;
};

}  // namespace kvx
