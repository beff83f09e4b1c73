#include "comm/serial_port_list.h"

#include "comm/serial_port.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace kvx {
namespace {

std::string Lower(const std::string& text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

}  // namespace

void SortPortNames(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    std::string la = Lower(a), lb = Lower(b);
    return la != lb ? la < lb : a < b;
  });
  names.erase(std::unique(names.begin(), names.end()), names.end());
}

CommError TestSerialPortOpen(const std::string& name) {
  auto port = MakeSerialPort();
  port->SetPortName(name);
  CommError result = port->Open();
  port->Close();
  return result;
}

std::vector<std::string> ListSerialPorts() {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it("/sys/class/tty", ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code probe;
    // Only ttys backed by a device (virtual consoles and ptys have none).
    if (!fs::exists(it->path() / "device", probe)) continue;
    const std::string node = "/dev/" + it->path().filename().string();
    if (fs::exists(node, probe)) names.push_back(node);
  }
  ec.clear();
  for (fs::directory_iterator it("/dev/serial/by-id", ec), end; !ec && it != end;
       it.increment(ec)) {
    names.push_back(it->path().string());
  }
  SortPortNames(names);
  return names;
}

}  // namespace kvx
