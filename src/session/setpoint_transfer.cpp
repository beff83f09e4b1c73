// Setpoint files and the relay: save (from the relay when online), the
// compatibility check of a file, and the whole-file write to the relay.

#include <exception>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "comm/register_access_report.h"
#include "session/definition_choice.h"
#include "session/working_state.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/number_text.h"
#include "setpoints/register_values.h"
#include "setpoints/setting_codec.h"
#include "setpoints/write_setting_file.h"

namespace kvx {
namespace {

std::string CaptionWithPath(const std::filesystem::path& path) {
  return std::string(kProgramName) + ": " + path.string();
}

std::string Plural(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string RefusedValuesText(const std::vector<RefusedValue>& refused) {
  std::string text = "The file holds " +
                     Plural(static_cast<int>(refused.size()), "value", "values") +
                     " the relay cannot take; nothing was written.";
  for (std::size_t i = 0; i < refused.size() && i < kRefusedValuesListed; ++i) {
    text += "\n" + DescribeRefusedValue(refused[i]);
  }
  if (refused.size() > kRefusedValuesListed) {
    text += "\n(and " + std::to_string(refused.size() - kRefusedValuesListed) + " more)";
  }
  return text;
}

}  // namespace

bool WorkingState::ReadSetpointGroups() {
  Begin("Reading Settings", kSetpointGroupLimit);
  bool ok = true;
  for (int g = 0; g < kSetpointGroupLimit && ok; ++g) {
    const SettingGroup& group = store_.groups[g];
    if (group.name.empty()) continue;
    Step(g);
    for (int x : group.RegisterList()) {
      if (x < 0 || x >= kSettingCount) continue;
      SettingRecord& s = store_.settings[x];
      if (s.setting.empty()) continue;  // an empty group's placeholder
      if (StopRequested()) {
        ok = false;
        break;
      }
      std::string value;
      CommFailure why;
      const bool read = ReadSetting(comm_, x, s.typeCode, value, why);
      NoteExchange(why);
      if (!read) {
        ok = false;
        break;
      }
      s.value = value;
      s.readValue = s.value;
      s.readComment = s.comment;
    }
  }
  End();
  return ok;
}

void WorkingState::UseFile(const std::filesystem::path& path) {
  lastFolder_ = path.parent_path();
  view_.caption = CaptionWithPath(path);
  currentFile_ = path;
}

void WorkingState::ForgetFile() {
  view_.caption = kProgramName;
  currentFile_.clear();
}

bool WorkingState::OpenUserFile(const std::filesystem::path& path) {
  UseFile(path);
  return OpenSettingFile(path);
}

bool WorkingState::OpenDefaultsFile(const std::filesystem::path& path) {
  const bool loaded = OpenSettingFile(path);
  view_.caption = kProgramName;
  currentFile_.clear();
  return loaded;
}

SaveOutcome WorkingState::SaveSetpointFile(const std::filesystem::path& path, bool pendingAsked) {
  if (pendingChanges_ && !pendingAsked) {
    if (dialogs_.Ask("Setpoint Changes",
                     "There are un-applied changes.\nDo you wish to Apply, and Save?",
                     MessageKind::OkCancel) != MessageResult::Ok) {
      return SaveOutcome::Cancelled;
    }
    ApplyChanges();  // the save goes on whatever it achieved
  }
  UseFile(path);
  // An edit that Apply did not get onto the relay stays the user's: the file takes what
  // the relay holds, and the window keeps the edit, still marked, for a later Apply.
  std::vector<std::pair<int, std::string>> unappliedEdits;
  const auto restoreEdits = [&] {
    for (auto& [x, edit] : unappliedEdits) store_.settings[x].value = std::move(edit);
    unappliedEdits.clear();
  };
  if (online_) {
    for (int x = 0; x < kSettingCount; ++x) {
      if (store_.settings[x].changed != 0) unappliedEdits.emplace_back(x, store_.settings[x].value);
    }
    const bool read = ReadSetpointGroups();
    view_.caption = kProgramName;
    currentFile_.clear();
    if (!read) {
      restoreEdits();
      dialogs_.Tell("Setpoint File Save", StopRequested()
                                              ? "Save stopped before every setting was read; "
                                                "no file was written."
                                              : "Error reading from unit. Please retry");
      return SaveOutcome::ReadFailed;
    }
  }
  std::string caption;
  const SettingProgress progress = [&](std::string_view passCaption, int position) {
    if (caption.empty()) Begin(caption = passCaption, kSettingCount - 1);
    Step(position);
  };
  const WriteResult written = WriteSettingFile(store_, path, progress);
  restoreEdits();
  if (!caption.empty()) End();
  std::error_code ec;
  writeError_ = written.ok ? std::string() : written.error;
  if (!written.ok || !std::filesystem::is_regular_file(path, ec)) {
    if (writeError_.empty()) writeError_ = "no file at " + path.string() + " after the write";
    // The changes are not on disk: they stay unsaved, so closing still asks.
    // The reason (permission denied, no space…) on a line of its own.
    dialogs_.Tell("Setpoint File Save", "Error writing file. Please retry\n" + writeError_);
    return SaveOutcome::WriteFailed;
  }
  unsavedChanges_ = false;
  return SaveOutcome::Saved;
}

FileCheck WorkingState::CheckFileAgainstUnit(const std::filesystem::path& path) {
  const SettingFileIdentity file = ReadSettingFileIdentity(path);
  if (!file.ok) {
    dialogs_.Tell("File Error", LoadErrorText(file.error));
    return FileCheck::Unreadable;
  }
  if (file.unitName != store_.unitName) {
    dialogs_.Tell("Setpoint File Error", "File was created for the wrong type of Unit.");
    return FileCheck::WrongUnit;
  }
  const int fileFirmware = ComparableFirmware(store_.family, file.firmware);
  const int loadedFirmware = ComparableFirmware(store_.family, store_.definitionFirmware);
  if (fileFirmware != loadedFirmware) {
    const MessageResult answer =
        dialogs_.Ask("Firmware Warning",
                     "File is from Firmware Version " + FormatFirmware(fileFirmware) +
                         " and you are\nusing Firmware Version " + FormatFirmware(loadedFirmware) +
                         ".\n Do you wish to continue?",
                     MessageKind::OkCancel);
    // A refused question ends here: nothing was read wrong or failed.
    if (answer != MessageResult::Ok) return FileCheck::Declined;
  }
  return FileCheck::Accept;
}

WriteToUnitResult WorkingState::Recover(WriteToUnitResult result, bool tell) {
  result.reconnected = Identify(false);
  if (tell) dialogs_.Tell("Error", "Error Getting Data.");
  return result;
}

void WorkingState::WriteSetpointGroups(WriteToUnitResult& result) {
  Begin("Writing to Unit", kSetpointGroupLimit);
  for (int g = 0; g < kSetpointGroupLimit && result.failedRegister < 0 && !result.stopped; ++g) {
    const SettingGroup& group = store_.groups[g];
    if (group.name.empty()) continue;
    Step(g);
    for (int x : group.RegisterList()) {
      if (x < 0 || x >= kSettingCount) continue;
      const SettingRecord& s = store_.settings[x];
      if (s.access != 0) continue;  // read-only: the relay keeps its own value
      const EncodedSetting e = EncodeSetting(s.typeCode, s.value);
      if (e.kind == EncodedSetting::Kind::Nothing) continue;
      if (StopRequested()) {
        result.stopped = true;
        break;
      }
      CommError error = CommError::InvalidArgument;
      if (e.kind == EncodedSetting::Kind::Words) {
        const AccessReport report = WriteRegistersReport(
            comm_, x, e.count, std::span<const std::uint16_t>(e.words.data(), e.count));
        const CommFailure why = FailureOf(report);
        NoteExchange(why);
        if (report.ok) {
          ++result.settingsWritten;
          continue;
        }
        error = why.error;
        result.failedReason = why.reason;
      } else {
        result.failedReason =
            "'" + s.value + "' cannot be written to register " + std::to_string(x);
      }
      result.failedRegister = x;
      result.failedValue = s.value;
      result.failedError = error;
      break;
    }
  }
  End();
}

WriteToUnitResult WorkingState::WriteSetpointFileToUnit(const std::filesystem::path& path) {
  using Outcome = WriteToUnitResult::Outcome;
  WriteToUnitResult result;
  UseFile(path);

  if (const PasswordCheck check = CheckPassword(); check != PasswordCheck::Right) {
    TellPasswordRefused(check);
    result.outcome = check == PasswordCheck::NotRead ? Outcome::Error : Outcome::WrongPassword;
    return Recover(result);
  }
  result.fileCheck = CheckFileAgainstUnit(path);
  if (result.fileCheck != FileCheck::Accept) {
    // The check said why (a wrong unit, an unreadable file) or the user
    // declined: its own message is the last word.
    result.outcome = Outcome::FileRejected;
    return Recover(result, false);
  }
  // Loaded apart and checked whole first: a value the relay cannot take
  // would otherwise stop the write half-way, the relay half-written.
  SettingStore file = store_;
  LoadResult loaded = LoadSettingFile(file, path, defaultsFolder_);
  if (!loaded) {
    result.outcome = Outcome::FileNotLoaded;
    result.loadError = loaded.error;
    return Recover(result);
  }
  result.refusedValues = RefusedValuesToWrite(file, &store_);
  if (!result.refusedValues.empty()) {
    result.outcome = Outcome::ValuesRefused;
    dialogs_.Tell("Setpoint File Error", RefusedValuesText(result.refusedValues));
    view_.caption = kProgramName;
    currentFile_.clear();
    result.reconnected = online_;  // nothing was sent and nothing changed here
    return result;
  }
  store_ = std::move(file);
  if (!StopPollThreads()) {
    result.outcome = Outcome::PollThreadsBusy;
    result.reconnected = Identify(false);
    dialogs_.Tell("Error", "Error Halting Metering.");
    return result;
  }

  try {
    WriteSetpointGroups(result);

    // The relay does not keep comments: carry the file's over the reload.
    Begin("Retrieving Comments", kSettingCount - 1);
    std::vector<std::string> comments(kSettingCount);
    for (int x = 0; x < kSettingCount; ++x) {
      comments[static_cast<std::size_t>(x)] = store_.settings[x].comment;
      Step(x);
    }
    End();

    const bool refused = IsExceptionReply(result.failedError);
    if (result.stopped) {
      dialogs_.Tell("Write to Unit Stopped",
                    "Write to Unit stopped: " +
                        Plural(result.settingsWritten, "setting was", "settings were") +
                        " written; the relay keeps its own values for the rest.\n"
                        "Please write the file again to ensure a complete write.");
    } else if (result.failedRegister >= 0) {
      const std::string written =
          Plural(result.settingsWritten, "setting was", "settings were") + " written before it";
      if (refused) {
        dialogs_.Tell("Write Refused", "Register " + std::to_string(result.failedRegister) + " (" +
                                           store_.settings[result.failedRegister].setting +
                                           "): the relay refused " + result.failedValue + ".\n" +
                                           written + ", none after it.");
      } else {
        dialogs_.Tell("Communications Error",
                      "Communications was lost while writing to unit.\n" + written + " (register " +
                          std::to_string(result.failedRegister) +
                          ").\nPlease try again to ensure a complete write.");
      }
    }
    result.reconnected = Identify(false);

    Begin("Applying Comments", kSettingCount - 1);
    for (int x = 0; x < kSettingCount; ++x) {
      store_.settings[x].comment = comments[static_cast<std::size_t>(x)];
      Step(x);
    }
    End();
    view_.caption = kProgramName;
    currentFile_.clear();
    result.outcome = result.stopped              ? Outcome::WriteFailed
                     : result.failedRegister < 0 ? Outcome::Written
                     : refused                   ? Outcome::Refused
                                                 : Outcome::WriteFailed;
    return result;
  } catch (const std::exception&) {
    result.outcome = Outcome::Error;
    result.reconnected = Identify(false);
    dialogs_.Tell("Error", "Error Writing Data.");
    return result;
  }
}

}  // namespace kvx
