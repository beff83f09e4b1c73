// Exchanges per second reading 1 and 100 holding registers over loopback TCP
// and over a pty cable, through our register access layer and through
// libmodbus's own master, against the same libmodbus slave in the same run.
// Prints the figures and our/libmodbus ratio; never fails on a number.

#include <modbus/modbus.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "comm/posix_serial_port.h"
#include "comm/posix_tcp_client.h"
#include "comm/register_access.h"
#include "peers/libmodbus_slave.h"
#include "support/pty_pair.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kSlice = std::chrono::milliseconds(700);
constexpr int kRounds = 3;
constexpr int kRtuUnit = 17;

// Exchanges per second of `exchange` over one time slice; -1 after a failure.
double Rate(const std::function<bool()>& exchange) {
  for (int i = 0; i < 5; ++i) exchange();  // warm up
  int done = 0;
  const auto start = Clock::now();
  auto now = start;
  while (now - start < kSlice) {
    if (!exchange()) return -1;
    ++done;
    now = Clock::now();
  }
  return done / std::chrono::duration<double>(now - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Report(const char* transport, int count, double ours, double theirs) {
  std::printf("%-9s %9d %12.0f %12.0f %8.2f\n", transport, count, ours, theirs,
              theirs > 0 ? ours / theirs : 0.0);
}

void BenchTcp() {
  kvx::peer::LibmodbusSlave slave;
  if (!slave.Ok()) {
    std::printf("tcp: libmodbus slave did not start\n");
    return;
  }
  for (int count : {1, 100}) {
    std::vector<double> ours, theirs;
    std::vector<std::uint16_t> words(static_cast<std::size_t>(count));
    for (int round = 0; round < kRounds; ++round) {
      {
        kvx::PosixTcpClient client;
        client.SetRemoteHost("127.0.0.1");
        client.SetRemotePort(slave.Port());
        kvx::CommSettings settings;
        settings.tcpClient = &client;
        settings.protocol = kvx::ProtocolKind::ModbusTcp;
        ours.push_back(Rate([&] { return kvx::ReadRegisters(settings, 0, count, words); }));
      }
      modbus_t* ctx = modbus_new_tcp("127.0.0.1", slave.Port());
      modbus_set_slave(ctx, 254);
      if (modbus_connect(ctx) == 0) {
        theirs.push_back(
            Rate([&] { return modbus_read_registers(ctx, 0, count, words.data()) == count; }));
      }
      modbus_close(ctx);
      modbus_free(ctx);
    }
    Report("tcp", count, Median(ours), theirs.empty() ? -1 : Median(theirs));
  }
}

void BenchRtu() {
  kvx::test::PtyCable cable;
  kvx::peer::LibmodbusSlave slave(cable.EndB(), kRtuUnit);
  if (!slave.Ok()) {
    std::printf("rtu: libmodbus slave did not start\n");
    return;
  }
  for (int count : {1, 100}) {
    std::vector<double> ours, theirs;
    std::vector<std::uint16_t> words(static_cast<std::size_t>(count));
    for (int round = 0; round < kRounds; ++round) {
      {
        kvx::PosixSerialPort port;
        port.SetPortName(cable.EndA());
        kvx::CommSettings settings;
        settings.serialPort = &port;
        settings.unitAddress = kRtuUnit;
        ours.push_back(Rate([&] { return kvx::ReadRegisters(settings, 0, count, words); }));
      }
      modbus_t* ctx = modbus_new_rtu(cable.EndA().c_str(), 9600, 'N', 8, 1);
      modbus_set_slave(ctx, kRtuUnit);
      if (modbus_connect(ctx) == 0) {
        theirs.push_back(
            Rate([&] { return modbus_read_registers(ctx, 0, count, words.data()) == count; }));
      }
      modbus_close(ctx);
      modbus_free(ctx);
    }
    Report("rtu (pty)", count, Median(ours), theirs.empty() ? -1 : Median(theirs));
  }
}

}  // namespace

int main() {
  std::printf("exchanges per second, median of %d slices of %lld ms, libmodbus %s slave\n", kRounds,
              static_cast<long long>(kSlice.count()), LIBMODBUS_VERSION_STRING);
  std::printf("%-9s %9s %12s %12s %8s\n", "link", "registers", "kvx", "libmodbus", "ratio");
  BenchTcp();
  BenchRtu();
  return 0;
}
