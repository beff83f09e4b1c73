#pragma once
// A libmodbus slave on its own thread, over loopback TCP (a free port) or a
// serial device, for peer tests and the benchmark. Holding registers 0..1999
// start as their address times 7 plus 3, coils 0..99 exist; anything else
// gets libmodbus's exception reply (illegal data address).

#include <arpa/inet.h>
#include <modbus/modbus.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>
#include <thread>

namespace kvx::peer {

class LibmodbusSlave {
 public:
  static constexpr int kRegisters = 2000;

  // Modbus TCP on 127.0.0.1.
  LibmodbusSlave() {
    ctx_ = modbus_new_tcp("127.0.0.1", 0);
    listener_ = ctx_ ? modbus_tcp_listen(ctx_, 1) : -1;
    if (listener_ >= 0) {
      sockaddr_in address{};
      socklen_t length = sizeof address;
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
      port_ = ntohs(address.sin_port);
    }
    Start();
  }

  // Modbus RTU on `device` as slave `unit` (libmodbus serves ids 1..247).
  LibmodbusSlave(const std::string& device, int unit) {
    ctx_ = modbus_new_rtu(device.c_str(), 9600, 'N', 8, 1);
    if (ctx_ && (modbus_set_slave(ctx_, unit) != 0 || modbus_connect(ctx_) != 0)) {
      modbus_free(ctx_);
      ctx_ = nullptr;
    }
    Start();
  }

  ~LibmodbusSlave() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
    if (ctx_) {
      modbus_close(ctx_);
      modbus_free(ctx_);
    }
    if (mapping_) modbus_mapping_free(mapping_);
  }

  bool Ok() const { return ctx_ != nullptr && (port_ != 0 || listener_ < 0); }
  std::uint16_t Port() const { return port_; }
  std::uint16_t Register(int address) const { return mapping_->tab_registers[address]; }

 private:
  void Start() {
    if (!ctx_) return;
    mapping_ = modbus_mapping_new(100, 0, kRegisters, 0);
    for (int i = 0; i < kRegisters; ++i) {
      mapping_->tab_registers[i] = static_cast<std::uint16_t>(i * 7 + 3);
    }
    // Without an indication time-out modbus_receive blocks for ever and the
    // thread would never see the stop request.
    modbus_set_indication_timeout(ctx_, 0, 50000);
    thread_ = std::thread([this] { Run(); });
  }

  void Run() {
    std::uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    bool connected = listener_ < 0;
    while (!stop_) {
      if (!connected) {
        pollfd pfd{listener_, POLLIN, 0};
        if (poll(&pfd, 1, 20) <= 0) continue;
        int s = listener_;
        connected = modbus_tcp_accept(ctx_, &s) >= 0;
        continue;
      }
      int n = modbus_receive(ctx_, query);
      if (n > 0) {
        modbus_reply(ctx_, query, n, mapping_);
      } else if (n < 0 && errno != ETIMEDOUT && listener_ >= 0) {
        modbus_close(ctx_);  // the client went away: wait for the next one
        connected = false;
      } else if (n < 0 && errno != ETIMEDOUT) {
        modbus_flush(ctx_);
      }
    }
  }

  modbus_t* ctx_ = nullptr;
  modbus_mapping_t* mapping_ = nullptr;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace kvx::peer
