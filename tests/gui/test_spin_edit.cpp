// SpinEdit: showing, reading back, clamping, arrows, keys and when
// OnChange fires, as one table of cases; plus geometry and initial values.

#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>
#include <clocale>

#include "app/controls/bw_spin_edit.h"

using kvx::SpinEdit;

class SpinEditTest : public QObject {
  Q_OBJECT

 private slots:
  void initialValuesAndGeometry();
  void settersDoNotClampOrFire();
  void cases_data();
  void cases();
};

void SpinEditTest::initialValuesAndGeometry() {
  SpinEdit spin;
  QCOMPARE(spin.Value(), 0.0);
  QCOMPARE(spin.Units(), QString());
  QCOMPARE(spin.Precision(), 0);
  QCOMPARE(spin.DisplayType(), kvx::FLOAT);
  QCOMPARE(spin.Increment(), 0.0);
  QCOMPARE(spin.Min(), 0.0);
  QCOMPARE(spin.Max(), 0.0);
  QCOMPARE(spin.WrapValue(), false);
  QCOMPARE(spin.size(), QSize(70, 21));
  QCOMPARE(spin.edit()->geometry(), QRect(0, 0, 54, 21));
  QCOMPARE(spin.upButton()->x(), 55);
  QCOMPARE(spin.edit()->maxLength(), 64);
  spin.setWidth(100);
  QCOMPARE(spin.edit()->width(), 84);
  QCOMPARE(spin.upButton()->x(), 85);
  QCOMPARE(spin.downButton()->x(), 85);
  QCOMPARE(spin.Width(), 99);  // the text plus the arrows
  spin.setHeight(30);
  QCOMPARE(spin.Height(), 30);
  QCOMPARE(spin.upButton()->height() + spin.downButton()->height(), 30);
}

void SpinEditTest::settersDoNotClampOrFire() {
  SpinEdit spin;
  spin.setMax(10);
  spin.show();
  QVERIFY(QTest::qWaitForWindowExposed(&spin));
  QSignalSpy changes(&spin, &SpinEdit::OnChange);
  spin.setValue(50);  // above Max: stored and shown as given
  QCOMPARE(spin.Value(), 50.0);
  QCOMPARE(spin.edit()->text(), QStringLiteral("50"));
  spin.setMin(60);  // limits only act at the next read
  QCOMPARE(spin.Value(), 50.0);
  spin.setPrecision(1);
  spin.setUnits(QStringLiteral(" A"));
  QCOMPARE(spin.edit()->text(), QStringLiteral("50.0 A"));
  QCOMPARE(changes.count(), 0);
}

