// How fast the simulated relay answers: libmodbus's master reading 1 and 100
// holding registers over loopback TCP from the simulator and, in the same
// run, from libmodbus's own slave (ratio simulator/libmodbus); and the same
// reads from the simulator over its pty, where no peer slave is measured.
// Prints figures; never fails on a number.

#include <modbus/modbus.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "comm/posix_serial_port.h"
#include "comm/register_access.h"
#include "peers/libmodbus_slave.h"
#include "sim/relay_simulation.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kSlice = std::chrono::milliseconds(700);

// Reads per second over one slice; -1 after a failure.
double Rate(modbus_t* ctx, int first, int count) {
  std::uint16_t w[125];
  for (int i = 0; i < 5; ++i) modbus_read_registers(ctx, first, count, w);
  int done = 0;
  const auto start = Clock::now();
  auto now = start;
  while (now - start < kSlice) {
    if (modbus_read_registers(ctx, first, count, w) != count) return -1;
    ++done;
    now = Clock::now();
  }
  return done / std::chrono::duration<double>(now - start).count();
}

double Median3(modbus_t* ctx, int first, int count) {
  std::vector<double> v;
  for (int i = 0; i < 3; ++i) v.push_back(Rate(ctx, first, count));
  std::sort(v.begin(), v.end());
  return v[1];
}

modbus_t* Tcp(int port, int unit) {
  modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
  modbus_set_slave(ctx, unit);
  modbus_set_response_timeout(ctx, 2, 0);
  if (modbus_connect(ctx) != 0) {
    modbus_free(ctx);
    return nullptr;
  }
  return ctx;
}

}  // namespace

int main() {
  kvx::sim::RelayConfig config;
  kvx::sim::ServerOptions options;
  options.unit = 17;
  kvx::sim::RelaySimulation sim(config, options);
  if (!sim.StartTcp().ok || !sim.StartRtuPty().ok) {
    std::printf("cannot start the simulator\n");
    return 0;
  }
  kvx::peer::LibmodbusSlave slave;
  modbus_t* toSim = Tcp(sim.TcpPort(), 17);
  modbus_t* toSlave = slave.Ok() ? Tcp(slave.Port(), 17) : nullptr;
  std::printf("%-9s %6s %14s %14s %8s\n", "link", "regs", "sim reads/s", "libmodbus/s", "ratio");
  for (int count : {1, 100}) {
    // registers 1000.. hold settings-free words in both
    const double ours = toSim ? Median3(toSim, 1000, count) : -1;
    const double theirs = toSlave ? Median3(toSlave, 1000, count) : -1;
    std::printf("%-9s %6d %14.0f %14.0f %8.2f\n", "tcp", count, ours, theirs,
                theirs > 0 ? ours / theirs : 0.0);
  }
  modbus_t* rtu = modbus_new_rtu(sim.RtuPath().c_str(), 38400, 'N', 8, 1);
  modbus_set_slave(rtu, 17);
  modbus_set_response_timeout(rtu, 2, 0);
  if (modbus_connect(rtu) == 0) {
    for (int count : {1, 100}) {
      std::printf("%-9s %6d %14.0f %14s %8s\n", "rtu-pty", count, Median3(rtu, 1000, count), "-",
                  "-");
    }
    modbus_close(rtu);
  }
  modbus_free(rtu);
  // our own master over the same pty, for comparison with libmodbus's
  kvx::PosixSerialPort port;
  port.SetPortName(sim.RtuPath());
  kvx::CommSettings settings;
  settings.serialPort = &port;
  settings.unitAddress = 17;
  for (int count : {1, 100}) {
    std::vector<std::uint16_t> w(static_cast<std::size_t>(count));
    std::vector<double> v;
    for (int round = 0; round < 3; ++round) {
      int done = 0;
      const auto start = Clock::now();
      auto now = start;
      while (now - start < kSlice) {
        if (!kvx::ReadRegisters(settings, 1000, count, w)) break;
        ++done;
        now = Clock::now();
      }
      v.push_back(done / std::chrono::duration<double>(now - start).count());
    }
    std::sort(v.begin(), v.end());
    std::printf("%-9s %6d %14.0f %14s %8s  (our master)\n", "rtu-pty", count, v[1], "-", "-");
  }
  for (modbus_t* ctx : {toSim, toSlave}) {
    if (ctx) {
      modbus_close(ctx);
      modbus_free(ctx);
    }
  }
  return 0;
}
