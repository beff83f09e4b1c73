// Single instance: the real kvx-comm refuses a second copy while the first
// runs, and starts again after the first was killed outright (SIGKILL leaves
// no chance to clean up, so the lock must be one the system drops).

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

class InstanceTest : public QObject {
  Q_OBJECT

 private slots:
  void secondCopyRefusedUntilTheFirstDies();
  void helpAndAnUnknownDemoRelayEndWithoutAWindow();

 private:
  QProcessEnvironment Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KVX_TEST_MODE"), QStringLiteral("1"));
    env.insert(QStringLiteral("KVX_LOCK_DIR"), lockDir_.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir_.path());
    return env;
  }
  // Starts kvx-comm and waits (bounded) until its window is up.
  bool StartRunning(QProcess& p) {
    p.setProcessEnvironment(Environment());
    p.start(QStringLiteral(KVX_BINARY_DIR "/bin/kvx-comm"), {});
    if (!p.waitForStarted(30000)) return false;
    QByteArray out;
    QElapsedTimer clock;
    clock.start();
    while (!out.contains("kvx-comm: ready") && clock.elapsed() < 60000) {
      if (p.state() != QProcess::Running) return false;
      p.waitForReadyRead(500);
      out += p.readAllStandardOutput();
    }
    return out.contains("kvx-comm: ready");
  }

  QTemporaryDir lockDir_;
  QTemporaryDir configDir_;
};

void InstanceTest::secondCopyRefusedUntilTheFirstDies() {
  QProcess first;
  QVERIFY(StartRunning(first));

  QProcess second;
  second.setProcessEnvironment(Environment());
  second.start(QStringLiteral(KVX_BINARY_DIR "/bin/kvx-comm"), {});
  QVERIFY(second.waitForFinished(60000));
  QCOMPARE(second.exitStatus(), QProcess::NormalExit);
  QCOMPARE(second.exitCode(), 0);
  const QString err = QString::fromUtf8(second.readAllStandardError());
  QVERIFY2(err.contains(
               QStringLiteral("Loading Error: There is already an instance of KVX-COMM running.\n"
                              "You cannot run more than one instance of KVX-COMM.")),
           qPrintable(err));
  QCOMPARE(first.state(), QProcess::Running);  // the first is not disturbed

  ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
  QVERIFY(first.waitForFinished(30000));

  QProcess third;
  QVERIFY(StartRunning(third));
  third.kill();
  QVERIFY(third.waitForFinished(30000));
}

void InstanceTest::helpAndAnUnknownDemoRelayEndWithoutAWindow() {
  QProcess help;
  QProcessEnvironment env = Environment();
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));  // no display is needed for the usage
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  help.setProcessEnvironment(env);
  help.start(QStringLiteral(KVX_BINARY_DIR "/bin/kvx-comm"), {QStringLiteral("--help")});
  QVERIFY(help.waitForFinished(30000));
  QCOMPARE(help.exitStatus(), QProcess::NormalExit);
  QCOMPARE(help.exitCode(), 0);
  const QString usage = QString::fromUtf8(help.readAllStandardOutput());
  QVERIFY2(usage.startsWith(QStringLiteral("Usage: kvx-comm")), qPrintable(usage));
  QVERIFY(usage.contains(QStringLiteral("--demo")));

  QProcess unknown;
  unknown.setProcessEnvironment(Environment());
  unknown.start(QStringLiteral(KVX_BINARY_DIR "/bin/kvx-comm"),
                {QStringLiteral("--demo"), QStringLiteral("XYZ@999")});
  QVERIFY(unknown.waitForFinished(30000));
  QCOMPARE(unknown.exitStatus(), QProcess::NormalExit);
  QCOMPARE(unknown.exitCode(), 2);
  const QString err = QString::fromUtf8(unknown.readAllStandardError());
  QVERIFY2(err.contains(QStringLiteral("kvx-comm: --demo: \"XYZ@999\" names no relay")),
           qPrintable(err));
  QVERIFY(!unknown.readAllStandardOutput().contains("kvx-comm: ready"));

  // A link that does not parse ends the same way, with the reason.
  QProcess badLink;
  badLink.setProcessEnvironment(Environment());
  badLink.start(QStringLiteral(KVX_BINARY_DIR "/bin/kvx-comm"),
                {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:99999")});
  QVERIFY(badLink.waitForFinished(30000));
  QCOMPARE(badLink.exitCode(), 2);
  const QString linkErr = QString::fromUtf8(badLink.readAllStandardError());
  QVERIFY2(linkErr.contains(QStringLiteral("kvx-comm: --tcp needs")), qPrintable(linkErr));
  QVERIFY(!badLink.readAllStandardOutput().contains("kvx-comm: ready"));
}

QTEST_MAIN(InstanceTest)
#include "test_instance.moc"