void SpinEditTest::cases_data() {
  QTest::addColumn<QString>("locale");
  QTest::addColumn<int>("displayType");
  QTest::addColumn<int>("precision");
  QTest::addColumn<QString>("units");
  QTest::addColumn<double>("min");
  QTest::addColumn<double>("max");
  QTest::addColumn<double>("increment");
  QTest::addColumn<bool>("wrap");
  QTest::addColumn<double>("value");
  // What the user does: "" nothing, "type:<text>" then Enter, "focus:<text>"
  // then focus leaves, "escape:<text>", "set:<value>", "enter", "up", "down", "up;up".
  QTest::addColumn<QString>("action");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<double>("expected");
  QTest::addColumn<int>("changes");
  QTest::addColumn<int>("ups");
  QTest::addColumn<int>("downs");

  const float f12345 = 12.345f;
  const float f01 = 0.1f;
  // clang-format off
  QTest::newRow("units after the number") << "C" << 0 << 2 << " s" << 0.0 << 10.0 << 0.0 << false << 2.5 << "" << "2.50 s" << 2.5 << 0 << 0 << 0;
  QTest::newRow("typed value rounds when shown") << "C" << 0 << 2 << " s" << 0.0 << 100.0 << 0.0 << false << 0.0 << "type:12.345" << "12.35 s" << double(f12345) << 1 << 0 << 0;
  QTest::newRow("enter unchanged at single precision") << "C" << 0 << 2 << "" << 0.0 << 1.0 << 0.0 << false << 0.1 << "enter" << "0.10" << double(f01) << 0 << 0 << 0;
  QTest::newRow("enter with a hidden fraction fires") << "C" << 0 << 2 << "" << 0.0 << 1.0 << 0.0 << false << 0.0 << "set:0.123;enter" << "0.12" << double(0.12f) << 1 << 0 << 0;
  QTest::newRow("above max clamps to max") << "C" << 0 << 0 << "" << 0.0 << 100.0 << 0.0 << false << 50.0 << "type:500" << "100" << 100.0 << 1 << 0 << 0;
  QTest::newRow("below min clamps to min") << "C" << 0 << 0 << "" << 0.0 << 100.0 << 0.0 << false << 50.0 << "type:-5" << "0" << 0.0 << 1 << 0 << 0;
  QTest::newRow("letters keep the old value") << "C" << 0 << 2 << " s" << 0.0 << 100.0 << 0.0 << false << 7.0 << "type:abc" << "7.00 s" << 7.0 << 0 << 0 << 0;
  QTest::newRow("trailing units ignored") << "C" << 0 << 1 << " s" << 0.0 << 100.0 << 0.0 << false << 1.0 << "type:42.5 s" << "42.5 s" << 42.5 << 1 << 0 << 0;
  QTest::newRow("focus leaving commits") << "C" << 0 << 0 << "" << 0.0 << 100.0 << 0.0 << false << 1.0 << "focus:33" << "33" << 33.0 << 1 << 0 << 0;
  QTest::newRow("escape discards typing") << "C" << 0 << 2 << "" << 0.0 << 100.0 << 0.0 << false << 5.0 << "escape:77" << "5.00" << 5.0 << 0 << 0 << 0;
  QTest::newRow("up reaches max") << "C" << 0 << 2 << "" << 0.0 << 10.0 << 0.01 << false << 9.99 << "up" << "10.00" << double(9.99f) + 0.01 << 1 << 1 << 0;
  QTest::newRow("up at max stays and still fires") << "C" << 0 << 2 << "" << 0.0 << 10.0 << 0.01 << false << 9.99 << "up;up" << "10.00" << 10.0 << 2 << 2 << 0;
  QTest::newRow("up at max wraps to min") << "C" << 0 << 2 << "" << 0.0 << 10.0 << 0.01 << true << 9.99 << "up;up" << "0.00" << 0.0 << 2 << 2 << 0;
  QTest::newRow("down at min stays") << "C" << 0 << 0 << "" << 1.0 << 5.0 << 1.0 << false << 1.0 << "down" << "1" << 1.0 << 1 << 0 << 1;
  QTest::newRow("down at min wraps to max") << "C" << 0 << 0 << "" << 1.0 << 5.0 << 1.0 << true << 1.0 << "down" << "5" << 5.0 << 1 << 0 << 1;
  QTest::newRow("down onto min exactly") << "C" << 0 << 0 << "" << 1.0 << 5.0 << 1.0 << true << 2.0 << "down" << "1" << 1.0 << 1 << 0 << 1;
  QTest::newRow("exponent form") << "C" << 1 << 3 << " A" << 0.0 << 1e6 << 0.0 << false << 1234.5 << "" << "1.234e+03 A" << 1234.0 << 0 << 0 << 0;
  QTest::newRow("auto form") << "C" << 2 << 3 << "" << 0.0 << 1.0 << 0.0 << false << 0.0001234 << "" << "0.000123" << double(0.000123f) << 0 << 0 << 0;
  QTest::newRow("comma locale shows a dot") << "de_DE.UTF-8" << 0 << 2 << " s" << 0.0 << 10.0 << 0.0 << false << 2.5 << "" << "2.50 s" << 2.5 << 0 << 0 << 0;
  QTest::newRow("comma locale reads a dot") << "de_DE.UTF-8" << 0 << 2 << "" << 0.0 << 10.0 << 0.0 << false << 0.0 << "type:1.5" << "1.50" << 1.5 << 1 << 0 << 0;
  QTest::newRow("comma locale reads a comma as the point") << "de_DE.UTF-8" << 0 << 2 << "" << 0.0 << 10.0 << 0.0 << false << 0.0 << "type:1,5" << "1.50" << 1.5 << 1 << 0 << 0;
  QTest::newRow("a comma is the point in any locale") << "C" << 0 << 2 << " A" << 0.0 << 10.0 << 0.0 << false << 0.0 << "type:7,5 A" << "7.50 A" << 7.5 << 1 << 0 << 0;
  QTest::newRow("comma locale exponent") << "de_DE.UTF-8" << 1 << 2 << "" << 0.0 << 1e6 << 0.0 << false << 1234.5 << "" << "1.23e+03" << 1230.0 << 0 << 0 << 0;
  // clang-format on
}

