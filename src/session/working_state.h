#pragma once
// The working state of one engineer's session with a relay: the master link
// settings with the one serial port and TCP client, the loaded settings, the
// online and change flags, the access gate and (later) the poll threads. The
// desktop window owns one, the command line owns one; both run the same
// connect, password, save and write-to-unit sequences on it. Questions and
// messages go through UserDialogs, passwords through PasswordPrompt.
//
// Everything here runs on one thread at a time: the front end's main thread,
// or its link worker while a sequence runs there (the front end holds its
// busy lock then and does not touch the state until the sequence has ended).

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/comm_error.h"
#include "comm/comm_settings.h"
#include "comm/serial_port.h"
#include "comm/tcp_client.h"
#include "monitor/metering_model.h"
#include "monitor/poll_cycles.h"
#include "monitor/poll_thread.h"
#include "monitor/status_model.h"
#include "session/access_gate.h"
#include "session/cancel_token.h"
#include "session/password_prompt.h"
#include "session/progress_sink.h"
#include "session/session_view.h"
#include "session/setting_edit.h"
#include "setpoints/grid_rows.h"
#include "setpoints/setpoint_tree.h"
#include "setpoints/setting_store.h"
#include "setpoints/unit_model.h"
#include "shell/user_dialogs.h"

namespace kvx {

// The web address the "no compatible file" message sends the user to.
inline constexpr const char* kMakerWebAddress = "www.halvoren.example";

// "Error Loading File." with why the file did not load on a line of its own
// (not a setpoint file, damaged at byte N, permission denied…).
std::string LoadErrorText(const std::string& reason);

// Why the last ConnectUnit failed (the user saw "Failed to Connect").
enum class ConnectFailure {
  None,
  NoAnswer,           // a read of register 0, 1 or 2 failed
  UnknownModel,       // the model code is not one of the six
  OlderFileDeclined,  // no definition file, and the user said No to older ones
  NoDefinitionFile,   // none found, or it did not load
};

// What ConnectUnit learnt about the relay on the link.
struct UnitIdentity {
  int modelCode = 0;
  int firmware = 0;                      // register 1, hundredths
  std::string serialNumber;              // register 2 as its value text
  std::string modelName;                 // empty when the code is unknown
  std::filesystem::path definitionFile;  // the file loaded, empty before a load
};

enum class SaveOutcome {
  Saved,
  Cancelled,   // the un-applied changes question was cancelled
  ReadFailed,  // "Error reading from unit. Please retry"; no file written
  WriteFailed  // "Error writing file. Please retry"
};

enum class FileCheck {
  Accept,
  Unreadable,  // the file's identity could not be read (no message)
  WrongUnit,   // "File was created for the wrong type of Unit."
  Declined     // the firmware question was cancelled
};

struct WriteToUnitResult {
  enum class Outcome {
    Written,
    WrongPassword,
    FileRejected,  // see `fileCheck`
    FileNotLoaded,
    ValuesRefused,    // values the relay cannot take (see `refusedValues`): nothing written
    PollThreadsBusy,  // "Error Halting Metering."
    Refused,          // the relay refused a write part-way: it holds what went before
    WriteFailed,      // the link failed part-way: the relay holds what went before
    Error             // "Error Writing Data.", or the password could not be read
  } outcome = Outcome::Error;
  FileCheck fileCheck = FileCheck::Accept;
  int settingsWritten = 0;
  int failedRegister = -1;                  // the write that failed, when one did
  std::string failedValue;                  // the value text sent to it
  CommError failedError = CommError::None;  // why it failed (an exception reply: refused)
  std::string failedReason;                 // the same for a person
  bool reconnected = false;                 // the closing ConnectUnit succeeded
  bool stopped = false;                     // cancelled between two writes (outcome WriteFailed)
  std::string loadError;                    // why the file did not load
  std::vector<RefusedValue> refusedValues;  // every setting the file check refused
};

// How a password check ended. A password register that could not be read
// says nothing about the password typed: that is a failure of the link.
enum class PasswordCheck { Right, Wrong, NotRead };

enum class ChangePasswordOutcome { Cancelled, WrongPassword, NotRead, Sent };

struct ChangePasswordResult {
  ChangePasswordOutcome outcome = ChangePasswordOutcome::Cancelled;
  bool written = false;  // the write of the new password succeeded
  CommFailure failure;   // why the read (NotRead) or the write failed
};

struct ApplyResult {
  bool passedGate = false;
  bool passwordNotRead = false;                 // the gate could not read the relay's password
  std::vector<int> written;                     // written and read back equal
  std::vector<int> mismatched;                  // read back different: "Error writing Setpoint"
  std::vector<int> linkFailed;                  // the write or the read-back did not get through
  std::vector<std::string> linkFailureReasons;  // why, one per entry of linkFailed
  int toWrite = 0;                              // changed settings when the apply began (online)
  bool stopped = false;  // cancelled; the settings not reached are still pending
};

// "Apply stopped: 12 of 40 settings written and verified".
std::string DescribeStoppedApply(const ApplyResult& result);
// "14 settings written and verified" for an apply that did all it was given;
// empty for one that was refused, stopped or partly failed, which says so
// elsewhere. Offline the edits are only taken into the loaded settings.
std::string DescribeAppliedInFull(const ApplyResult& result, bool online);

// Where the poll threads show what they read. The working state applies each
// snapshot to its metering or status model inside the showing (on the
// thread `post` runs tasks on) and then tells the front end.
struct PollSinks {
  PollPost post;  // empty: shown on the poll thread itself
  std::function<void()> meteringShown;
  std::function<void(StatusOutcome)> statusShown;
};

// The network panel while online and the relay has stopped answering.
inline constexpr const char* kNotAnsweringText = "NO ANSWER";

class WorkingState {
 public:
  // `clock` times the password grace period; the steady clock when empty.
  WorkingState(UserDialogs& dialogs, PasswordPrompt& passwords,
               std::filesystem::path defaultsFolder, SessionClock clock = {});
  ~WorkingState();
  WorkingState(const WorkingState&) = delete;
  WorkingState& operator=(const WorkingState&) = delete;

