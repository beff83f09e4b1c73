#pragma once
// MainWindow (objectName TMainF): the program's main window as a frame. It
// owns the working state and the link worker, holds the menus, the strips,
// the status bar, the timers and the page control, and routes to one view
// per page and one small controller per menu area. What it shows comes from
// the working state, rendered in one place (RenderSession); it keeps no copy
// of the state's flags or folders.

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "app/frame/frame_parts.h"
#include "app/frame/user_colors.h"
#include "session/working_state.h"
#include "setpoints/setting_store.h"
#include "shell/comm_options.h"
#include "shell/connection_view.h"
#include "shell/main_layout.h"
#include "shell/preferences.h"

class QTabWidget;
class QUrl;
class QWidget;

namespace kvx {

class DatalogCommands;
class EventsPageView;
class FileCommands;
class Handover;
class HandedOverDialogs;
class HandedOverPasswords;
class HandedOverProgress;
class HelpCommands;
class LinkCommands;
class LinkWorker;
class MeteringPageView;
class PasswordCommands;
class PortAccess;
class SetpointPageView;
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
  // --tcp / --rtu / --df1: connect with these once shown, as if confirmed in
  // the options dialog.
  std::optional<CommOptions> connectAtStart;
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(const MainWindowOptions& options = {});
  ~MainWindow() override;

  // --- the working state and what talks to it ---------------------------
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
  UserDialogs& dialogs();
  WindowProgress& progressWindows() { return *progress_; }
  SetpointPageView& setpointsView() { return *setpointsView_; }
  DatalogCommands& datalog() { return *datalog_; }
  UserColors userColors() const { return ColorsFromPreferences(prefs_); }
  // Where the next file dialog starts: the folder of the file used last, or
  // the program's folder before any.
  QString lastFolder() const;
  QString programFolder() const { return programFolder_; }
  QString defaultsFolder() const { return defaultsFolder_; }
  const FrameTimers& timers() const { return timers_; }
  const MainLayout& layoutNow() const { return layout_; }

  // --- the busy lock and the link worker (main_link.cpp) ------------------
  // Runs `work` under the busy lock: the menus and buttons are disabled, an
  // open editor is committed first, and no timer starts work of its own
  // while the lock is held (the event loop keeps running while a sequence is
  // on the link, and the timers are delivered then). Locks nest; the
  // controls come back when the outermost one ends.
  void Busy(const std::function<void()>& work);
  bool IsBusy() const { return busyDepth_ > 0; }
  // Runs `sequence` (relay work on the working state) on the link worker and
  // keeps the event loop running, painting and answering, until it has
  // ended. Call it under the busy lock. Called again from inside a running
  // sequence (a question it asked), it runs `sequence` at once.
  void RunOnLink(const std::function<void()>& sequence);
  // Cancel on the progress window, or Escape: the running sequence stops at
  // its next exchange boundary.
  void CancelLinkSequence();
  bool LinkSequenceRunning() const { return linkDepth_ > 0; }
  // How many sequences RunOnLink has been given (nested ones too), for tests.
  int LinkSequencesRun() const { return linkSequencesRun_; }
  Handover& handover() { return *handover_; }

  // --- rendering ------------------------------------------------------
  // Shows what the working state says: menus, strips, panels, caption. The
  // one place the window's caption is set.
  void RenderSession();
  // Says in the status bar what a command achieved, until the next command
  // starts. Only for what was done in full: a refused or partial result has
  // its own message instead.
  void ShowConfirmation(const QString& text);
  // The same place in red: why a command failed, when no message box said
  // so already.
  void ShowFailure(const QString& text);
  QString confirmation() const;
  // The network panel alone: ONLINE, or that the relay is not answering.
  void RenderLinkState();
  // The network panel while the options dialog is open before a connect.
  void ShowOfflineBeforeConnect();
  // Shows the frame as it looks offline or online with a relay of `family`
  // (menus, strips, pages) without touching the working state.
  void ShowConnectionView(bool online, int family);
  void ApplyColors();
  void LayOutFrame();
  void OnPageChanged();

  // --- menu handlers: each hands over to its menu area's controller -------
  void OnExit();
  void OnConnect();
  void OnDisconnect();
  bool ConnectWith(const CommOptions& options);
  void DisconnectUnit();
  void OnAbout();
  void OnHelpContents();
  void OnEditColors();
  void OnPasswordTimeout();
  void OnChangePassword();
  void SaveToFile();                   // under the busy lock
  void OpenFile(const QString& path);  // empty: asks for the file
  void OnLoadDefaults();
  void OnWriteFileToUnit();

  // Handlers the later features replace; by default they run the file
  // commands.
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

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyConnectionView(const ConnectionView& v);
  void BuildPages();
  void WireMenus();  // menu_wiring.cpp
  void NotAvailableYet(const QString& feature);
  void EnableControls(bool enabled);
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
  int busyDepth_ = 0;
  std::unique_ptr<WorkingState> session_;  // large: kept off the stack and the window object

  // The menu areas.
  std::unique_ptr<FileCommands> files_;
  std::unique_ptr<LinkCommands> link_;
  std::unique_ptr<PasswordCommands> password_;
  std::unique_ptr<HelpCommands> help_;
  std::unique_ptr<DatalogCommands> datalog_;

  QString programFolder_;
  QString defaultsFolder_;
  MainLayout layout_;
  int passwordTimeoutMs_ = 300000;
  int logPeriodMs_ = 4000;

  QWidget* central_ = nullptr;
  FrameMenus menus_;
  FrameStrips strips_;
  FrameStatusBar statusBar_;
  FrameTimers timers_;
  QTabWidget* pages_ = nullptr;  // PageControl1
  SetpointPageView* setpointsView_ = nullptr;
  MeteringPageView* meteringView_ = nullptr;
  EventsPageView* eventsView_ = nullptr;
};

}  // namespace kvx
