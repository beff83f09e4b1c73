#include "session/working_state.h"

#include <array>

#include "comm/register_access_report.h"
#include "comm/relay_registers.h"
#include "session/password_rules.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/number_text.h"
#include "setpoints/packet_counters.h"
#include "setpoints/register_values.h"
#include "setpoints/setting_codec.h"
#include "setpoints/type_codes.h"

namespace kvx {
namespace {

constexpr int kPasswordType = 22;

// Type codes 1 and 3 compare as numbers after a write, every other as text:
// "5.00" typed in the spin edit reads back from the relay as "5".
bool SameValue(int typeCode, const std::string& a, const std::string& b) {
  if (typeCode == 1 || typeCode == 3) {
    auto x = ParseNumber(a);
    auto y = ParseNumber(b);
    if (x && y) return *x == *y;
  }
  return a == b;
}

// ReadSetting of the password register, keeping the link's reason when the
// read fails.
bool ReadPassword(CommSettings& comm, std::string& stored, CommFailure& why) {
  const int count = DescribeTypeCode(kPasswordType).registers;
  std::array<std::uint16_t, 10> words{};
  const AccessReport report =
      ReadRegistersReport(comm, relay_reg::kPassword, count,
                          std::span<std::uint16_t>(words.data(), static_cast<std::size_t>(count)));
  CountPacket(report.ok);
  why = FailureOf(report);
  if (!report.ok) return false;
  stored = DecodeSetting(kPasswordType, words);
  return true;
}

void TellPasswordNotRead(UserDialogs& dialogs, const std::string& reason) {
  dialogs.Tell(
      "Communications Error",
      "Error reading from unit. Please retry\nThe password could not be checked:\n" + reason + ".");
}

}  // namespace

WorkingState::WorkingState(UserDialogs& dialogs, PasswordPrompt& passwords,
                           std::filesystem::path defaultsFolder, SessionClock clock)
    : dialogs_(dialogs),
      passwords_(passwords),
      defaultsFolder_(std::move(defaultsFolder)),
      clock_(std::move(clock)),
      serialPort_(MakeSerialPort()),
      tcpClient_(MakeTcpClient()) {
  comm_.serialPort = serialPort_.get();
  comm_.tcpClient = tcpClient_.get();
  tree_.text = "No Data Loaded";
}

WorkingState::~WorkingState() {
  // The polls show into this object: they end before any of it goes.
  StopPollThreads();
}

void WorkingState::UseLink(std::unique_ptr<SerialPort> port, std::unique_ptr<TcpClient> tcp,
                           const CommSettings& settings) {
  serialPort_ = port ? std::move(port) : MakeSerialPort();
  tcpClient_ = tcp ? std::move(tcp) : MakeTcpClient();
  comm_ = settings;
  comm_.serialPort = serialPort_.get();
  comm_.tcpClient = tcpClient_.get();
}

std::chrono::steady_clock::time_point WorkingState::Now() const {
  return clock_ ? clock_() : std::chrono::steady_clock::now();
}

std::string LoadErrorText(const std::string& reason) {
  return reason.empty() ? std::string("Error Loading File.") : "Error Loading File.\n" + reason;
}

void WorkingState::Begin(std::string_view caption, int maximum) {
  if (progress_) progress_->Begin(caption, maximum);
}
void WorkingState::Step(int position) {
  if (progress_) progress_->Position(position);
}
void WorkingState::End() {
  if (progress_) progress_->End();
}

bool WorkingState::OpenSettingFile(const std::filesystem::path& path) {
  std::string caption;
  const SettingProgress progress = [&](std::string_view passCaption, int position) {
    if (passCaption != caption) {
      if (!caption.empty()) End();
      caption = passCaption;
      Begin(caption, kSettingCount - 1);
    }
    Step(position);
  };
  LoadResult loaded = LoadSettingFile(store_, path, defaultsFolder_, progress);
  if (!caption.empty()) End();
  if (!loaded) {
    loadError_ = loaded.error;
    dialogs_.Tell("File Error", LoadErrorText(loaded.error));
    return false;
  }
  loadError_.clear();
  view_.unitText = store_.unitName;
  view_.versionText = "Firmware Version: " + FormatFirmware(store_.definitionFirmware);
  tree_ = BuildSetpointTree(store_);
  view_.writeErrorText.clear();
  pendingChanges_ = false;
  view_.menus.changeRevision = true;
  return true;
}

MessageResult WorkingState::AskToSaveChanges() {
  if (!unsavedChanges_) return MessageResult::No;
  MessageResult answer =
      dialogs_.Ask("Setpoint Changes", "Do you wish to save your\ncurrent changes to a file?",
                   MessageKind::YesNo);
  if (answer != MessageResult::Yes) {
    unsavedChanges_ = false;
    return MessageResult::No;
  }
  return MessageResult::Yes;
}

PasswordCheck WorkingState::CheckPassword() {
  const std::string typed = passwords_.AskPassword();
  std::string stored;
  CommFailure why;
  const bool read = ReadPassword(comm_, stored, why);
  NoteExchange(why);
  if (!read) {
    passwordCheck_ = PasswordCheck::NotRead;
  } else {
    passwordCheck_ = PasswordMatches(stored, typed) ? PasswordCheck::Right : PasswordCheck::Wrong;
  }
  return passwordCheck_;
}

void WorkingState::TellPasswordRefused(PasswordCheck check) {
  if (check == PasswordCheck::NotRead) {
    TellPasswordNotRead(dialogs_, lastFailure_.reason);
  } else if (check == PasswordCheck::Wrong) {
    dialogs_.Tell("Password Error", "Wrong Password.");
  }
}

bool WorkingState::PasswordGate() {
  if (gate_.AccessGranted(Now())) {
    passwordCheck_ = PasswordCheck::Right;
    return true;
  }
  const PasswordCheck check = CheckPassword();
  if (check != PasswordCheck::Right) {
    TellPasswordRefused(check);
    return false;
  }
  gate_.Unlock(Now());
  return true;
}

ChangePasswordResult WorkingState::ChangePassword() {
  ChangePasswordResult result;
  const PasswordChange change = passwords_.AskPasswordChange();
  if (change.newPassword == kPasswordChangeCancelled) return result;
  std::string stored;
  const bool read = ReadPassword(comm_, stored, result.failure);
  NoteExchange(result.failure);
  if (!read) {
    TellPasswordNotRead(dialogs_, result.failure.reason);
    result.outcome = ChangePasswordOutcome::NotRead;
    return result;
  }
  if (!PasswordMatches(stored, change.currentPassword)) {
    dialogs_.Tell("Password Error", "Wrong Password");
    result.outcome = ChangePasswordOutcome::WrongPassword;
    return result;
  }
  result.outcome = ChangePasswordOutcome::Sent;
  result.written =
      WriteSetting(comm_, relay_reg::kPassword, kPasswordType, change.newPassword, result.failure);
  NoteExchange(result.failure);
  return result;
}

ApplyResult WorkingState::ApplyChanges() {
  ApplyResult result;
  view_.writeErrorText.clear();
  if (!PasswordGate()) {
    result.passwordNotRead = passwordCheck_ == PasswordCheck::NotRead;
    return result;
  }
  result.passedGate = true;
  pendingChanges_ = false;
  if (online_) {
    for (const SettingRecord& s : store_.settings) result.toWrite += s.changed == 1 ? 1 : 0;
  }
  Begin("Applying Changes", kSettingCount - 1);
  for (int x = 0; x < kSettingCount; ++x) {
    Step(x);
    SettingRecord& s = store_.settings[x];
    if (s.changed == 1 && online_) {
      // Stopped between two settings: this one and every later edit stay
      // pending, exactly as they were.
      if (StopRequested()) {
        result.stopped = true;
        pendingChanges_ = true;
        break;
      }
      // A write or read-back that did not get through keeps the edit pending,
      // so that the save question still knows about it.
      CommFailure why;
      const bool wrote = WriteSetting(comm_, x, s.typeCode, s.value, why);
      NoteExchange(why);
      if (!wrote) {
        result.linkFailed.push_back(x);
        result.linkFailureReasons.push_back(why.reason);
        pendingChanges_ = true;
        continue;
      }
      // The write went out; its read-back is the other half of the same step
      // and is made even when a stop was asked for meanwhile.
      std::string readBack;
      const bool read = ReadSetting(comm_, x, s.typeCode, readBack, why);
      NoteExchange(why);
      if (!read) {
        result.linkFailed.push_back(x);
        result.linkFailureReasons.push_back("reading it back: " + why.reason);
        pendingChanges_ = true;
        continue;
      }
      const std::string old = s.value;
      s.value = readBack;
      s.readComment = s.comment;
      s.readValue = s.value;
      if (SameValue(s.typeCode, old, s.value)) {
        s.changed = 0;
        result.written.push_back(x);
      } else {
        view_.writeErrorText = "Error writing Setpoint";
        pendingChanges_ = true;
        result.mismatched.push_back(x);
      }
    } else {
      s.readComment = s.comment;
      s.readValue = s.value;
      s.changed = 0;
    }
  }
  End();
  unsavedChanges_ = true;
  return result;
}

void WorkingState::NoteExchange(const CommFailure& why) {
  if (why.Failed()) lastFailure_ = why;
  if (why.error == CommError::InvalidArgument) return;
  view_.linkReason = why.reason;
  if (!online_) return;
  const bool answered = !why.Failed() || IsExceptionReply(why.error);
  view_.networkText = answered ? "ONLINE" : kNotAnsweringText;
  view_.networkColor = answered ? PanelColor::Good : PanelColor::Bad;
}

std::string DescribeStoppedApply(const ApplyResult& result) {
  return "Apply stopped: " + std::to_string(result.written.size()) + " of " +
         std::to_string(result.toWrite) + " settings written and verified";
}

std::string DescribeAppliedInFull(const ApplyResult& result, bool online) {
  if (!result.passedGate || result.stopped || !result.mismatched.empty() ||
      !result.linkFailed.empty()) {
    return {};
  }
  if (!online) return "Changes applied to the loaded settings (offline)";
  if (result.written.empty()) return {};
  const std::size_t n = result.written.size();
  return std::to_string(n) + (n == 1 ? " setting" : " settings") + " written and verified";
}

}  // namespace kvx
