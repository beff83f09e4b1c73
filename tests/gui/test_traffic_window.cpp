// The traffic window of the main window, offscreen: "Communications" ->
// "Show Traffic" shows every frame of a DF1 read and of a Modbus TCP read
// with its decoding, the password written over DF1 shows as "** **", pause
// and clear act, the saved text is the lines, and 10,000 lines is the bound
// while a refresh with the window full stays cheap.

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/comm/traffic_window.h"
#include "app/frame/main_window.h"
#include "comm/register_access.h"
#include "comm/relay_registers.h"
#include "shell/scripted_dialogs.h"
#include "sim/relay_simulation.h"

using namespace kvx;

namespace {

const QString kProgramFolder = QStringLiteral(KVX_BINARY_DIR "/bin");

// A relay in this process on a DF1 pty and loopback TCP, and a window
// connected to it over DF1.
struct Bench {
  std::unique_ptr<sim::RelaySimulation> relay;
  std::unique_ptr<MainWindow> window;
  ScriptedDialogs dialogs;
  ScriptedPasswordPrompt passwords;

  Bench() {
    std::string error;
    auto config = sim::MakeRelayConfig(
        "DRA", 197, (kProgramFolder + QStringLiteral("/Defaults")).toStdString(), error);
    if (config) {
      relay = std::make_unique<sim::RelaySimulation>(std::move(*config));
      relay->StartDf1Pty();
      relay->StartTcp("127.0.0.1", 0);
    }
    MainWindowOptions options;
    options.programFolder = kProgramFolder;
    window = std::make_unique<MainWindow>(options);
    window->useDialogs(&dialogs);
    window->usePasswords(&passwords);
  }
  bool Connect(int errorCheck = 0, int source = 0) {
    if (!relay) return false;
    CommOptions o;
    o.cancelled = false;
    o.protocol = ProtocolKind::Df1;
    o.portName = relay->Df1Path();
    o.errorCheck = errorCheck;
    o.sourceAddress = source;
    return window->ConnectWith(o);
  }
  TrafficWindow* traffic() { return window->findChild<TrafficWindow*>(QStringLiteral("TrafficF")); }
  QString text() {
    return traffic()->findChild<QPlainTextEdit*>(QStringLiteral("traffic_Text"))->toPlainText();
  }
  // The line whose decoding is `decoding` (the last such), or an empty one.
  QString lineOf(const QString& decoding) {
    const QStringList lines = text().split(QLatin1Char('\n'));
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
      if (it->endsWith(QStringLiteral("  ") + decoding)) return *it;
    }
    return {};
  }
};

}  // namespace

class TrafficWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void showTrafficDecodesEveryFrameAndMasksThePassword();
  void pauseClearAndSave();
  void theBoundHoldsAndARefreshStaysCheap();
};

void TrafficWindowTest::showTrafficDecodesEveryFrameAndMasksThePassword() {
  Bench b;
  // The options dialog's DF1 settings: BCC, this station node 5.
  QVERIFY(b.Connect(1, 5));
  QCOMPARE(b.window->session().Comm().errorCheck, 1);
  QCOMPARE(b.window->session().Comm().sourceAddress, 5);
  auto* network = b.window->findChild<QMenu*>(QStringLiteral("Network1"));
  QVERIFY(network);
  QAction* show = network->findChild<QAction*>(QStringLiteral("ShowTraffic1"));
  QVERIFY(show);
  QCOMPARE(show->text(), QStringLiteral("Show Traffic"));
  show->trigger();
  QVERIFY(b.traffic()->isVisible());
  // The connect itself went over DF1 and is already there.
  b.traffic()->Refresh();
  QVERIFY2(b.text().contains(QStringLiteral("  DLE ENQ station 254")), qPrintable(b.text()));

  // A read and a write of the password from this thread, on a copy of the
  // link settings (the poll threads run on theirs).
  CommSettings df1 = b.window->session().Comm();
  std::vector<std::uint16_t> words(3);
  QVERIFY(ReadRegisters(df1, relay_reg::kRtdModules, 3, words));
  const std::vector<std::uint16_t> password = sim::EncodeValue(22, "4321");
  QVERIFY(WriteRegisters(df1, relay_reg::kPassword, static_cast<int>(password.size()), password));
  QCOMPARE(QString::fromStdString(b.relay->Relay().Password()), QStringLiteral("4321"));

  CommSettings tcp = df1;
  tcp.protocol = ProtocolKind::ModbusTcp;
  b.window->session().Tcp().SetRemoteHost("127.0.0.1");
  b.window->session().Tcp().SetRemotePort(static_cast<std::uint16_t>(b.relay->TcpPort()));
  tcp.tcpClient = &b.window->session().Tcp();
  QVERIFY(ReadRegisters(tcp, relay_reg::kModelCode, 1, words));

  QTest::qWait(250);  // the window's own refresh
  const QString read = b.lineOf(
      QStringLiteral("read 3 words from 390, unit 254, TNS %1").arg(df1.transactionCounter - 2));
  QVERIFY2(!read.isEmpty(), qPrintable(b.text().right(2000)));
  // "hh:mm:ss.mmm  TX  10 01 FE 10 02 ..."
  QVERIFY(
      QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d  TX  10 01 FE 10 02 "))
          .match(read)
          .hasMatch());
  // DST 254, SRC 5, CMD 1, STS 0; one BCC byte and the pad after DLE ETX.
  QVERIFY2(read.contains(QStringLiteral(" 10 02 FE 05 01 00 ")), qPrintable(read));
  QVERIFY2(
      QRegularExpression(QStringLiteral(" 10 03 [0-9A-F]{2} FF  read ")).match(read).hasMatch(),
      qPrintable(read));
  QVERIFY(!b.lineOf(QStringLiteral("DLE ENQ station 254")).isEmpty());
  QVERIFY(!b.lineOf(QStringLiteral("ACK")).isEmpty());
  QVERIFY(!b.lineOf(QStringLiteral("3 words, TNS %1").arg(df1.transactionCounter - 2)).isEmpty());

  const QString write = b.lineOf(
      QStringLiteral("write 10 words to 590, unit 254, TNS %1").arg(df1.transactionCounter - 1));
  QVERIFY2(!write.isEmpty(), qPrintable(b.text().right(2000)));
  QVERIFY2(write.contains(QStringLiteral(" ** ** ** ** ")), qPrintable(write));
  // "4321" goes out as 34 33 32 31, low byte first: 33 34 31 32.
  QVERIFY2(!b.text().contains(QStringLiteral("33 34 31 32")), qPrintable(write));

  QVERIFY(!b.lineOf(QStringLiteral("read 1 register from 0, unit 254")).isEmpty());
  QVERIFY(!b.lineOf(QStringLiteral("1 register")).isEmpty());
  b.window->DisconnectUnit();
}

