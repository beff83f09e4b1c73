#pragma once
// The simulator program of this build for the widget tests: started on a
// free TCP port (and a pseudo-terminal when asked), stopped with SIGSTOP and
// continued with SIGCONT to play a relay that falls silent and comes back.

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <csignal>
#include <string>

namespace kvx::test {

// The simulator program on a free TCP port; Pause/Resume stop and continue it.
class SimProgram {
 public:
  explicit SimProgram(QStringList extra = {}) {
    QStringList args{QStringLiteral("--model"),    QStringLiteral("DRA"),
                     QStringLiteral("--firmware"), QStringLiteral("197"),
                     QStringLiteral("--tcp"),      QStringLiteral("127.0.0.1:0")};
    args << extra;
    process_.setProgram(QStringLiteral(KVX_BINARY_DIR "/bin/kvx-relay-sim"));
    process_.setArguments(args);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start();
    QElapsedTimer clock;
    clock.start();
    QString out;
    while (clock.elapsed() < 20000 && !ready_) {
      process_.waitForReadyRead(200);
      out += QString::fromUtf8(process_.readAll());
      for (const QString& line : out.split('\n')) {
        if (line.startsWith(QStringLiteral("tcp: "))) port_ = line.section(':', -1).toInt();
        if (line.startsWith(QStringLiteral("rtu: "))) {
          rtuLink_ = line.mid(5).section(QStringLiteral(" -> "), 0, 0).toStdString();
        }
        if (line.trimmed() == QStringLiteral("ready")) ready_ = true;
      }
    }
  }
  ~SimProgram() {
    Resume();
    process_.terminate();
    if (!process_.waitForFinished(3000)) process_.kill();
    process_.waitForFinished(3000);
  }
  bool Ready() const { return ready_; }
  int Port() const { return port_; }
  const std::string& RtuLink() const { return rtuLink_; }
  void Pause() { ::kill(static_cast<pid_t>(process_.processId()), SIGSTOP); }
  void Resume() { ::kill(static_cast<pid_t>(process_.processId()), SIGCONT); }

 private:
  QProcess process_;
  bool ready_ = false;
  int port_ = 0;
  std::string rtuLink_;
};

}  // namespace kvx::test
