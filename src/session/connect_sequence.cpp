// ConnectUnit / DisconnectUnit of the working state.

#include <system_error>

#include "comm/relay_registers.h"
#include "session/definition_choice.h"
#include "session/working_state.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/number_text.h"
#include "setpoints/packet_counters.h"
#include "setpoints/register_values.h"

namespace kvx {
namespace {

// Closing a port or a socket that refuses to close is retried, but not for
// ever: after this many passes the disconnect goes on regardless.
constexpr int kMaxClosePasses = 3;
constexpr int kMaxStopRequests = 4;

bool FileExists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::filesystem::path WorkingState::DefinitionPathFor(const UnitModel& model, int firmware) {
  const int n = DefinitionFileNumber(model, firmware);
  if (ShowsSerialNumber(model, n)) view_.serialText = "SN: " + identity_.serialNumber;
  return DefinitionFilePath(defaultsFolder_, model, n);
}

bool WorkingState::ConnectUnit() {
  return Identify(true);
}

bool WorkingState::Identify(bool cancellable) {
  StopPollThreads();
  connectFailure_ = ConnectFailure::None;
  lastFailure_ = {};
  connectStopped_ = false;
  identity_ = UnitIdentity{};
  std::string firmwareText, modelText, serialText;
  CommFailure why;
  // Cancel is looked at before each of the three reads: a relay that takes
  // its time to answer is left at the next exchange boundary.
  const auto read = [&](int x, int typeCode, std::string& text) {
    if (cancellable && StopRequested()) {
      connectStopped_ = true;
      return false;
    }
    return ReadSetting(comm_, x, typeCode, text, why);
  };
  if (!read(relay_reg::kFirmware, 3, firmwareText) || !read(relay_reg::kModelCode, 3, modelText) ||
      !read(relay_reg::kSerialNumber, 2, serialText)) {
    if (!connectStopped_) NoteExchange(why);
    return FailConnect(ConnectFailure::NoAnswer);
  }
  const int firmware = static_cast<int>(ParseInteger(firmwareText).value_or(0));
  identity_.modelCode = static_cast<int>(ParseInteger(modelText).value_or(-1));
  identity_.firmware = firmware;
  identity_.serialNumber = serialText;
  const std::optional<UnitModel> model = FindUnitModelByCode(identity_.modelCode);
  if (!model) return FailConnect(ConnectFailure::UnknownModel);
  identity_.modelName = std::string(model->name);
  unitFirmware_ = firmware;

  std::filesystem::path path = DefinitionPathFor(*model, firmware);
  if (!FileExists(path)) {
    const MessageResult answer = dialogs_.Ask(
        "Communications Error",
        "There was no file found for Firmware Version " + FormatFirmware(firmware) + " of the " +
            identity_.modelName + ".\nDo you wish to try an older firmware version?",
        MessageKind::YesNo);
    if (answer != MessageResult::Yes) return FailConnect(ConnectFailure::OlderFileDeclined);
    // One try at least; none below firmware 99.
    for (int g = firmware - 1;; --g) {
      path = DefinitionPathFor(*model, g);
      if (FileExists(path) || g <= 99) break;
    }
  }
  if (!FileExists(path) || !OpenSettingFile(path)) {
    dialogs_.Tell("Communications Error",
                  "There was no compatible file found for Firmware Version " +
                      FormatFirmware(firmware) + " of the " + identity_.modelName +
                      ".\nPlease check " + kMakerWebAddress + " for newer files.");
    return FailConnect(ConnectFailure::NoDefinitionFile);
  }
  identity_.definitionFile = path;

  meteringRows_ = BuildMeteringRows(store_);
  eventRows_ = BuildEventRows(store_);
  if (pageRefresh_) pageRefresh_();

  view_.menus = ViewFor(true, store_.family);
  view_.versionText = "Firmware Version: " + FormatFirmware(firmware);
  view_.networkText = "ONLINE";
  view_.networkColor = PanelColor::Good;
  view_.linkReason.clear();
  view_.caption = kProgramName;
  currentFile_.clear();

  online_ = true;
  ResetPacketCounters();
  StartPollThreads();
  gate_.Lock();
  return true;
}

bool WorkingState::FailConnect(ConnectFailure why) {
  DisconnectUnit();
  connectFailure_ = why;
  view_.linkReason = lastFailure_.reason;  // beside the fixed text, for the panel's tip
  view_.networkText = "Failed to Connect";
  view_.networkColor = PanelColor::Bad;
  return false;
}

void WorkingState::DisconnectUnit() {
  view_.networkText = "Disconnecting";
  view_.networkColor = PanelColor::Normal;
  for (int i = 0; i < kMaxStopRequests && !StopPollThreads(); ++i) {
  }
  for (int pass = 0; pass < kMaxClosePasses; ++pass) {
    if (serialPort_ && serialPort_->IsOpen()) serialPort_->Close();
    if (tcpClient_ && tcpClient_->IsConnected()) tcpClient_->Disconnect();
    const bool stillOpen =
        (serialPort_ && serialPort_->IsOpen()) || (tcpClient_ && tcpClient_->IsConnected());
    if (!stillOpen) break;
  }
  online_ = false;
  gate_.Open();
  // The data-logging timer stops here once data logging exists.

  view_.menus = ViewFor(false, 0);
  view_.networkText = "OFFLINE";
  view_.networkColor = PanelColor::Bad;
  view_.timeText.clear();
  view_.serialText.clear();
  view_.linkReason.clear();
  for (std::string& text : view_.statusTexts) text.clear();
}

bool WorkingState::StopPollThreads() {
  // Status first, then metering. Each returns once its thread has ended.
  if (statusPoll_) statusPoll_->Stop();
  if (meteringPoll_) meteringPoll_->Stop();
  statusPoll_.reset();
  meteringPoll_.reset();
  return true;
}

void WorkingState::StartPollThreads() {
  meteringModel_ = MeteringModel(meteringRows_, store_);
  statusModel_ = StatusModel(store_.family, unitFirmware_);
  if (!pollSinks_.meteringShown && !pollSinks_.statusShown) return;

  struct MeteringState {
    CommSettings comm;
    MeteringSnapshot snapshot;
  };
  auto metering = std::make_shared<MeteringState>(MeteringState{comm_, {}});
  metering->comm.background = true;
  // Each copy counts DF1 transaction numbers on its own: started a third of
  // the range apart, the three threads never reuse one another's numbers
  // within the span a late reply could come back in.
  metering->comm.transactionCounter = static_cast<std::int32_t>(
      static_cast<std::uint32_t>(metering->comm.transactionCounter) + 0x5555u);
  PollThread::Steps m;
  m.read = [metering](const std::atomic<bool>& stop) {
    metering->comm.stopRequest = &stop;
    ReadMeteringCycle(metering->comm, metering->snapshot, stop);
    return metering->snapshot.readOk;
  };
  m.show = [this, metering] {
    return [this, snapshot = metering->snapshot] {
      meteringModel_.Apply(snapshot);
      if (!snapshot.readOk) statusModel_.NoteMeteringFailed();
      if (pollSinks_.meteringShown) pollSinks_.meteringShown();
    };
  };
  m.pauseOk = kMeteringPauseOk;
  m.pauseFailed = kMeteringPauseFailed;
  meteringPoll_ = std::make_unique<PollThread>(std::move(m), pollSinks_.post);

  struct StatusState {
    CommSettings comm;
    StatusCycleState cycle;
    StatusSnapshot snapshot;
  };
  auto status = std::make_shared<StatusState>(StatusState{comm_, {}, {}});
  status->comm.background = true;
  status->comm.transactionCounter = static_cast<std::int32_t>(
      static_cast<std::uint32_t>(status->comm.transactionCounter) + 0xAAAAu);
  status->cycle.identityEvery = identityEvery_;
  PollThread::Steps s;
  s.read = [status](const std::atomic<bool>& stop) {
    status->comm.stopRequest = &stop;
    ReadStatusCycle(status->comm, status->cycle, status->snapshot, stop);
    return status->snapshot.readOk;
  };
  s.show = [this, status] {
    return [this, snapshot = status->snapshot] {
      const StatusOutcome outcome = statusModel_.Apply(snapshot);
      if (pollSinks_.statusShown) pollSinks_.statusShown(outcome);
    };
  };
  s.pauseOk = kStatusPauseOk;
  s.pauseFailed = kStatusPauseFailed;
  statusPoll_ = std::make_unique<PollThread>(std::move(s), pollSinks_.post);
}

}  // namespace kvx
