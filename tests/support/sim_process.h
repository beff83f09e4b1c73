#pragma once
// Runs the kvx-relay-sim program of this build for a test: starts it with the
// given arguments, waits (bounded) until it is ready and reads the TCP port
// and pseudo-terminal path it reports. The destructor stops it with SIGTERM.
//
//   kvx::test::SimProcess sim({"--model", "DRA", "--firmware", "197",
//                              "--tcp", "127.0.0.1:0"});
//   ASSERT_TRUE(sim.Ready()) << sim.Output();
//   connect to 127.0.0.1:sim.TcpPort() ...

#include <sys/types.h>

#include <string>
#include <vector>

namespace kvx::test {

class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args, int readySeconds = 20);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  bool Ready() const { return ready_; }
  int TcpPort() const { return tcpPort_; }
  const std::string& RtuLink() const { return rtuLink_; }      // as given to --rtu-pty
  const std::string& RtuDevice() const { return rtuDevice_; }  // /dev/pts/N
  const std::string& Output() const { return output_; }        // what it printed so far
  pid_t Pid() const { return pid_; }

  // Sends `signal` and waits (bounded) for the program to end; its exit
  // status as waitpid reports it, or -1 when it did not end in time.
  int Stop(int signal = 15);

  // Sends one line to the simulator's control channel ("silent on").
  bool Control(const std::string& line);

  static std::string ProgramPath();

 private:
  pid_t pid_ = -1;
  int outFd_ = -1;
  int controlFd_ = -1;
  bool ready_ = false;
  int tcpPort_ = 0;
  std::string rtuLink_;
  std::string rtuDevice_;
  std::string output_;
};

}  // namespace kvx::test
