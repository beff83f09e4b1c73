#include "shell/help_errors.h"

namespace kvx {

std::string HelpOpenErrorText(int code, const std::string& name) {
  switch (code) {
    case 0:
    case 8:
      return "There was not enough memory available to open the web browser.\n"
             "Try closing other programs or restarting your computer.";
    case 2:
    case 3:
      return "The help file that is distributed with " + name +
             " was not found.\nIt may not have been installed or may have been erased.  " + name +
             "\nmay have to be reinstalled to have access to these files.";
    case 5:
    case 26:
      return "The help files have been installed with the wrong permissions.\n"
             "To view the help files their user and group id security permissions\n"
             "must be set to allow you access to them.";
    case 11:
    case 27:
    case 31:
      return "An error occured openning a web browser to view the help file.\n"
             "A web browser must be present to view these files.  To view the\n"
             "files manually, open \"helpindex.html\" in the " +
             name + " installation\ndirectory.";
    default:
      return "A system error occured.  The system may be busy.\n"
             "Try openning the help files again, if this error occurs again\n"
             "try closing other programs or restarting your computer.";
  }
}

}  // namespace kvx
