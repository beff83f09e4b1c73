// kvx-comm: the desktop program. Takes the single-instance lock, starts the
// application and runs the main window until it closes.

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QStyleFactory>
#include <atomic>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/frame/main_window.h"
#include "app/frame/process_locale.h"
#include "kvx_version.h"
#include "setpoints/defaults_location.h"
#include "shell/demo_option.h"
#include "shell/instance_lock.h"
#include "sim/control_channel.h"
#include "sim/relay_simulation.h"

namespace {

constexpr const char* kProgramName = "KVX-COMM";

bool TestMode() {
  return qEnvironmentVariableIntValue("KVX_TEST_MODE") == 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Help is answered before anything starts: no display, no lock, no window.
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      std::fputs(kvx::StartUsageText().c_str(), stdout);
      return 0;
    }
    if (a == "--version") {
      std::printf("kvx-comm %s\n", kvx::kVersion);
      return 0;
    }
  }
  QApplication app(argc, argv);
  kvx::UseDotDecimalSeparator();

  kvx::InstanceLock lock;
  if (lock.TryAcquire(kvx::InstanceLockPath(kProgramName, kvx::LockPlacesFromEnvironment())) ==
      kvx::InstanceLockState::HeldByOther) {
    const QString text = QStringLiteral(
                             "There is already an instance of %1 running.\n"
                             "You cannot run more than one instance of %1.")
                             .arg(QString::fromLatin1(kProgramName));
    std::fprintf(stderr, "Loading Error: %s\n", qPrintable(text));
    // Under test there is nobody to press OK.
    if (!TestMode()) QMessageBox::warning(nullptr, QStringLiteral("Loading Error"), text);
    return 0;
  }

  try {
    QApplication::setApplicationName(QString::fromLatin1(kProgramName));
    QApplication::setApplicationDisplayName(QString::fromLatin1(kProgramName));
    if (QStyleFactory::keys().contains(QStringLiteral("Fusion"))) {
      QApplication::setStyle(QStringLiteral("Fusion"));
    }
    kvx::MainWindowOptions options;
    const QStringList qargs = QApplication::arguments();
    std::vector<std::string> args;
    for (int i = 1; i < qargs.size(); ++i) args.push_back(qargs[i].toStdString());
    const kvx::StartArguments start = kvx::ParseStartArguments(args);
    if (!start.error.empty()) {
      std::fprintf(stderr, "kvx-comm: %s\n", start.error.c_str());
      return 2;
    }
    options.openFileAtStart = QString::fromStdString(start.openFile);
    options.connectAtStart = start.link;

    // --demo: a simulated relay in this process, on a loopback port of its own.
    std::unique_ptr<kvx::sim::RelaySimulation> demo;
    if (start.demo) {
      const std::string defaults =
          kvx::FindDefaultsFolder(QCoreApplication::applicationDirPath().toStdString()).string();
      std::string error;
      auto config =
          kvx::sim::MakeRelayConfig(start.demo->model, start.demo->firmware, defaults, error);
      if (!config) {
        std::fprintf(stderr, "kvx-comm: --demo: %s\n", error.c_str());
        return 2;
      }
      demo = std::make_unique<kvx::sim::RelaySimulation>(std::move(*config));
      const kvx::sim::SimStatus status = demo->StartTcp("127.0.0.1", 0);
      if (!status.ok) {
        std::fprintf(stderr, "kvx-comm: --demo: %s\n", status.error.c_str());
        return 2;
      }
      options.connectTcpPortAtStart = demo->TcpPort();
    }
    // The demo relay takes the simulator's control commands ("trip 34",
    // "silent on", "help") typed in the terminal the program was started from.
    std::atomic<bool> stopControl{false};
    std::thread control;
    if (demo) {
      control = std::thread(
          [&] { kvx::sim::ServeControlChannel(*demo, STDIN_FILENO, stdout, stopControl); });
    }
    struct ControlEnd {
      std::atomic<bool>& stop;
      std::thread& thread;
      ~ControlEnd() {
        stop = true;
        if (thread.joinable()) thread.join();
      }
    } controlEnd{stopControl, control};
    kvx::MainWindow mainWindow(options);
    mainWindow.show();
    if (TestMode()) {
      std::fprintf(stdout, "kvx-comm: ready\n");
      std::fflush(stdout);
    }
    app.exec();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QString::fromLatin1(kProgramName),
                          QString::fromLocal8Bit(e.what()));
  }
  return 0;
}
