#include "app/reports/report_commands.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>

#include "app/compare/compare_files_window.h"
#include "app/dialogs/window_dialogs.h"
#include "app/frame/main_window.h"
#include "app/reports/plan_printer.h"
#include "app/reports/saving_options_dialog.h"
#include "app/setpoints/select_defaults_dialog.h"
#include "app/setpoints/setpoint_page_view.h"
#include "session/group_reads.h"
#include "session/revision_sequence.h"
#include "setpoints/file_save.h"

namespace kvx {
namespace {

std::filesystem::path ToPath(const QString& path) {
  return std::filesystem::path(path.toStdString());
}

QString AskWithFileDialog(QWidget* owner, const FileRequest& r) {
  QFileDialog dialog(owner, r.title, r.folder, r.filter);
  dialog.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!r.suffix.isEmpty()) dialog.setDefaultSuffix(r.suffix);
  if (!r.proposedName.isEmpty()) dialog.selectFile(r.proposedName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

// The grid's header row as the setpoint page shows it.
const ReportGridRow kGridHeader{"Parameters", "Value", "Units", "Comments (Not stored on Unit)"};

}  // namespace

ReportCommands::ReportCommands(MainWindow& window) : QObject(&window), window_(window) {
  setObjectName(QStringLiteral("reportCommands"));
}

ReportCommands* ReportCommands::Of(MainWindow& window) {
  return window.findChild<ReportCommands*>(QStringLiteral("reportCommands"),
                                           Qt::FindDirectChildrenOnly);
}

QString ReportCommands::Today() const {
  return today ? today() : QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

// The items stand only under loaded definitions; a call without them (a
// script, a shortcut) gets the reason rather than an empty report.
bool ReportCommands::DefinitionsLoaded() {
  if (!window_.session().Store().unitName.empty()) return true;
  window_.dialogs().Tell("No File Loaded",
                         "A setpoint file must first be loaded\nbefore a report can be made.");
  return false;
}

void ReportCommands::SaveAsText() {
  WorkingState& session = window_.session();
  if (!DefinitionsLoaded()) return;
  ReportChoice choice = ReportChoice::AllSettings;
  if (askSavingOption) {
    choice = askSavingOption();
  } else {
    SavingOptionsDialog dialog(&window_);
    dialog.exec();
    choice = dialog.Choice();
  }
  FileRequest request;
  request.save = true;
  request.title = QStringLiteral("Save in Readable Format");
  request.folder = window_.lastFolder();
  request.filter = QStringLiteral("Excel File (*.xls *.XLS);;Text File (*.txt *.TXT)");
  request.proposedName = QStringLiteral("Setpoints");
  request.suffix = QStringLiteral("xls");
  const QString path =
      window_.askFileName ? window_.askFileName(request) : AskWithFileDialog(&window_, request);
  if (path.isEmpty()) return;
  session.SetLastFolder(ToPath(path).parent_path());
  window_.Busy([&] { SaveAsTextLocked(choice, path); });
}

void ReportCommands::SaveAsTextLocked(ReportChoice choice, const QString& path) {
  WorkingState& session = window_.session();
  SetpointPage& page = window_.setpointsView().model();
  const std::vector<ReportNode> nodes = ReportNodes(page.Tree());
  GroupReadResult read;
  int toRead = 0;
  if (choice == ReportChoice::AllSettings && session.Online()) {
    // The groups not listed in the grid are read afresh; the listed ones
    // show what the relay holds already (or the user's pending edits).
    std::vector<int> groups;
    for (const ReportNode& n : nodes) {
      if (n.ticked) continue;
      groups.push_back(n.groupNumber);
      toRead += static_cast<int>(ReportRegisters(session.Store(), n.groupNumber).size());
    }
    window_.RunOnLink([&] {
      read = ReadGroupsFromRelay(session, groups, "Reading Settings", session.Progress());
    });
    window_.RenderLinkState();
  }
  if (read.stopped) {
    window_.dialogs().Tell("Setpoint Report",
                           DescribeGroupRead(read, toRead) + "; no report was written.");
    return;
  }
  ReportHeader header;
  header.date = Today().toStdString();
  header.unitName = session.Store().unitName;
  header.definitionFirmware = session.Store().definitionFirmware;
  if (session.Online()) header.link = ReportLinkOf(session.Comm(), session.Tcp().RemoteHost());
  const WriteResult written =
      WriteFileAtomically(ToPath(path), BuildReportText(session.Store(), nodes, header, choice));
  if (!written.ok) {
    window_.dialogs().Tell("File Error", "The report could not be written.\n" + written.error);
    return;
  }
  if (!read.failed.empty()) {
    window_.dialogs().Tell("Setpoint Report", "Error Reading from Unit\n" +
                                                  DescribeGroupRead(read, toRead) +
                                                  "; the report shows their loaded values.");
    return;
  }
  window_.ShowConfirmation(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(path)));
}

void ReportCommands::Print() {
  WorkingState& session = window_.session();
  if (!DefinitionsLoaded()) return;
  QPrinter printer(QPrinter::HighResolution);
  PreparePrinter(printer);
  const bool chosen = askPrinter ? askPrinter(printer)
                                 : QPrintDialog(&printer, &window_).exec() == QDialog::Accepted;
  if (!chosen) return;
  const SessionView& view = session.View();
  PrintHeader header;
  header.date = Today().toStdString();
  header.filePath = CaptionFilePath(view.caption);
  header.unitText = view.unitText;
  header.versionText = view.versionText;
  if (session.Online()) {
    header.serialText = view.serialText;
    header.link = ReportLinkOf(session.Comm(), session.Tcp().RemoteHost());
  }
  std::vector<ReportGridRow> rows;
  for (const SetpointRow& r : window_.setpointsView().model().Rows())
    rows.push_back({r.name, r.value, r.units, r.comment});
  QString error;
  if (!PrintPlanOn(
          printer,
          [&](int lines) { return BuildReportPrintPlan(header, kGridHeader, rows, lines); },
          error)) {
    window_.dialogs().Tell("Printer Error", "There was an error printing.\n" + error.toStdString());
  }
}

CompareFilesWindow& ReportCommands::compareWindow() {
  if (!compare_) compare_ = new CompareFilesWindow(window_);
  return *compare_;
}

void ReportCommands::CompareFiles() {
  compareWindow();
  compare_->ApplyColors(window_.userColors());
  compare_->RenderOnline();
  if (compare_->showModal) {
    compare_->showModal();
  } else {
    compare_->exec();
  }
}

void ReportCommands::ChangeRevision() {
  WorkingState& session = window_.session();
  UserDialogs& dialogs = window_.dialogs();
  if (!RevisionPossible(session, dialogs)) return;
  SetpointPageView& view = window_.setpointsView();
  SetpointPage& page = view.model();
  window_.Busy([&] {
    if (session.PendingChanges() &&
        dialogs.Ask("Setpoint Changes",
                    "There are un-applied changes.\nDo you wish to Apply first?",
                    MessageKind::YesNo) == MessageResult::Yes) {
      window_.RunOnLink([&] { page.Apply(); });
    }
    QString path;
    if (window_.askDefaultsFile) {
      path = window_.askDefaultsFile();
    } else {
      SelectDefaultsDialog dialog(&window_, window_.userColors(), ToPath(window_.defaultsFolder()));
      if (dialog.exec() != QDialog::Accepted) return;
      path = dialog.FileName();
    }
    if (path.isEmpty()) return;
    const RevisionResult result =
        ChangeFileRevision(session, dialogs, ToPath(path), &window_.progressWindows());
    if (result.outcome == RevisionResult::Outcome::LoadFailed) {
      window_.RenderSession();
      if (window_.setpointPageChanged) window_.setpointPageChanged();
      return;
    }
    if (result.outcome != RevisionResult::Outcome::Changed) return;
    window_.RenderSession();
    // A fresh tree: the marked settings tick their groups, listed in blue.
    if (window_.setpointPageChanged) window_.setpointPageChanged();
    page.SetGridStale();
    view.RebuildGrid();
    dialogs.Tell("Setpoint Review", kRevisionReviewText);
  });
}

}  // namespace kvx
