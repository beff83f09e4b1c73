// The Events page, the Commands menus and buttons, the System Time dialog and
// the Trip and Alarm Codes window against a relay in this process, offscreen.

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest>
#include <atomic>
#include <memory>

#include "app/commands/clock_dialog.h"
#include "app/commands/device_commands_controller.h"
#include "app/commands/trip_details_window.h"
#include "app/controls/bw_spin_edit.h"
#include "app/frame/main_window.h"
#include "gui_helpers.h"
#include "monitor/clock_text.h"
#include "monitor/event_records.h"
#include "shell/scripted_dialogs.h"
#include "sim/relay_simulation.h"

using namespace kvx;

namespace {

const QString kProgramFolder = QStringLiteral(KVX_BINARY_DIR "/bin");

// What went out on the link, counted by kind (the hook runs on the link worker).
struct Frames {
  std::atomic<int> selectorWrites{0};
  std::atomic<int> recordReads{0};
  std::atomic<int> commandWrites{0};
  std::atomic<int> clockWrites{0};
  std::atomic<int> lastCommand{-1};
  void Reset() {
    selectorWrites = recordReads = commandWrites = clockWrites = 0;
    lastCommand = -1;
  }
  void See(std::span<const std::uint8_t> f) {
    if (f.size() < 10) return;  // MBAP header, function, address
    const int function = f[7];
    const int address = (f[8] << 8) | f[9];
    const bool write = function == 6 || function == 16;
    if (write && address == 975) ++selectorWrites;
    if (write && address == 580) ++clockWrites;
    if (function == 3 && address == 976) ++recordReads;
    if (write && address == 6) {
      ++commandWrites;
      lastCommand = function == 6 ? (f[10] << 8) | f[11] : (f[13] << 8) | f[14];
    }
  }
};

struct Bench {
  std::unique_ptr<sim::RelaySimulation> relay;
  std::unique_ptr<MainWindow> window;
  ScriptedDialogs dialogs;
  ScriptedPasswordPrompt passwords;
  std::shared_ptr<Frames> frames = std::make_shared<Frames>();

  Bench(const std::string& model, int firmware, int events) {
    std::string error;
    auto config = sim::MakeRelayConfig(
        model, firmware, (kProgramFolder + QStringLiteral("/Defaults")).toStdString(), error);
    if (!config) return;
    config->events = events;
    relay = std::make_unique<sim::RelaySimulation>(std::move(*config));
    relay->StartTcp("127.0.0.1", 0);
    MainWindowOptions options;
    options.programFolder = kProgramFolder;
    window = std::make_unique<MainWindow>(options);
    window->useDialogs(&dialogs);
    window->usePasswords(&passwords);
    window->findChild<QTimer*>(QStringLiteral("setpoint_timer"))->stop();
    window->askCommOptions = [this](CommOptions& o) {
      o.cancelled = false;
      o.protocol = ProtocolKind::ModbusTcp;
      o.remoteHost = "127.0.0.1";
      o.remotePort = std::to_string(relay->TcpPort());
    };
    window->show();
    window->OnConnect();
    window->session().Tcp().SetFrameTrace(
        [f = frames](FrameDirection d, std::span<const std::uint8_t> bytes) {
          if (d == FrameDirection::Tx) f->See(bytes);
        });
  }
  template <class T = QWidget>
  T* find(const char* name) {
    return qobject_cast<T*>(window->findChild<QWidget*>(QString::fromLatin1(name)));
  }
  QString label(const char* name) { return find<QLabel>(name)->text(); }
  void ShowEventsPage() { find<QTabWidget>("PageControl1")->setCurrentIndex(2); }
  DeviceCommandsController* commands() {
    return window->findChild<DeviceCommandsController*>(QStringLiteral("DeviceCommands"));
  }
  // The value column as the grid shows it, field rows only.
  QStringList Values() {
    QStringList values;
    auto* grid = find<QTableWidget>("Events_Grid");
    for (int r = 0; r < grid->rowCount(); ++r) {
      if (grid->item(r, 0) && !grid->item(r, 0)->text().isEmpty()) {
        values << grid->item(r, 2)->text();
      }
    }
    return values;
  }
  // What the relay's slot holds, as the page should show it.
  QStringList Expected(int slot) {
    QStringList values;
    const EventLayout layout = EventLayoutOf(window->settingStore());
    for (const std::string& t :
         EventRecordTexts(layout, relay->Relay().EventSlotBlock(slot), EventTextUse::Screen)) {
      values << QString::fromStdString(t);
    }
    return values;
  }
  std::vector<std::string> Told() {
    std::vector<std::string> texts;
    for (const AskedMessage& m : dialogs.asked()) texts.push_back(m.caption + ": " + m.text);
    return texts;
  }
};

}  // namespace

class EventsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::IsolatedConfig(); }
  void eventsPagePerFamily_data();
  void eventsPagePerFamily();
  void emptyRecordAndNothingToSave();
  void trackBarMovesWithinHalfASecondReadOnce();
  void saveEventsWritesTheFileAndConfirms();
  void clockDialogTexts();
  void clockFromTheMenu();
  void tripDetailsAndReset();
  void commandMenusSendTheirNumbers();
};

void EventsWindowTest::eventsPagePerFamily_data() {
  QTest::addColumn<QString>("model");
  QTest::addColumn<int>("firmware");
  QTest::addColumn<int>("events");
  QTest::addColumn<QString>("newest");
  QTest::addColumn<int>("first");
  QTest::addColumn<int>("newestSlot");
  QTest::newRow("DRA 2.30, wrapped") << "DRA" << 230 << 70 << "69" << 6 << 5;
  QTest::newRow("DRA 2.10, IDs by slot") << "DRA" << 210 << 70 << "5" << 6 << 5;
  QTest::newRow("DRB-50 1.70") << "DRB-50" << 170 << 12 << "11" << 0 << 11;
  QTest::newRow("FDX-50 1.10") << "FDX-50" << 110 << 250 << "249" << 150 << 49;
}

void EventsWindowTest::eventsPagePerFamily() {
  QFETCH(QString, model);
  QFETCH(int, firmware);
  QFETCH(int, events);
  QFETCH(QString, newest);
  QFETCH(int, first);
  QFETCH(int, newestSlot);
  Bench b(model.toStdString(), firmware, events);
  QVERIFY(b.relay && b.window->online());
  b.ShowEventsPage();
  QCOMPARE(b.label("num_records_E"), QString::number(events));
  QCOMPARE(b.label("new_record_E"), newest);
  QCOMPARE(b.label("record_head_E"), newest);
  auto* bar = b.find<QSlider>("record_TB");
  QCOMPARE(bar->minimum(), first);
  QCOMPARE(bar->maximum(), events - 1);
  QCOMPARE(bar->value(), events - 1);
  QVERIFY(!b.find("empty_P")->isVisible());
  const QStringList values = b.Values();
  QVERIFY(values.size() > 10);
  QCOMPARE(values, b.Expected(newestSlot));
  QVERIFY(!values.contains(QString()));
  // The wheel moves one row.
  auto* rows = b.find<QTableWidget>("Events_Grid");
  const int top = rows->verticalScrollBar()->value();
  QWheelEvent down(QPointF(20, 20), rows->viewport()->mapToGlobal(QPointF(20, 20)), QPoint(),
                   QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(rows->viewport(), &down);
  QCOMPARE(rows->verticalScrollBar()->value(), top + 1);
  // Heading row first, in bold.
  auto* grid = b.find<QTableWidget>("Events_Grid");
  QVERIFY(grid->item(0, 0)->text().isEmpty());
  QVERIFY(grid->item(0, 1)->font().bold());
}

void EventsWindowTest::emptyRecordAndNothingToSave() {
  Bench b("DRA", 230, 0);
  QVERIFY(b.relay && b.window->online());
  b.find<QLabel>("record_head_E")->setText(QStringLiteral("kept"));
  b.ShowEventsPage();
  QCOMPARE(b.label("num_records_E"), QStringLiteral("0"));
  QCOMPARE(b.label("new_record_E"), QStringLiteral("0"));
  QCOMPARE(b.label("record_head_E"), QStringLiteral("kept"));
  QVERIFY(b.find("empty_P")->isVisible());
  QCOMPARE(b.label("empty_P"), QStringLiteral("Empty Record"));
  bool asked = false;
  b.window->askFileName = [&](const FileRequest&) {
    asked = true;
    return QString();
  };
  b.find<QPushButton>("SaveEvents_B")->click();
  QVERIFY(!asked);
  QCOMPARE(b.Told().back(), std::string("Record Error: No Events to Save"));

  // The packet statistics: a double click shows them, the button hides them.
  auto* packets = b.find("packet_P");
  QVERIFY(!b.find("total_packet_E")->isVisible());
  QTest::mouseDClick(packets, Qt::LeftButton);
  QVERIFY(b.find("total_packet_E")->isVisible());
  QVERIFY(b.label("total_packet_E").toInt() > 0);
  b.find<QPushButton>("packet_B")->click();
  QVERIFY(!b.find("total_packet_E")->isVisible());
  QVERIFY(!b.find("packet_B")->isVisible());

  // A record written meanwhile shows after Refresh Events.
  QVERIFY(b.relay->Relay().Trip(2));
  b.find<QPushButton>("RefreshEvents_B")->click();
  QCOMPARE(b.label("num_records_E"), QStringLiteral("1"));
  QVERIFY(!b.find("empty_P")->isVisible());
  QVERIFY(b.Values().contains(QStringLiteral("Overload Trip")));
}

void EventsWindowTest::trackBarMovesWithinHalfASecondReadOnce() {
  Bench b("DRA", 230, 70);
  QVERIFY(b.relay && b.window->online());
  b.ShowEventsPage();
  auto* bar = b.find<QSlider>("record_TB");
  QCOMPARE(bar->value(), 69);
  b.frames->Reset();
  QElapsedTimer clock;
  clock.start();
  for (int v : {68, 67, 66, 65, 64}) {
    bar->setValue(v);
    QTest::qWait(40);
  }
  QVERIFY(clock.elapsed() < 500);
  QCOMPARE(b.frames->selectorWrites.load(), 0);
  QTRY_COMPARE_WITH_TIMEOUT(b.frames->recordReads.load(), 1, 3000);
  QTest::qWait(700);  // nothing more comes
  QCOMPARE(b.frames->selectorWrites.load(), 1);
  QCOMPARE(b.frames->recordReads.load(), 1);
  QCOMPARE(b.label("record_head_E"), QStringLiteral("64"));
  QCOMPARE(b.Values(), b.Expected(0));

  // The arrows step one record and read it the same way.
  b.frames->Reset();
  b.find("UpDown1")->findChildren<QToolButton*>().at(0)->click();
  QCOMPARE(bar->value(), 63);
  QTRY_COMPARE_WITH_TIMEOUT(b.frames->recordReads.load(), 1, 3000);
  QCOMPARE(b.label("record_head_E"), QStringLiteral("63"));
  QCOMPARE(b.Values(), b.Expected(63));
}

void EventsWindowTest::saveEventsWritesTheFileAndConfirms() {
  Bench b("DRB-50", 170, 5);
  QVERIFY(b.relay && b.window->online());
  b.ShowEventsPage();
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("events.txt"));
  FileRequest asked;
  b.window->askFileName = [&](const FileRequest& r) {
    asked = r;
    return path;
  };
  b.find<QPushButton>("SaveEvents_B")->click();
  QCOMPARE(asked.title, QStringLiteral("Save Event Records"));
  QCOMPARE(asked.proposedName, QStringLiteral("events"));
  QVERIFY(asked.save);
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  const QList<QByteArray> lines = text.split('\n');
  QCOMPARE(lines.size(), 8);  // header, five records, the empty line, after the last LF
  QVERIFY(lines[0].startsWith("Record\tDate\tTime\tRecord Type\tCause\t"));
  for (int i = 1; i <= 5; ++i) QVERIFY(lines[i].startsWith(QByteArray::number(5 - i) + '\t'));
  QVERIFY(text.endsWith("\r\n\r\n"));
  QVERIFY(b.window->confirmation().startsWith(QStringLiteral("Events saved: 5 records")));
  // The grid keeps the record it showed.
  QCOMPARE(b.Values(), b.Expected(4));
}

