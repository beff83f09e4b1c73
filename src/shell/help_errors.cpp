#include "shell/help_errors.h"

namespace kvx {

// The texts carry no line breaks of their own inside a sentence: the message
// box wraps them to its width. The page's path stands on a line of its own.
std::string HelpOpenErrorText(int code, const std::string& name, const std::string& page) {
  switch (code) {
    case 0:
    case 8:
      return "There was not enough memory available to open the web browser. "
             "Try closing other programs or restarting your computer.";
    case 2:
    case 3:
      return "The help file that is distributed with " + name + " was not found:\n" + page +
             "\nIt may not have been installed or may have been erased. " + name +
             " may have to be reinstalled to have access to these files.";
    case 5:
    case 26:
      return "The help files have been installed with the wrong permissions:\n" + page +
             "\nTheir user, group and permission settings must allow you to read them.";
    case 11:
    case 27:
    case 31:
      return "An error occurred opening a web browser to view the help file. "
             "A web browser must be present to view these files. "
             "To view them yourself, open this file:\n" +
             page;
    default:
      return "A system error occurred. The system may be busy. "
             "Try opening the help files again; if this error occurs again, "
             "try closing other programs or restarting your computer.";
  }
}

}  // namespace kvx
