#include "session/working_state.h"

#include "session/password_rules.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/number_text.h"
#include "setpoints/register_values.h"
#include "setpoints/type_codes.h"

namespace kvx {
namespace {

constexpr int kPasswordRegister = 590;
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

WorkingState::~WorkingState() = default;

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
    dialogs_.Tell("File Error", "Error Loading File.");
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

bool WorkingState::CheckPassword() {
  const std::string typed = passwords_.AskPassword();
  std::string stored;
  if (!ReadSetting(comm_, kPasswordRegister, kPasswordType, stored)) return false;
  return PasswordMatches(stored, typed);
}

bool WorkingState::PasswordGate() {
  if (gate_.AccessGranted(Now())) return true;
  if (!CheckPassword()) {
    dialogs_.Tell("Password Error", "Wrong Password.");
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
  if (!ReadSetting(comm_, kPasswordRegister, kPasswordType, stored) ||
      stored.substr(0, 4) != change.currentPassword.substr(0, 4)) {
    dialogs_.Tell("Password Error", "Wrong Password");
    result.outcome = ChangePasswordOutcome::WrongPassword;
    return result;
  }
  result.outcome = ChangePasswordOutcome::Sent;
  result.written = WriteSetting(comm_, kPasswordRegister, kPasswordType, change.newPassword);
  return result;
}

ApplyResult WorkingState::ApplyChanges() {
  ApplyResult result;
  view_.writeErrorText.clear();
  if (!PasswordGate()) return result;
  result.passedGate = true;
  pendingChanges_ = false;
  Begin("Applying Changes", kSettingCount - 1);
  for (int x = 0; x < kSettingCount; ++x) {
    Step(x);
    SettingRecord& s = store_.settings[x];
    if (s.changed == 1 && online_) {
      // A write or read-back that did not get through keeps the edit pending,
      // so that the save question still knows about it.
      if (!WriteSetting(comm_, x, s.typeCode, s.value)) {
        result.linkFailed.push_back(x);
        pendingChanges_ = true;
        continue;
      }
      std::string readBack;
      if (!ReadSetting(comm_, x, s.typeCode, readBack)) {
        result.linkFailed.push_back(x);
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

}  // namespace kvx