void EventsWindowTest::clockDialogTexts() {
  UserColors colors{};
  ClockDialog d(nullptr, colors);
  QCOMPARE(d.windowTitle(), QStringLiteral("System Time"));
  QVERIFY(d.noUpdateButton()->isChecked());
  QCOMPARE(d.ClockTextNow(), QString());  // Don't Update: nothing to set
  QCOMPARE(d.field(3)->Max(), 24.0);
  QCOMPARE(d.field(2)->Max(), 31.0);
  QCOMPARE(d.field(0)->Min(), 2000.0);
  d.chosenButton()->setChecked(true);
  QCOMPARE(d.ClockTextNow(), QStringLiteral("00/01/01 01:00:00"));  // the start values
  const int values[6] = {2010, 1, 2, 24, 5, 9};
  for (int i = 0; i < 6; ++i) {
    d.field(i)->edit()->setText(QString::number(values[i]));
  }
  QCOMPARE(d.ClockTextNow(), QStringLiteral("10/01/02 24:05:09"));
  d.field(3)->edit()->setText(QStringLiteral("30"));  // beyond the limit: held at it
  QCOMPARE(d.ClockTextNow(), QStringLiteral("10/01/02 24:05:09"));
  d.localButton()->setChecked(true);
  QTest::qWait(250);
  QVERIFY(IsClockText(d.localTime()->text().toStdString()));
  QCOMPARE(d.ClockTextNow(), d.localTime()->text());
}

