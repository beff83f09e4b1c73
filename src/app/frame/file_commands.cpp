#include "app/frame/file_commands.h"

#include <QDir>
#include <QFileDialog>
#include <vector>

#include "app/frame/main_window.h"
#include "app/setpoints/select_defaults_dialog.h"
#include "app/setpoints/setpoint_page_view.h"

namespace kvx {
namespace {

constexpr const char* kSettingsFilter = "Settings File (*.cds *.CDS)";
constexpr const char* kSettingsOrXmlFilter = "Settings File (*.cds *.xml *.CDS *.XML)";

QString AskWithFileDialog(QWidget* owner, const FileRequest& r) {
  QFileDialog dialog(owner, r.title, r.folder, r.filter);
  dialog.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!r.suffix.isEmpty()) dialog.setDefaultSuffix(r.suffix);
  if (!r.proposedName.isEmpty()) dialog.selectFile(r.proposedName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

std::filesystem::path ToPath(const QString& path) {
  return std::filesystem::path(path.toStdString());
}

}  // namespace

QString FileCommands::AskFileName(const FileRequest& request) {
  return window_.askFileName ? window_.askFileName(request) : AskWithFileDialog(&window_, request);
}

void FileCommands::Save() {
  window_.Busy([this] { SaveLocked(); });
}

void FileCommands::SaveLocked() {
  WorkingState& session = window_.session();
  SetpointPage& page = window_.setpointsView().model();
  // Edits not applied yet go in first, through the page so that its marks
  // follow. The question is asked here, once: changes the apply could not
  // write stay pending, and the save does not ask about them again.
  const bool asked = session.PendingChanges();
  if (asked) {
    if (window_.dialogs().Ask("Setpoint Changes",
                              "There are un-applied changes.\nDo you wish to Apply, and Save?",
                              MessageKind::OkCancel) != MessageResult::Ok) {
      return;
    }
    window_.RunOnLink([&] { page.Apply(); });
    page.SetGridStale();
  }
  FileRequest request;
  request.save = true;
  request.title = QStringLiteral("Save Setpoint File");
  // The file open now is proposed as it is, in its own folder; else the
  // unit's name in the folder used last (the home folder before any: the
  // program's folder is seldom the user's to write).
  const std::filesystem::path previous = session.CurrentFile();
  if (!previous.empty()) {
    request.folder = QString::fromStdString(previous.parent_path().string());
    request.proposedName = QString::fromStdString(previous.filename().string());
  } else {
    request.folder = session.LastFolder().empty() ? QDir::homePath() : window_.lastFolder();
    request.proposedName = QString::fromStdString(session.Store().unitName);
  }
  request.filter = QString::fromLatin1(kSettingsFilter);
  request.suffix = QStringLiteral("cds");
  const QString path = AskFileName(request);
  if (path.isEmpty()) return;
  // The caption names the file while it is saved.
  session.UseFile(ToPath(path));
  window_.RenderSession();
  SaveOutcome outcome = SaveOutcome::Cancelled;
  window_.RunOnLink([&] { outcome = session.SaveSetpointFile(ToPath(path), asked); });
  // A file that was not written is named nowhere: the caption goes back to
  // what it named before.
  if (outcome != SaveOutcome::Saved) {
    if (previous.empty()) {
      session.ForgetFile();
    } else {
      session.UseFile(previous);
    }
  }
  window_.RenderSession();
  if (outcome == SaveOutcome::Saved) {
    NoteRecentFile(window_.preferences(), path.toStdString());
    window_.ShowConfirmation(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(path)));
  }
}

void FileCommands::Open(const QString& given) {
  WorkingState& session = window_.session();
  QString path = given;
  if (path.isEmpty()) {
    if (session.AskToSaveChanges() == MessageResult::Yes) window_.SaveToFile();
    FileRequest request;
    request.title = QStringLiteral("Open Setpoint File");
    request.folder = window_.lastFolder();
    request.filter = QString::fromLatin1(kSettingsFilter);
    path = AskFileName(request);
    if (path.isEmpty()) return;
  }
  bool opened = false;
  window_.Busy([&] { opened = session.OpenUserFile(ToPath(path)); });
  if (opened) NoteRecentFile(window_.preferences(), path.toStdString());
  window_.RenderSession();
  if (window_.setpointPageChanged) window_.setpointPageChanged();
}

void FileCommands::OpenRecent(const QString& path) {
  if (window_.session().AskToSaveChanges() == MessageResult::Yes) window_.SaveToFile();
  Open(path);
}

void FileCommands::LoadDefaults() {
  WorkingState& session = window_.session();
  if (session.AskToSaveChanges() == MessageResult::Yes) window_.SaveToFile();
  QString path;
  if (window_.askDefaultsFile) {
    path = window_.askDefaultsFile();
  } else {
    SelectDefaultsDialog dialog(&window_, window_.userColors(), ToPath(window_.defaultsFolder()));
    if (dialog.exec() != QDialog::Accepted) return;
    path = dialog.FileName();
    if (path.isNull()) path = QStringLiteral("");
  }
  if (path.isNull()) return;
  window_.Busy([&] { session.OpenDefaultsFile(ToPath(path)); });
  window_.RenderSession();
  if (window_.setpointPageChanged) window_.setpointPageChanged();
}

void FileCommands::WriteToUnit() {
  WorkingState& session = window_.session();
  FileRequest request;
  request.title = QStringLiteral("Open Saved Settings File");
  request.folder = window_.lastFolder();
  request.filter = QString::fromLatin1(kSettingsOrXmlFilter);
  const QString path = AskFileName(request);
  if (path.isEmpty()) return;
  // The caption names the file while it is written.
  session.UseFile(ToPath(path));
  window_.RenderSession();
  // The groups ticked before are ticked again afterwards, read afresh from
  // the relay, so that what was written is there to see.
  const std::vector<int> ticked = window_.setpointsView().TickedGroups();
  WriteToUnitResult result;
  window_.Busy(
      [&] { window_.RunOnLink([&] { result = session.WriteSetpointFileToUnit(ToPath(path)); }); });
  window_.RenderSession();
  if (window_.setpointPageChanged) window_.setpointPageChanged();
  if (window_.online()) window_.setpointsView().TickGroups(ticked);
  if (result.outcome == WriteToUnitResult::Outcome::Written) {
    window_.ShowConfirmation(
        QStringLiteral("Setpoints written to unit: %1 settings").arg(result.settingsWritten));
  }
}

}  // namespace kvx
