// The communications options dialog over real pseudo-terminals: listing
// order, a port held by another process marked and refused, Modbus TCP
// without a port test, the values kept between two openings.

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/comm/network_options_dialog.h"
#include "app/controls/bw_spin_edit.h"
#include "gui_helpers.h"
#include "shell/comm_options_logic.h"
#include "shell/system_ports.h"

using namespace kvx;

namespace {

// The system's ports, counting the open tests made after `arm()`.
class CountingPorts : public PortAccess {
 public:
  std::vector<std::string> ListPorts() override {
    ++lists;
    if (onList) onList();
    return system.ListPorts();
  }
  bool CanOpen(const std::string& name) override {
    ++opens;
    return system.CanOpen(name);
  }
  SystemPortAccess system;
  int lists = 0;
  int opens = 0;
  std::function<void()> onList;
};

class NoPorts : public PortAccess {
 public:
  std::vector<std::string> ListPorts() override { return {}; }
  bool CanOpen(const std::string&) override { return false; }
};

}  // namespace

class OptionsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void portsSortedAndPortInUseRefused();
  void modbusTcpClosesWithoutPortTest();
  void secondOpeningShowsFirstValues();
  void noPortsOnlyTcpCanBeConfirmed();
  void typedPortIsTestedAtOk();

 private:
  int Index(QComboBox* box, const QString& text) { return box->findText(text); }
  QString Port(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

  QTemporaryDir dir_;
  int masters_[3] = {-1, -1, -1};
  int slaves_[3] = {-1, -1, -1};
  QProcess holder_;
  UserColors colors_{Qt::lightGray, Qt::gray, Qt::white, Qt::green};
};

void OptionsDialogTest::initTestCase() {
  // Three pseudo-terminals named like the ports of another system, so that
  // the list order is the one users see there.
  const char* names[3] = {"COM1", "COM2", "COM10"};
  QStringList extra;
  for (int i = 0; i < 3; ++i) {
    char slaveName[256] = {};
    QVERIFY(openpty(&masters_[i], &slaves_[i], slaveName, nullptr, nullptr) == 0);
    QVERIFY(QFile::link(QString::fromLatin1(slaveName), Port(names[i])));
    extra << Port(names[i]);
  }
  std::reverse(extra.begin(), extra.end());
  qputenv("KVX_EXTRA_PORTS", extra.join(QLatin1Char(':')).toUtf8());

  // Another program holds COM2 the way this program holds its port.
  holder_.start(QStringLiteral("flock"), {QStringLiteral("-x"), Port("COM2"),
                                          QStringLiteral("sleep"), QStringLiteral("120")});
  QVERIFY(holder_.waitForStarted(10000));
  SystemPortAccess ports;
  QTRY_VERIFY_WITH_TIMEOUT(!ports.CanOpen(Port("COM2").toStdString()), 20000);
  QVERIFY(ports.CanOpen(Port("COM1").toStdString()));
}

void OptionsDialogTest::cleanupTestCase() {
  holder_.kill();
  holder_.waitForFinished(10000);
  for (int i = 0; i < 3; ++i) {
    if (masters_[i] >= 0) ::close(masters_[i]);
    if (slaves_[i] >= 0) ::close(slaves_[i]);
  }
}

void OptionsDialogTest::portsSortedAndPortInUseRefused() {
  CommOptions options;
  CountingPorts ports;
  TNetwork_OptionsF dialog(nullptr, options, colors_, ports);
  bool readingShownWhileListing = false;
  ports.onList = [&] {
    readingShownWhileListing =
        !dialog.readingPanel()->isHidden() && dialog.optionsPanel()->isHidden();
  };
  dialog.show();
  dialog.Prepare();
  QVERIFY(readingShownWhileListing);
  QCOMPARE(qobject_cast<QLabel*>(dialog.readingPanel())->text(),
           QStringLiteral("Finding Comports..."));
  QVERIFY(dialog.readingPanel()->isHidden());
  QVERIFY(!dialog.optionsPanel()->isHidden());
  QVERIFY(options.cancelled);

  QComboBox* box = dialog.comportBox();
  const int com1 = Index(box, Port("COM1"));
  const int com10 = Index(box, Port("COM10"));
  const int com2 = Index(box, Port("COM2") + QStringLiteral(" (in use)"));
  QVERIFY(com1 >= 0 && com10 >= 0 && com2 >= 0);
  QVERIFY(com1 < com10 && com10 < com2);
  QCOMPARE(Index(box, Port("COM2")), -1);
  QCOMPARE(box->currentIndex(), 0);
  QVERIFY(dialog.okButton()->isEnabled());

  // OK on the port in use: the message, a fresh list, the dialog stays.
  box->setCurrentIndex(com2);
  const int listsBefore = ports.lists;
  QString caption, text;
  auto answered = test::WhenModal(
      [&](QWidget* modal) {
        caption = modal->windowTitle();
        text = modal->findChild<QLabel*>()->text();
        test::Press(modal, QStringLiteral("OK"));
      },
      &dialog);
  dialog.okButton()->click();
  QVERIFY(*answered);
  QCOMPARE(caption, QStringLiteral("Comport Error"));
  QCOMPARE(text, QStringLiteral("The selected comport was not available."));
  QVERIFY(dialog.isVisible());
  QCOMPARE(ports.lists, listsBefore + 1);
  QCOMPARE(options.portName, Port("COM2").toStdString());  // the full name, never cut

  // Cancel after the failed OK still reports a cancelled dialog.
  dialog.cancelButton()->click();
  QVERIFY(!dialog.isVisible());
  QVERIFY(options.cancelled);
}