void EventsWindowTest::clockFromTheMenu() {
  Bench b("FDX-50", 110, 3);
  QVERIFY(b.relay && b.window->online());
  QAction* item = b.window->findChild<QAction*>(QStringLiteral("FDX_SetClock1"));
  QVERIFY(item);
  b.frames->Reset();
  b.commands()->askClockText = [] { return QString(); };  // Don't Update
  item->trigger();
  QCOMPARE(b.frames->clockWrites.load(), 0);
  QCOMPARE(b.frames->commandWrites.load(), 0);

  b.commands()->askClockText = [] { return QStringLiteral("10/01/02 24:05:09"); };
  item->trigger();
  QCOMPARE(b.frames->clockWrites.load(), 1);
  QCOMPARE(b.frames->lastCommand.load(), 4);
  std::uint16_t hm = 0;
  b.relay->Relay().ReadRegisters(577, 1, &hm);
  QCOMPARE(hm, std::uint16_t{0x0005});  // 00:05 on the next day
  QCOMPARE(b.window->confirmation(), QStringLiteral("Relay clock set to 10/01/02 24:05:09"));
}

void EventsWindowTest::tripDetailsAndReset() {
  Bench b("DRA", 230, 0);
  QVERIFY(b.relay && b.window->online());
  QVERIFY(b.relay->Relay().Trip(2));
  auto* details = b.find<QPushButton>("Details_B");
  details->click();
  QPointer<TripDetailsWindow> first = b.commands()->tripDetails();
  QVERIFY(first);
  QCOMPARE(first->windowTitle(), QStringLiteral("Trip and Alarm Codes"));
  QVERIFY(first->isVisible());
  QVERIFY(!first->isModal());
  QVERIFY(first->windowFlags() & Qt::WindowStaysOnTopHint);
  QCOMPARE(first->Text(), QStringLiteral("Overload Trip\n"));
  QVERIFY(details->isEnabled());

  // Reset clears the trip; the next Details replaces the window.
  b.frames->Reset();
  b.find<QPushButton>("Reset_B")->click();
  QCOMPARE(b.frames->lastCommand.load(), 3);
  QVERIFY(b.find<QPushButton>("Reset_B")->isEnabled());
  details->click();
  QTRY_VERIFY(!first);
  QVERIFY(b.commands()->tripDetails());
  QCOMPARE(b.commands()->tripDetails()->Text(), QString());
  // A new record is in the ring: the trip.
  b.ShowEventsPage();
  QCOMPARE(b.label("num_records_E"), QStringLiteral("1"));
  QVERIFY(b.Values().contains(QStringLiteral("Trip Record")));
}

void EventsWindowTest::commandMenusSendTheirNumbers() {
  Bench b("DRA", 230, 12);
  QVERIFY(b.relay && b.window->online());
  auto* menu = b.window->findChild<QMenu*>(QStringLiteral("DRA_Commands"));
  QVERIFY(menu->menuAction()->isVisible());
  const int expected[] = {5, 6, 8, 7, 9, 10, 11, 12};
  const QList<QAction*> items = menu->actions();
  for (int i = 0; i < 8; ++i) {
    b.frames->Reset();
    items[i]->trigger();
    QCOMPARE(b.frames->lastCommand.load(), expected[i]);
    QVERIFY(b.window->confirmation().startsWith(QStringLiteral("Sent \"")));
  }
  // Clear Event Records emptied the ring; the emergency reset wrote the one record.
  QCOMPARE(b.relay->Relay().EventCount(), 1u);
  // Every item of the three menus is served.
  for (const char* name : {"DRA_Commands", "DRB_Commands", "FDX_Commands"}) {
    for (QAction* a : b.window->findChild<QMenu*>(QString::fromLatin1(name))->actions()) {
      QVERIFY2(a->property("wired").toBool(), qPrintable(a->objectName()));
    }
  }
  b.frames->Reset();
  b.find<QPushButton>("Start1_B")->click();
  QCOMPARE(b.frames->lastCommand.load(), 1);
  b.find<QPushButton>("Stop_B")->click();
  QCOMPARE(b.frames->lastCommand.load(), 0);

  // A command that does not get through says so.
  b.relay->Stop();
  b.find<QPushButton>("Start2_B")->click();
  QVERIFY(b.Told().back().rfind("Command Error: \"Start 2\" was not sent: ", 0) == 0);
}

QTEST_MAIN(EventsWindowTest)
#include "test_events_window.moc"
