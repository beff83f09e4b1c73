// Preferences through the main window and the "Color Options" dialog: first
// run, maximised close, a custom colour, "Defaults" then "Cancel", and a
// damaged colour text. The settings live in a temporary config folder.

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QtTest>

#include "app/dialogs/color_options_dialog.h"
#include "app/dialogs/color_preview.h"
#include "app/frame/main_window.h"
#include "gui_helpers.h"

using namespace kvx;

class PreferencesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::IsolatedConfig(); }
  void init() { Settings().clear(); }
  void firstRunDefaultsAndAllElevenStored();
  void maximisedCloseKeepsTheSize();
  void customColourStoredAsHex();
  void defaultsThenCancelChangesNothing();
  void damagedColourFallsBackAndStarts();
  void positionOffEveryScreenComesBack();

 private:
  static QSettings& Settings() {
    static QSettings s(QStringLiteral("Bramwick"), QStringLiteral("KVXCOM"));
    s.sync();
    return s;
  }
  static QString Stored(const char* name) {
    Settings().sync();
    return Settings().value(QStringLiteral("Preferences/") + QLatin1String(name)).toString();
  }
  static void Store(const char* name, const QString& text) {
    Settings().setValue(QStringLiteral("Preferences/") + QLatin1String(name), text);
    Settings().sync();
  }
};

static QColor Face(QWidget* w) {
  return w->palette().color(QPalette::Window);
}

void PreferencesTest::firstRunDefaultsAndAllElevenStored() {
  MainWindow w;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QCOMPARE(w.size(), QSize(750, 550));
  QCOMPARE(w.frameGeometry().topLeft(), QPoint(0, 0));
  QCOMPARE(Face(&w), QColor(0xA0, 0xA0, 0xA4));  // medium grey
  QCOMPARE(Face(w.findChild<QWidget*>(QStringLiteral("network_P"))),
           QColor(0xC0, 0xC0, 0xC0));  // silver
  QCOMPARE(w.userColors().fixedbox, QColor(0xC0, 0xDC, 0xC0));
  QCOMPARE(w.userColors().editbox, QColor(0xFF, 0xFF, 0xFF));
  QVERIFY(w.close());

  Settings().sync();
  Settings().beginGroup(QStringLiteral("Preferences"));
  const QStringList keys = Settings().childKeys();
  Settings().endGroup();
  QCOMPARE(keys.size(), 11);
  QCOMPARE(Stored("Language"), QStringLiteral("English"));
  QCOMPARE(Stored("DatalogName"), QStringLiteral("Unit.csv"));
  QCOMPARE(Stored("Maximized"), QStringLiteral("0"));
  QCOMPARE(Stored("Top"), QStringLiteral("0"));
  QCOMPARE(Stored("Left"), QStringLiteral("0"));
  QCOMPARE(Stored("Width"), QStringLiteral("750"));
  QCOMPARE(Stored("Height"), QStringLiteral("550"));
  QCOMPARE(Stored("Editbox"), QStringLiteral("clWhite"));
  QCOMPARE(Stored("Fixedbox"), QStringLiteral("clMoneyGreen"));
  QCOMPARE(Stored("Background"), QStringLiteral("clSilver"));
  QCOMPARE(Stored("Form"), QStringLiteral("clMedGray"));
}

void PreferencesTest::maximisedCloseKeepsTheSize() {
  Store("Width", QStringLiteral("800"));
  Store("Height", QStringLiteral("600"));
  Store("Top", QStringLiteral("x12"));  // not an integer: the default 0
  {
    MainWindow w;
    QCOMPARE(w.size(), QSize(800, 600));
    QCOMPARE(w.preferences().top, 0);
    w.showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.isMaximized());
    QVERIFY(w.close());
  }
  QCOMPARE(Stored("Maximized"), QStringLiteral("1"));
  QCOMPARE(Stored("Width"), QStringLiteral("800"));
  QCOMPARE(Stored("Height"), QStringLiteral("600"));
  MainWindow next;
  QVERIFY(next.windowState() & Qt::WindowMaximized);
}

