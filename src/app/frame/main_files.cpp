// The File menu's setpoint file commands on the working state: save (from
// the unit when online), open, load defaults, write a file to the unit, and
// the file named on the command line.

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "app/dialogs/progress_window.h"
#include "app/dialogs/window_dialogs.h"
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

void TMainF::SaveToFile() {
  setpointPage().Busy([this] { SaveToFileLocked(); });
}

void TMainF::SaveToFileLocked() {
  TSetpointPageView& page = setpointPage();
  // Edits not applied yet go in first, through the page so that its marks
  // follow. The question is asked here, once: changes the apply could not
  // write stay pending, and the save does not ask about them again.
  const bool asked = session_->PendingChanges();
  if (asked) {
    if (dialogs_->Ask("Setpoint Changes",
                      "There are un-applied changes.\nDo you wish to Apply, and Save?",
                      MessageKind::OkCancel) != MessageResult::Ok) {
      return;
    }
    RunOnLink([&] { page.model().Apply(); });
    page.model().SetGridStale();
  }
  FileRequest request;
  request.save = true;
  request.title = QStringLiteral("Save Setpoint File");
  request.folder = lastFolder();
  request.filter = QString::fromLatin1(kSettingsFilter);
  request.proposedName = QString::fromStdString(session_->Store().unitName);
  request.suffix = QStringLiteral("cds");
  const QString path = askFileName ? askFileName(request) : AskWithFileDialog(this, request);
  if (path.isEmpty()) return;
  // The caption names the file while it is saved.
  session_->UseFile(ToPath(path));
  RenderSession();
  RunOnLink([&] { session_->SaveSetpointFile(ToPath(path), asked); });
  RenderSession();
}

void TMainF::LoadUserFile(const QString& given) {
  QString path = given;
  if (path.isEmpty()) {
    if (session_->AskToSaveChanges() == MessageResult::Yes) SaveToFile();
    FileRequest request;
    request.title = QStringLiteral("Open Setpoint File");
    request.folder = lastFolder();
    request.filter = QString::fromLatin1(kSettingsFilter);
    path = askFileName ? askFileName(request) : AskWithFileDialog(this, request);
    if (path.isEmpty()) return;
  }
  setpointPage().Busy([&] { session_->OpenUserFile(ToPath(path)); });
  RenderSession();
  if (setpointPageChanged) setpointPageChanged();
}

void TMainF::LoadDefaults() {
  if (session_->AskToSaveChanges() == MessageResult::Yes) SaveToFile();
  QString path;
  if (askDefaultsFile) {
    path = askDefaultsFile();
  } else {
    TSelectDefaultsF dialog(this, userColors(), ToPath(defaultsFolder_));
    if (dialog.exec() != QDialog::Accepted) return;
    path = dialog.FileName();
    if (path.isNull()) path = QStringLiteral("");
  }
  if (path.isNull()) return;
  setpointPage().Busy([&] { session_->OpenDefaultsFile(ToPath(path)); });
  RenderSession();
  if (setpointPageChanged) setpointPageChanged();
}

void TMainF::WritetoUnit1Click() {
  TSetpointPageView& page = setpointPage();
  FileRequest request;
  request.title = QStringLiteral("Open Saved Settings File");
  request.folder = lastFolder();
  request.filter = QString::fromLatin1(kSettingsOrXmlFilter);
  const QString path = askFileName ? askFileName(request) : AskWithFileDialog(this, request);
  if (path.isEmpty()) return;
  // The caption names the file while it is written.
  session_->UseFile(ToPath(path));
  RenderSession();
  page.Busy([&] { RunOnLink([&] { session_->WriteSetpointFileToUnit(ToPath(path)); }); });
  RenderSession();
  if (setpointPageChanged) setpointPageChanged();
}

}  // namespace kvx