void TrafficWindowTest::pauseClearAndSave() {
  Bench b;
  QVERIFY(b.Connect());
  TrafficWindow* w = b.traffic();
  w->show();
  auto* pause = w->findChild<QPushButton*>(QStringLiteral("Pause_B"));
  auto* clear = w->findChild<QPushButton*>(QStringLiteral("Clear_B"));
  QVERIFY(pause && clear);
  b.window->DisconnectUnit();  // no polls: only this test's frames
  CommSettings df1 = b.window->session().Comm();
  std::vector<std::uint16_t> words(1);

  clear->click();
  QVERIFY(b.text().isEmpty());
  pause->click();
  QVERIFY(w->Log().Paused());
  QVERIFY(ReadRegisters(df1, 1, 1, words));
  w->Refresh();
  QVERIFY(b.text().isEmpty());
  pause->click();
  QVERIFY(!w->Log().Paused());
  QVERIFY(ReadRegisters(df1, 2, 1, words));
  w->Refresh();
  // Message, ACK, poll, reply, ACK: five lines.
  QCOMPARE(b.text().split(QLatin1Char('\n')).size(), 5);
  QVERIFY(
      !b.lineOf(
            QStringLiteral("read 1 word from 2, unit 254, TNS %1").arg(df1.transactionCounter - 1))
           .isEmpty());

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("traffic.txt"));
  QVERIFY(w->SaveAs(path));
  QFile saved(path);
  QVERIFY(saved.open(QIODevice::ReadOnly));
  QCOMPARE(QString::fromUtf8(saved.readAll()), b.text() + QLatin1Char('\n'));
  QVERIFY(!w->SaveAs(dir.filePath(QStringLiteral("missing/traffic.txt"))));
}

void TrafficWindowTest::theBoundHoldsAndARefreshStaysCheap() {
  Bench b;
  TrafficWindow* w = b.traffic();
  QVERIFY(w);
  w->show();
  auto* view = w->findChild<QPlainTextEdit*>(QStringLiteral("traffic_Text"));
  TrafficLog& log = w->Log();
  log.SetSerialProtocol(ProtocolKind::Df1);
  const std::vector<std::uint8_t> poll{0x10, 0x05, 0xFE, 0x02, 0xFF};
  for (int i = 0; i < 10050; ++i) log.RecordSerial(FrameDirection::Tx, poll);
  w->Refresh();
  QCOMPARE(log.Size(), std::size_t{10000});
  QCOMPARE(view->blockCount(), 10000);

  // A second of polls (two a second, one a second, about twenty frames)
  // arriving at a full window: the refresh that takes them stays cheap.
  const std::vector<std::uint8_t> ack{0x10, 0x06};
  QElapsedTimer clock;
  qint64 worst = 0;
  for (int round = 0; round < 10; ++round) {
    for (int i = 0; i < 20; ++i) log.RecordSerial(FrameDirection::Rx, ack);
    clock.start();
    w->Refresh();
    worst = std::max(worst, clock.elapsed());
  }
  QCOMPARE(view->blockCount(), 10000);
  QVERIFY(view->toPlainText().endsWith(QStringLiteral("  RX  10 06  ACK")));
  qInfo("worst refresh of 20 new lines into a full window: %lld ms", worst);
  QVERIFY2(worst < 100, qPrintable(QString::number(worst)));
}

QTEST_MAIN(TrafficWindowTest)
#include "test_traffic_window.moc"
