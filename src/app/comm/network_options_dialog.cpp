#include "app/comm/network_options_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <cmath>

#include "app/controls/bw_spin_edit.h"
#include "app/dialogs/message_box.h"
#include "comm/serial_port_list.h"
#include "shell/comm_options_logic.h"
#include "shell/system_ports.h"

namespace kvx {
namespace {
constexpr int kDialogWidth = 484;
constexpr int kDialogHeight = 180;
constexpr int kLabelLeft = 12;
constexpr int kFieldLeft = 100;
constexpr int kFieldWidth = 190;
constexpr int kLabel2Left = 306;
constexpr int kField2Left = 404;
constexpr int kRowTop[3] = {16, 50, 84};
constexpr int kRowHeight = 24;
}  // namespace

TNetwork_OptionsF::TNetwork_OptionsF(QWidget* owner, CommOptions& options, const UserColors& colors,
                                     PortAccess& ports)
    : QDialog(owner, FixedDialogFlags(false)), options_(options), ports_(ports), colors_(colors) {
  setWindowTitle(QStringLiteral("PC Master Comm Settings"));
  setModal(true);  // modal already while it lists the ports
  setFixedSize(kDialogWidth, kDialogHeight);

  reading_P = new QLabel(QStringLiteral("Finding Comports..."), this);
  reading_P->setObjectName(QStringLiteral("reading_P"));
  reading_P->setAlignment(Qt::AlignCenter);
  reading_P->setGeometry(0, 0, kDialogWidth, kDialogHeight);
  QFont big = reading_P->font();
  big.setPointSize(big.pointSize() + 3);
  big.setBold(true);
  reading_P->setFont(big);

  Options_P = new QWidget(this);
  Options_P->setObjectName(QStringLiteral("Options_P"));
  Options_P->setGeometry(0, 0, kDialogWidth, kDialogHeight);

  auto label = [this](const char* text, int left, int row) {
    auto* l = new QLabel(QString::fromLatin1(text), Options_P);
    l->setGeometry(left, kRowTop[row] + 3, 92, 18);
    return l;
  };
  auto list = [this](int left, int row, int width, const QStringList& items) {
    auto* box = new QComboBox(Options_P);
    box->addItems(items);
    box->setGeometry(left, kRowTop[row], width, kRowHeight);
    return box;
  };
  auto spin = [this](int row, double min, double max) {
    auto* s = new SpinEdit(Options_P);
    s->setGeometry(kField2Left, kRowTop[row], 70, kRowHeight);
    s->setMin(min);
    s->setMax(max);
    s->setIncrement(1);
    s->setPrecision(0);
    return s;
  };
  Label3 = label("Network Type", kLabelLeft, 0);
  network_CB =
      list(kFieldLeft, 0, kFieldWidth,
           {QStringLiteral("ModBus RTU"), QStringLiteral("AB-DF1"), QStringLiteral("Modbus TCP")});
  comport_L = label("COM Port", kLabelLeft, 1);
  comport_CB = list(kFieldLeft, 1, kFieldWidth, {});
  // A port the list does not show (a simulator's pseudo-terminal, a
  // /dev/serial/by-id/ name) can be typed; OK tests it as it tests a listed one.
  comport_CB->setEditable(true);
  comport_CB->setInsertPolicy(QComboBox::NoInsert);
  comport_CB->lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyUSB0"));
  ip_L = label("IP Address", kLabelLeft, 1);
  ip_E = new QLineEdit(Options_P);
  ip_E->setGeometry(kFieldLeft, kRowTop[1], 160, kRowHeight);
  ip_E->setMaxLength(21);
  ip_E->setPlaceholderText(QStringLiteral("0.0.0.0[:%1]").arg(kModbusTcpPort));
  ip_E->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.:]{0,21}")), ip_E));
  baud_L = label("Baud Rate", kLabelLeft, 2);
  baud_CB = list(kFieldLeft, 2, 100,
                 {QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400")});
  Label4 = label("Unit ID", kLabel2Left, 0);
  unit_SE = spin(0, 1, 254);
  source_L = label("Source Address", kLabel2Left, 1);
  source_SE = spin(1, 0, 254);
  error_L = label("Error Check", kLabel2Left, 2);
  error_CB = list(kField2Left, 2, 70, {QStringLiteral("CRC"), QStringLiteral("BCC")});

  OK_B = new QPushButton(QStringLiteral("OK"), Options_P);
  Cancel_B = new QPushButton(QStringLiteral("Cancel"), Options_P);
  OK_B->setGeometry(kDialogWidth / 2 - 100, 132, 85, 28);
  Cancel_B->setGeometry(kDialogWidth / 2 + 15, 132, 85, 28);
  OK_B->setDefault(true);
  connect(OK_B, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(Cancel_B, &QPushButton::clicked, this, [this] { CancelClick(); });
  connect(network_CB, &QComboBox::currentIndexChanged, this, [this] { NetworkChange(); });
  connect(comport_CB, &QComboBox::currentIndexChanged, this, [this] { NetworkChange(); });
  connect(comport_CB, &QComboBox::editTextChanged, this, [this] { NetworkChange(); });
}

void TNetwork_OptionsF::Prepare() {
  reading_P->show();
  Options_P->hide();
  PaintFace(this, colors_.background);
  PaintFace(reading_P, colors_.background);
  for (QWidget* w :
       std::initializer_list<QWidget*>{comport_CB, baud_CB, network_CB, error_CB, ip_E}) {
    PaintBase(w, colors_.editbox);
  }
  unit_SE->setColor(colors_.editbox);
  source_SE->setColor(colors_.editbox);
  options_.cancelled = true;
  if (isVisible()) {
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }

  ip_E->setText(QString::fromStdString(HostEntryText(options_.remoteHost, options_.remotePort)));
  unit_SE->setValue(options_.unitAddress);
  baud_CB->setCurrentIndex(BaudIndexOf(options_.baudText));
  source_SE->setValue(options_.sourceAddress);
  error_CB->setCurrentIndex(options_.errorCheck == 1 ? 1 : 0);
  const int protocol = static_cast<int>(options_.protocol);
  network_CB->setCurrentIndex(protocol >= 0 && protocol <= 2 ? protocol : 0);
  NetworkChange();

  ListPorts();
  reading_P->hide();
  Options_P->show();
}

void TNetwork_OptionsF::ListPorts() {
  const QSignalBlocker block(comport_CB);
  comport_CB->clear();
  std::vector<std::string> names = ports_.ListPorts();
  SortPortNames(names);
  const auto entries = PortEntries(names, ports_);
  for (const auto& entry : entries) comport_CB->addItem(QString::fromStdString(entry));
  if (!entries.empty()) comport_CB->setCurrentIndex(0);
  // The port confirmed last is offered again: selected when listed, else
  // as the typed name it was.
  if (!options_.portName.empty()) {
    const QString last = QString::fromStdString(options_.portName);
    int listed = -1;
    for (int i = 0; i < comport_CB->count() && listed < 0; ++i) {
      if (QString::fromStdString(PortNameFromEntry(comport_CB->itemText(i).toStdString())) ==
          last) {
        listed = i;
      }
    }
    if (listed >= 0) {
      comport_CB->setCurrentIndex(listed);
    } else {
      comport_CB->setEditText(last);
    }
  }
  NetworkChange();
}

void TNetwork_OptionsF::NetworkChange() {
  const auto protocol = static_cast<ProtocolKind>(std::max(0, network_CB->currentIndex()));
  const OptionsVisibility v = VisibilityFor(protocol);
  comport_L->setVisible(v.comPort);
  comport_CB->setVisible(v.comPort);
  baud_L->setVisible(v.baudRate);
  baud_CB->setVisible(v.baudRate);
  source_L->setVisible(v.sourceAddress);
  source_SE->setVisible(v.sourceAddress);
  error_L->setVisible(v.errorCheck);
  error_CB->setVisible(v.errorCheck);
  ip_L->setVisible(v.ipAddress);
  ip_E->setVisible(v.ipAddress);
  // Without serial ports only Modbus TCP can be confirmed.
  OK_B->setEnabled(protocol == ProtocolKind::ModbusTcp || comport_CB->count() > 0 ||
                   !comport_CB->currentText().trimmed().isEmpty());
}

void TNetwork_OptionsF::OKClick() {
  const auto protocol = static_cast<ProtocolKind>(std::max(0, network_CB->currentIndex()));
  unit_SE->ReadValue();
  source_SE->ReadValue();
  std::optional<HostAndPort> address = ParseHostAndPort(ip_E->text().toStdString());
  if (protocol == ProtocolKind::ModbusTcp && !address) {
    ShowMessage(this,
                QStringLiteral("The IP address is not valid.\nEnter it as four numbers "
                               "0 to 255 with dots, optionally followed by :PORT."),
                QStringLiteral("IP Address Error"), MessageKind::Ok);
    ip_E->setFocus();
    return;
  }
  options_.portName = PortNameFromEntry(comport_CB->currentText().trimmed().toStdString());
  if (address) {
    options_.remoteHost = address->host;
    options_.remotePort = std::to_string(address->port);
  }
  options_.baudRate = BaudRateAt(baud_CB->currentIndex());
  options_.unitAddress = static_cast<int>(std::trunc(unit_SE->Value()));
  options_.sourceAddress = static_cast<int>(std::trunc(source_SE->Value()));
  options_.baudText = baud_CB->currentText().toStdString();
  options_.cancelled = false;
  options_.errorCheck = error_CB->currentIndex() == 1 ? 1 : 0;
  options_.protocol = protocol;
  if (protocol != ProtocolKind::ModbusTcp && !ports_.CanOpen(options_.portName)) {
    ShowMessage(this, QStringLiteral("The selected comport was not available."),
                QStringLiteral("Comport Error"), MessageKind::Ok);
    ListPorts();
    return;
  }
  accept();
}

void TNetwork_OptionsF::CancelClick() {
  options_.cancelled = true;
  QDialog::reject();
}

void TNetwork_OptionsF::reject() {
  CancelClick();
}

void TNetwork_OptionsF::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOn(this, parentWidget());
}

int TNetwork_OptionsF::exec() {
  show();
  Prepare();
  return QDialog::exec();
}

void ShowCommOptions(CommOptions& options, QWidget* owner, const UserColors& colors,
                     PortAccess* ports) {
  SystemPortAccess system;
  TNetwork_OptionsF dialog(owner, options, colors, ports ? *ports : system);
  dialog.exec();
}

}  // namespace kvx