  // --- the link -------------------------------------------------------
  // The master settings; their port and client point at the objects below.
  CommSettings& Comm() { return comm_; }
  SerialPort& Port() { return *serialPort_; }
  TcpClient& Tcp() { return *tcpClient_; }
  // Replaces the port and client (a front end that built them itself) and
  // takes the other link parameters from `settings`.
  void UseLink(std::unique_ptr<SerialPort> port, std::unique_ptr<TcpClient> tcp,
               const CommSettings& settings);

  void SetProgress(ProgressSink* progress) { progress_ = progress; }
  // Where the sequences show their progress (null: nowhere).
  ProgressSink* Progress() const { return progress_; }

  // The cancel request of the sequence running now (null: none). Sequences
  // look at it between exchanges and stop there.
  void SetCancelToken(const CancelToken* cancel) { cancel_ = cancel; }
  bool StopRequested() const { return cancel_ && cancel_->Cancelled(); }
  // What an exchange of a sequence showed of the relay (`why` it failed, or
  // no failure): while online, an exchange the relay did not answer turns the
  // network panel to "not answering" (red) until one gets through again. An
  // exception reply is an answer; a request that was never sent tells nothing.
  // A failure's reason becomes LastLinkFailure and the panel's tip.
  void NoteExchange(const CommFailure& why);
  // The last access of any sequence that failed, with its reason (kept until
  // the next failure; ConnectUnit starts afresh).
  const CommFailure& LastLinkFailure() const { return lastFailure_; }
  // Run once during a connect, after the grid skeletons are built: the
  // window's page-change handling (the Events page reads its records).
  void SetPageRefresh(std::function<void()> refresh) { pageRefresh_ = std::move(refresh); }

