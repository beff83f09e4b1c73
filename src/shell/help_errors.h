#pragma once
// The message shown when the help start page cannot be opened, by the
// shell's error code.

#include <string>

namespace kvx {

inline constexpr const char* kHelpErrorCaption = "Help File Open Error";
inline constexpr const char* kHelpStartPage = "tlx_index.html";

// Shell error codes this program reports.
enum HelpOpenCode {
  kHelpOutOfMemory = 8,
  kHelpFileNotFound = 2,
  kHelpAccessDenied = 5,
  kHelpNoAssociation = 31,
};

// `page`: the full path of the help start page, named where the user can
// open it without the program.
std::string HelpOpenErrorText(int shellCode, const std::string& programName,
                              const std::string& page);

}  // namespace kvx
