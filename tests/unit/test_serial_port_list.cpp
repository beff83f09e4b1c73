// Port names: sorted without regard to case, never shortened.

#include <gtest/gtest.h>

#include "comm/serial_port.h"
#include "comm/serial_port_list.h"

namespace kvx {
namespace {

TEST(SerialPortList, SortsCaseInsensitivelyDropsDuplicatesKeepsFullNames) {
  const std::string longName =
      "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0-with-a-very-long-suffix";
  std::vector<std::string> names{"/dev/ttyUSB1", "/dev/ttyS0", longName, "/dev/ttyusb0",
                                 "/dev/ttyS0"};
  SortPortNames(names);
  EXPECT_EQ(names,
            (std::vector<std::string>{longName, "/dev/ttyS0", "/dev/ttyusb0", "/dev/ttyUSB1"}));
}

TEST(SerialPortList, ListsOnlyFullDeviceNames) {
  for (const std::string& name : ListSerialPorts()) EXPECT_EQ(name.rfind("/dev/", 0), 0u) << name;
}

TEST(SerialPort, AcceptsOnlyTheThreeRelayBaudRates) {
  auto port = MakeSerialPort();
  EXPECT_EQ(port->BaudRate(), 9600);
  for (int baud : {9600, 19200, 38400}) EXPECT_TRUE(port->SetBaudRate(baud)) << baud;
  for (int baud : {0, 1200, 4800, 57600, 115200}) EXPECT_FALSE(port->SetBaudRate(baud)) << baud;
  EXPECT_EQ(port->BaudRate(), 38400);
}

}  // namespace
}  // namespace kvx
