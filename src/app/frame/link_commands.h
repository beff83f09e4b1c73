#pragma once
// The Communications menu: Connect (the options dialog, then the connect
// sequence on the link worker) and Disconnect.

#include "shell/comm_options.h"

namespace kvx {

class MainWindow;

class LinkCommands {
 public:
  explicit LinkCommands(MainWindow& window) : window_(window) {}

  void Connect();
  // Configures the link from `options` and runs the connect sequence.
  bool ConnectWith(const CommOptions& options);
  void Disconnect();

 private:
  MainWindow& window_;
};

}  // namespace kvx
