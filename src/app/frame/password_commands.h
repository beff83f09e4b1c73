#pragma once
// The Password menu: the grace period after a right password (Timeout) and
// Change Password on the relay.

namespace kvx {

class MainWindow;

class PasswordCommands {
 public:
  explicit PasswordCommands(MainWindow& window) : window_(window) {}

  void Timeout();
  void ChangePassword();

 private:
  MainWindow& window_;
};

}  // namespace kvx
