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

class TSelectDefaultsF : public QDialog {
  Q_OBJECT
 public:
  TSelectDefaultsF(QWidget* owner, const UserColors& colors, std::filesystem::path folder);
  QListWidget* modelList() const { return model_LB; }
  QListWidget* versionList() const { return version_LB; }
  // The chosen file after OK; empty otherwise.
  QString FileName() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FillVersions();
  void Choose();

  std::filesystem::path folder_;
  std::vector<DefinitionVersion> versions_;
  QListWidget* model_LB;
  QListWidget* version_LB;
  QLabel* filename_L;
};

}  // namespace kvx
