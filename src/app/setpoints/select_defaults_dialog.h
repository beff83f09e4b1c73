#pragma once
// "Select Defaults File": a relay model and one of its definition files in
// the Defaults folder; OK hands back the file's full path.

#include <QDialog>
#include <QString>
#include <filesystem>
#include <vector>

#include "app/frame/user_colors.h"
#include "setpoints/defaults_listing.h"

class QLabel;
class QListWidget;

namespace kvx {

class SelectDefaultsDialog : public QDialog {
  Q_OBJECT
 public:
  SelectDefaultsDialog(QWidget* owner, const UserColors& colors, std::filesystem::path folder);
  QListWidget* modelList() const { return modelList_; }
  QListWidget* versionList() const { return versionList_; }
  // The chosen file after OK; empty otherwise.
  QString FileName() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FillVersions();
  void Choose();

  std::filesystem::path folder_;
  std::vector<DefinitionVersion> versions_;
  QListWidget* modelList_;
  QListWidget* versionList_;
  QLabel* fileNameLabel_;
};

}  // namespace kvx