void OptionsDialogTest::modbusTcpClosesWithoutPortTest() {
  CommOptions options;
  CountingPorts ports;
  TNetwork_OptionsF dialog(nullptr, options, colors_, ports);
  dialog.show();
  dialog.Prepare();
  dialog.comportBox()->setCurrentIndex(Index(dialog.comportBox(), Port("COM2") + " (in use)"));
  dialog.networkBox()->setCurrentIndex(2);
  QVERIFY(dialog.ipEdit()->isVisibleTo(&dialog));
  QVERIFY(!dialog.comportBox()->isVisibleTo(&dialog));
  QVERIFY(!dialog.baudBox()->isVisibleTo(&dialog));
  QVERIFY(!dialog.sourceSpin()->isVisibleTo(&dialog));
  const int opensBefore = ports.opens;
  dialog.ipEdit()->setText(QStringLiteral("300.1.1.1"));
  QString caption;
  auto refused = test::WhenModal(
      [&](QWidget* modal) {
        caption = modal->windowTitle();
        test::Press(modal, QStringLiteral("OK"));
      },
      &dialog);
  dialog.okButton()->click();
  QVERIFY(*refused);
  QCOMPARE(caption, QStringLiteral("IP Address Error"));
  QVERIFY(dialog.isVisible());
  QVERIFY(options.cancelled);
  dialog.ipEdit()->setText(QStringLiteral("127.0.0.1:1502"));
  dialog.okButton()->click();
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(ports.opens, opensBefore);  // no port was tried
  QVERIFY(!options.cancelled);
  QCOMPARE(options.protocol, ProtocolKind::ModbusTcp);
  QCOMPARE(options.remoteHost, std::string("127.0.0.1"));
  QCOMPARE(options.remotePort, std::string("1502"));

  // Without ":PORT" the Modbus port.
  TNetwork_OptionsF again(nullptr, options, colors_, ports);
  again.show();
  again.Prepare();
  QCOMPARE(again.ipEdit()->text(), QStringLiteral("127.0.0.1:1502"));
  again.ipEdit()->setText(QStringLiteral("10.1.2.3"));
  again.okButton()->click();
  QCOMPARE(options.remoteHost, std::string("10.1.2.3"));
  QCOMPARE(options.remotePort, std::string("502"));
}