  // --- what the front ends show and edit ------------------------------
  SettingStore& Store() { return store_; }
  const SettingStore& Store() const { return store_; }
  const SessionView& View() const { return view_; }
  const UnitIdentity& Identity() const { return identity_; }
  const SetpointTreeNode& Tree() const { return tree_; }
  const MeteringRows& Metering() const { return meteringRows_; }
  const std::vector<GridRow>& EventRows() const { return eventRows_; }
  const std::filesystem::path& DefaultsFolder() const { return defaultsFolder_; }
  const std::filesystem::path& LastFolder() const { return lastFolder_; }
  void SetLastFolder(const std::filesystem::path& folder) { lastFolder_ = folder; }
  ConnectFailure LastConnectFailure() const { return connectFailure_; }
  // The last ConnectUnit was cancelled before the relay was identified (its
  // failure reads NoAnswer: the identity was not read).
  bool LastConnectStopped() const { return connectStopped_; }
  const std::string& LastLoadError() const { return loadError_; }
  // Why the last save could not write its file.
  const std::string& LastWriteError() const { return writeError_; }

  bool Online() const { return online_; }
  int UnitFirmware() const { return unitFirmware_; }
  bool PendingChanges() const { return pendingChanges_; }
  void SetPendingChanges(bool pending) { pendingChanges_ = pending; }
  bool UnsavedChanges() const { return unsavedChanges_; }
  void SetUnsavedChanges(bool unsaved) { unsavedChanges_ = unsaved; }

  // The access flag (true: writes pass without a password).
  bool AccessGranted() { return gate_.AccessGranted(Now()); }
  void SetPasswordTimeout(std::chrono::milliseconds timeout) { gate_.SetTimeout(timeout, Now()); }
  std::chrono::milliseconds PasswordTimeout() const { return gate_.Timeout(); }

  // --- connect and disconnect -------------------------------------------
  // Identifies the relay (registers 1, 0, 2), loads its definition file and
  // switches to online. False after "Failed to Connect" (see
  // LastConnectFailure); the state is offline then.
  bool ConnectUnit();
  void DisconnectUnit();
  // Ends the poll threads: bounded by one exchange. Afterwards no snapshot
  // is being shown or will be. False if a thread could not be ended.
  bool StopPollThreads();
  bool PollThreadsRunning() const { return meteringPoll_ || statusPoll_; }
  // Front ends that show the polls set their sinks once; without sinks a
  // connect starts no poll threads (the command line reads on demand).
  void SetPollSinks(PollSinks sinks) { pollSinks_ = std::move(sinks); }
  // The status poll's identity re-check period in cycles (tests shorten it).
  void SetIdentityRecheckCycles(int cycles) { identityEvery_ = cycles; }
  // The monitor models of the last connect. Only the thread that shows the
  // snapshots touches them while the polls run (and the connect sequence
  // before it starts them).
  const MeteringModel& MeteringView() const { return meteringModel_; }
  MeteringModel& MeteringView() { return meteringModel_; }
  const StatusModel& StatusView() const { return statusModel_; }
  StatusModel& StatusView() { return statusModel_; }

  // LoadSettingFile plus the refresh of what the setpoint page shows; a
  // failure shows "Error Loading File.".
  bool OpenSettingFile(const std::filesystem::path& path);

  // The caption and the folder follow the file the user works with. A file
  // chosen to save, open or write to the relay: the next file dialog starts
  // in its folder and the caption names it.
  void UseFile(const std::filesystem::path& path);
  // The file the caption names (empty when it names none), and forgetting
  // it: the caption goes back to the program's name.
  const std::filesystem::path& CurrentFile() const { return currentFile_; }
  void ForgetFile();
  // "Open Setpoint File": OpenSettingFile on the user's file; the caption
  // names it also when it did not load.
  bool OpenUserFile(const std::filesystem::path& path);
  // "Load Defaults File": OpenSettingFile on a shipped file, which is no file
  // of the user's; the caption names none.
  bool OpenDefaultsFile(const std::filesystem::path& path);

  // The "Setpoint Changes" question asked before loaded settings are
  // replaced: Yes means the caller runs its save; No forgets the changes.
  // Without unsaved changes nothing is asked and No is returned.
  MessageResult AskToSaveChanges();

