#pragma once
// The File menu's setpoint file commands on the working state: save (from
// the relay when online), open, load defaults and write a file to the relay.

#include <QString>

namespace kvx {

class MainWindow;
struct FileRequest;

class FileCommands {
 public:
  explicit FileCommands(MainWindow& window) : window_(window) {}

  void Save();
  void Open(const QString& path);  // empty: asks for the file
  // An entry of the Recent Files menu: asks about unsaved changes first, as
  // Open does, then opens `path`.
  void OpenRecent(const QString& path);
  void LoadDefaults();
  void WriteToUnit();

 private:
  void SaveLocked();
  QString AskFileName(const FileRequest& request);

  MainWindow& window_;
};

}  // namespace kvx