void OptionsDialogTest::secondOpeningShowsFirstValues() {
  CommOptions options;  // the defaults of a fresh run
  CountingPorts ports;
  auto first = test::WhenModal([&](QWidget* modal) {
    auto* d = qobject_cast<TNetwork_OptionsF*>(modal);
    QVERIFY(d);
    QCOMPARE(d->unitSpin()->edit()->text(), QStringLiteral("254"));
    QCOMPARE(d->baudBox()->currentText(), QStringLiteral("9600"));
    QCOMPARE(d->networkBox()->currentText(), QStringLiteral("ModBus RTU"));
    QCOMPARE(d->errorBox()->currentText(), QStringLiteral("CRC"));
    QCOMPARE(d->ipEdit()->text(), QStringLiteral("0.0.0.0"));
    d->networkBox()->setCurrentIndex(1);  // AB-DF1
    QVERIFY(d->sourceSpin()->isVisibleTo(d) && d->errorBox()->isVisibleTo(d));
    d->comportBox()->setCurrentIndex(d->comportBox()->findText(Port("COM10")));
    d->baudBox()->setCurrentIndex(1);
    d->errorBox()->setCurrentIndex(1);
    d->unitSpin()->edit()->setText(QStringLiteral("17.9"));
    d->sourceSpin()->edit()->setText(QStringLiteral("5"));
    d->okButton()->click();
  });
  ShowCommOptions(options, nullptr, colors_, &ports);
  QVERIFY(*first);
  QVERIFY(!options.cancelled);
  QCOMPARE(options.protocol, ProtocolKind::Df1);
  QCOMPARE(options.portName, Port("COM10").toStdString());
  QCOMPARE(options.baudRate, 19200);
  QCOMPARE(options.baudText, std::string("19200"));
  QCOMPARE(options.unitAddress, 17);  // the fraction is cut off
  QCOMPARE(options.sourceAddress, 5);
  QCOMPARE(options.errorCheck, 1);

  auto second = test::WhenModal([&](QWidget* modal) {
    auto* d = qobject_cast<TNetwork_OptionsF*>(modal);
    QVERIFY(d);
    QCOMPARE(d->networkBox()->currentText(), QStringLiteral("AB-DF1"));
    QCOMPARE(d->baudBox()->currentText(), QStringLiteral("19200"));
    QCOMPARE(d->errorBox()->currentText(), QStringLiteral("BCC"));
    QCOMPARE(d->unitSpin()->Value(), 17.0);
    QCOMPARE(d->sourceSpin()->Value(), 5.0);
    d->cancelButton()->click();
  });
  ShowCommOptions(options, nullptr, colors_, &ports);
  QVERIFY(*second);
  QVERIFY(options.cancelled);
  QCOMPARE(options.unitAddress, 17);  // a cancelled dialog changes nothing else
}

void OptionsDialogTest::noPortsOnlyTcpCanBeConfirmed() {
  CommOptions options;
  NoPorts ports;
  TNetwork_OptionsF dialog(nullptr, options, colors_, ports);
  dialog.show();
  dialog.Prepare();
  QCOMPARE(dialog.comportBox()->count(), 0);
  QVERIFY(!dialog.okButton()->isEnabled());
  dialog.networkBox()->setCurrentIndex(1);
  QVERIFY(!dialog.okButton()->isEnabled());
  dialog.networkBox()->setCurrentIndex(2);
  QVERIFY(dialog.okButton()->isEnabled());
}

void OptionsDialogTest::typedPortIsTestedAtOk() {
  // A pseudo-terminal the list does not know, as a simulator makes one.
  int master = -1;
  int slave = -1;
  char slaveName[256] = {};
  QVERIFY(openpty(&master, &slave, slaveName, nullptr, nullptr) == 0);
  const QString pty = QString::fromLatin1(slaveName);
  CommOptions options;
  CountingPorts ports;
  {
    TNetwork_OptionsF dialog(nullptr, options, colors_, ports);
    dialog.show();
    dialog.Prepare();
    QComboBox* box = dialog.comportBox();
    QVERIFY(box->isEditable());
    QCOMPARE(box->findText(pty), -1);
    // A name that opens nothing is refused as a listed port in use is.
    box->setEditText(QStringLiteral("/dev/kvx-no-such-port"));
    QString caption;
    auto refused = test::WhenModal(
        [&](QWidget* modal) {
          caption = modal->windowTitle();
          test::Press(modal, QStringLiteral("OK"));
        },
        &dialog);
    dialog.okButton()->click();
    QVERIFY(*refused);
    QCOMPARE(caption, QStringLiteral("Comport Error"));
    QVERIFY(dialog.isVisible());
    // The pseudo-terminal's path is tested and taken.
    const int opensBefore = ports.opens;
    box->setEditText(QStringLiteral(" ") + pty);
    dialog.okButton()->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(ports.opens, opensBefore + 1);
    QVERIFY(!options.cancelled);
    QCOMPARE(options.portName, pty.toStdString());
  }
  // The next opening offers the typed port again.
  TNetwork_OptionsF again(nullptr, options, colors_, ports);
  again.show();
  again.Prepare();
  QCOMPARE(again.comportBox()->currentText(), pty);
  // Without any listed port, a typed one can be confirmed.
  NoPorts none;
  TNetwork_OptionsF empty(nullptr, options, colors_, none);
  empty.show();
  empty.Prepare();
  empty.networkBox()->setCurrentIndex(0);
  empty.comportBox()->setEditText(QString());
  QVERIFY(!empty.okButton()->isEnabled());
  empty.comportBox()->setEditText(pty);
  QVERIFY(empty.okButton()->isEnabled());
  ::close(master);
  ::close(slave);
}

QTEST_MAIN(OptionsDialogTest)
#include "test_options_dialog.moc"
