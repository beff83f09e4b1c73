#pragma once
// The Help menu: About, the help contents in the system's browser, and the
// colours of the windows (Edit Colors).

namespace kvx {

class MainWindow;

class HelpCommands {
 public:
  explicit HelpCommands(MainWindow& window) : window_(window) {}

  void About();
  void Contents();
  void EditColors();

 private:
  MainWindow& window_;
};

}  // namespace kvx