void PreferencesTest::customColourStoredAsHex() {
  MainWindow w;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  auto answered = test::WhenModal([](QWidget* modal) {
    auto* dialog = qobject_cast<ColorOptionsDialog*>(modal);
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Color Options"));
    QCOMPARE(dialog->size(), QSize(600, 250));
    dialog->pickColor = [](const QColor&, QWidget*) { return QColor(12, 34, 56); };
    QComboBox* box = dialog->textAreasBox();
    const int custom = box->findText(QStringLiteral("Custom..."));
    QVERIFY(custom >= 0);
    box->setCurrentIndex(custom);
    emit box->activated(custom);
    QCOMPARE(dialog->preview()->cellColor(), QColor(12, 34, 56));
    dialog->okButton()->click();
  });
  w.OnEditColors();
  QVERIFY(*answered);
  QCOMPARE(w.preferences().backgroundColor, std::string("$0038220C"));
  QCOMPARE(Face(w.findChild<QWidget*>(QStringLiteral("network_P"))), QColor(12, 34, 56));
  QVERIFY(w.close());
  QCOMPARE(Stored("Background"), QStringLiteral("$0038220C"));
}

void PreferencesTest::defaultsThenCancelChangesNothing() {
  Store("Background", QStringLiteral("$0038220C"));
  Store("Form", QStringLiteral("clNavy"));
  MainWindow w;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  auto answered = test::WhenModal([](QWidget* modal) {
    auto* dialog = qobject_cast<ColorOptionsDialog*>(modal);
    QVERIFY(dialog);
    QCOMPARE(dialog->preview()->cellColor(), QColor(12, 34, 56));
    dialog->defaultsButton()->click();
    QVERIFY(dialog->isVisible());  // "Defaults" does not close
    QCOMPARE(dialog->preview()->cellColor(), QColor(0xC0, 0xC0, 0xC0));
    QCOMPARE(dialog->choice().formColor, std::string("clMedGray"));
    dialog->cancelButton()->click();
  });
  w.OnEditColors();
  QVERIFY(*answered);
  QCOMPARE(w.preferences().backgroundColor, std::string("$0038220C"));
  QCOMPARE(w.preferences().formColor, std::string("clNavy"));
  QVERIFY(w.close());
  QCOMPARE(Stored("Background"), QStringLiteral("$0038220C"));
  QCOMPARE(Stored("Form"), QStringLiteral("clNavy"));
}

void PreferencesTest::damagedColourFallsBackAndStarts() {
  Store("Form", QStringLiteral("clNoSuchColour"));
  Store("Background", QStringLiteral("$0012"));
  Store("Editbox", QStringLiteral("$zz"));
  Store("Fixedbox", QStringLiteral(""));
  MainWindow w;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QCOMPARE(Face(&w), QColor(0xA0, 0xA0, 0xA4));  // the default, not black
  QCOMPARE(Face(w.findChild<QWidget*>(QStringLiteral("network_P"))), QColor(0x12, 0x00, 0x00));
  const UserColors window = w.userColors();
  QCOMPARE(window.editbox, QColor(Qt::white));
  QCOMPARE(window.fixedbox, QColor(0xC0, 0xDC, 0xC0));

  // The dialog offers each damaged colour as the colour the window shows in
  // its place, not one fallback for all four.
  UserColors shown;
  ColorChoice offered;
  auto answered = test::WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<ColorOptionsDialog*>(modal);
    if (!dialog) return;
    shown = {dialog->preview()->cellColor(), Face(dialog), dialog->preview()->editableColor(),
             dialog->preview()->fixedColor()};
    offered = dialog->choice();
    dialog->okButton()->click();
  });
  w.OnEditColors();
  QVERIFY(*answered);
  QCOMPARE(shown.form, window.form);
  QCOMPARE(shown.background, window.background);
  QCOMPARE(shown.fixedbox, window.fixedbox);
  QCOMPARE(shown.editbox, window.editbox);
  QCOMPARE(offered.formColor, std::string("clMedGray"));
  QCOMPARE(offered.editboxColor, std::string("clWhite"));
  QCOMPARE(offered.fixedboxColor, std::string("clMoneyGreen"));
  QCOMPARE(Face(&w), QColor(0xA0, 0xA0, 0xA4));
  QCOMPARE(w.userColors().editbox, QColor(Qt::white));
}

void PreferencesTest::positionOffEveryScreenComesBack() {
  Store("Left", QStringLiteral("-20000"));
  Store("Top", QStringLiteral("15000"));
  MainWindow w;
  QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(w.pos()));
  Store("Left", QStringLiteral("40"));
  Store("Top", QStringLiteral("30"));
  MainWindow kept;
  QCOMPARE(kept.pos(), QPoint(40, 30));
}

QTEST_MAIN(PreferencesTest)
#include "test_preferences.moc"