  // --- password -------------------------------------------------------
  // Asks for the password and compares it with a fresh read of the relay's.
  PasswordCheck CheckPassword();
  // Tells the user why a check did not pass: "Wrong Password.", or for a
  // register that could not be read the communications message with the
  // link's reason.
  void TellPasswordRefused(PasswordCheck check);
  // Before every write of settings: passes at once while access is granted,
  // else checks the password (telling why on failure) and starts the grace
  // period.
  bool PasswordGate();
  // How the last password check through the gate or the whole-file write
  // ended.
  PasswordCheck LastPasswordCheck() const { return passwordCheck_; }
  ChangePasswordResult ChangePassword();

  // --- settings and files -----------------------------------------------
  // Writes every changed setting after the gate, reads each back and
  // compares; offline it only accepts the edits.
  ApplyResult ApplyChanges();
  // "Save Setpoint File" / "... from Unit" to `path` (chosen by the caller's
  // save dialog). Online, the setpoint groups are read from the relay first.
  // A front end that has asked the un-applied changes question itself (and
  // applied) passes `pendingAsked` so that it is not asked twice.
  SaveOutcome SaveSetpointFile(const std::filesystem::path& path, bool pendingAsked = false);
  // Reads every setting of the setpoint groups 0..99 from the relay, group
  // by group in list order, into `value` and `readValue`; stops at the first
  // failed read ("Reading Settings" progress). The placeholder entry of a
  // group without settings is no setting and is not read.
  bool ReadSetpointGroups();
  // Whether the file at `path` may be used with the loaded definitions.
  FileCheck CheckFileAgainstUnit(const std::filesystem::path& path);
  // "Write Setpoint File to Unit" for `path` (chosen by the caller's open
  // dialog); ends with the relay identified again.
  WriteToUnitResult WriteSetpointFileToUnit(const std::filesystem::path& path);

 private:
  std::chrono::steady_clock::time_point Now() const;
  // ConnectUnit; `cancellable` false for the closing one of a whole-file
  // write, which identifies the relay again after a Cancel as after any
  // other end, so that the window does not go offline beside a relay it
  // has half written.
  bool Identify(bool cancellable);
  bool FailConnect(ConnectFailure why);
  std::filesystem::path DefinitionPathFor(const UnitModel& model, int firmware);
  void StartPollThreads();
  void Begin(std::string_view caption, int maximum);
  void Step(int position);
  void End();
  // Identifies the relay again after a whole-file write ended early; `tell`
  // adds "Error Getting Data.".
  WriteToUnitResult Recover(WriteToUnitResult result, bool tell = true);
  void WriteSetpointGroups(WriteToUnitResult& result);

  UserDialogs& dialogs_;
  PasswordPrompt& passwords_;
  std::filesystem::path defaultsFolder_;
  SessionClock clock_;
  ProgressSink* progress_ = nullptr;
  const CancelToken* cancel_ = nullptr;
  std::function<void()> pageRefresh_;

  std::unique_ptr<SerialPort> serialPort_;
  std::unique_ptr<TcpClient> tcpClient_;
  CommSettings comm_;

  SettingStore store_;
  SetpointTreeNode tree_;
  MeteringRows meteringRows_;
  std::vector<GridRow> eventRows_;
  SessionView view_;
  UnitIdentity identity_;
  ConnectFailure connectFailure_ = ConnectFailure::None;
  bool connectStopped_ = false;
  std::string loadError_;
  std::string writeError_;
  std::filesystem::path lastFolder_;
  std::filesystem::path currentFile_;  // the file the caption names
  PasswordCheck passwordCheck_ = PasswordCheck::Right;
  CommFailure lastFailure_;

  bool online_ = false;
  int unitFirmware_ = 0;
  bool pendingChanges_ = false;
  bool unsavedChanges_ = false;
  AccessGate gate_;

  // The metering poll (once a second) and the status poll (twice a second)
  // while online, each with its own copy of comm_ and its own snapshot.
  PollSinks pollSinks_;
  int identityEvery_ = kIdentityRecheckCycles;
  MeteringModel meteringModel_;
  StatusModel statusModel_;
  std::unique_ptr<PollThread> meteringPoll_;
  std::unique_ptr<PollThread> statusPoll_;
};

}  // namespace kvx
