#pragma once
// TNetwork_OptionsF: the communications options confirmed before every
// connect: protocol, serial port and baud rate or the relay's IP address,
// unit address, and for DF1 the source address and frame check.

#include <QDialog>
#include <QLabel>

#include "app/frame/user_colors.h"
#include "shell/comm_options.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace kvx {

class PortAccess;
class SpinEdit;

class TNetwork_OptionsF : public QDialog {
  Q_OBJECT

 public:
  // `ports` lists the ports and tests them; it must outlive the dialog.
  TNetwork_OptionsF(QWidget* owner, CommOptions& options, const UserColors& colors,
                    PortAccess& ports);

  // Runs the opening steps: the "Finding Comports..." panel, the record's
  // values, the port list. exec() calls it; tests may call it directly.
  void Prepare();
  void ListPorts();

  QComboBox* comportBox() const { return comport_CB; }
  QComboBox* baudBox() const { return baud_CB; }
  QComboBox* networkBox() const { return network_CB; }
  QComboBox* errorBox() const { return error_CB; }
  SpinEdit* unitSpin() const { return unit_SE; }
  SpinEdit* sourceSpin() const { return source_SE; }
  QLineEdit* ipEdit() const { return ip_E; }
  QPushButton* okButton() const { return OK_B; }
  QPushButton* cancelButton() const { return Cancel_B; }
  QWidget* readingPanel() const { return reading_P; }
  QWidget* optionsPanel() const { return Options_P; }

  int exec() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  void NetworkChange();
  void OKClick();
  void CancelClick();

  CommOptions& options_;
  PortAccess& ports_;
  UserColors colors_;
  QLabel* reading_P;
  QWidget* Options_P;
  QLabel* comport_L;
  QComboBox* comport_CB;
  QLabel* baud_L;
  QComboBox* baud_CB;
  QLabel* Label3;
  QComboBox* network_CB;
  QLabel* Label4;
  SpinEdit* unit_SE;
  QLabel* source_L;
  SpinEdit* source_SE;
  QLabel* error_L;
  QComboBox* error_CB;
  QLabel* ip_L;
  QLineEdit* ip_E;
  QPushButton* OK_B;
  QPushButton* Cancel_B;
};

// Shows the dialog modally and writes the result into `options`; the caller
// looks at options.cancelled first. With `ports` null the system's are used.
void ShowCommOptions(CommOptions& options, QWidget* owner, const UserColors& colors,
                     PortAccess* ports = nullptr);

}  // namespace kvx
