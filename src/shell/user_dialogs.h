#pragma once
// Questions and messages a sequence must put to the user. The desktop program
// answers them with its own message box, the command line with flags and
// scripted answers, the tests with ScriptedDialogs.

#include <string>

namespace kvx {

// Which buttons a message offers.
// SaveDontSaveCancel offers "Save", "Don't Save" and "Cancel", answered as
// Yes, No and Cancel.
enum class MessageKind { Ok = 0, OkCancel = 1, SaveDontSaveCancel = 3, YesNo = 4 };

// The button that closed a message.
enum class MessageResult { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;
  // Shows `text` under `caption` with the buttons of `kind`; the button pressed.
  virtual MessageResult Ask(const std::string& caption, const std::string& text,
                            MessageKind kind) = 0;
  // A message with "OK" alone.
  virtual void Tell(const std::string& caption, const std::string& text) {
    Ask(caption, text, MessageKind::Ok);
  }
};

}  // namespace kvx