void SpinEditTest::cases() {
  QFETCH(QString, locale);
  QFETCH(int, displayType);
  QFETCH(int, precision);
  QFETCH(QString, units);
  QFETCH(double, min);
  QFETCH(double, max);
  QFETCH(double, increment);
  QFETCH(bool, wrap);
  QFETCH(double, value);
  QFETCH(QString, action);
  QFETCH(QString, shown);
  QFETCH(double, expected);
  QFETCH(int, changes);
  QFETCH(int, ups);
  QFETCH(int, downs);

  // The trap: a comma-decimal locale in both the C library and Qt.
  const bool comma = locale != QLatin1String("C");
  if (comma) {
    QVERIFY2(std::setlocale(LC_ALL, locale.toLatin1().constData()) != nullptr,
             "de_DE.UTF-8 is not installed (scripts/install-deps makes it)");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  }
  auto restore = qScopeGuard([] {
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());
  });

  SpinEdit spin;
  spin.setDisplayType(static_cast<kvx::display_type_e>(displayType));
  spin.setPrecision(precision);
  spin.setUnits(units);
  spin.setMin(min);
  spin.setMax(max);
  spin.setIncrement(increment);
  spin.setWrapValue(wrap);
  spin.setValue(value);
  spin.show();
  QVERIFY(QTest::qWaitForWindowExposed(&spin));
  QSignalSpy changeSpy(&spin, &SpinEdit::OnChange);
  QSignalSpy upSpy(&spin, &SpinEdit::OnUpButtonPress);
  QSignalSpy downSpy(&spin, &SpinEdit::OnDownButtonPress);

  QLineEdit* edit = spin.edit();
  auto type = [&](const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
  };
  for (const QString& step : action.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    if (step.startsWith(QLatin1String("type:"))) {
      type(step.mid(5));
      QTest::keyClick(edit, Qt::Key_Return);
    } else if (step.startsWith(QLatin1String("focus:"))) {
      type(step.mid(6));
      QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
      QApplication::sendEvent(edit, &out);
    } else if (step.startsWith(QLatin1String("escape:"))) {
      type(step.mid(7));
      QTest::keyClick(edit, Qt::Key_Escape);
    } else if (step.startsWith(QLatin1String("set:"))) {
      spin.setValue(step.mid(4).toDouble());
    } else if (step == QLatin1String("enter")) {
      QTest::keyClick(edit, Qt::Key_Return);
    } else if (step == QLatin1String("up")) {
      spin.upButton()->click();
    } else if (step == QLatin1String("down")) {
      spin.downButton()->click();
    } else {
      QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }
  }
  QCOMPARE(edit->text(), shown);
  QCOMPARE(spin.Value(), expected);
  QCOMPARE(changeSpy.count(), changes);
  QCOMPARE(upSpy.count(), ups);
  QCOMPARE(downSpy.count(), downs);
  if (!changeSpy.isEmpty()) {
    QCOMPARE(changeSpy.first().first().value<SpinEdit*>(), &spin);
  }
}

QTEST_MAIN(SpinEditTest)
#include "test_spin_edit.moc"
