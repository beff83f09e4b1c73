#include "session/password_rules.h"

#include <algorithm>

namespace kvx {

bool PasswordMatches(std::string_view stored, std::string_view typed) {
  return stored.substr(0, 4) == typed.substr(0, 4);
}

bool IsKeypadPasswordCharacter(char c) {
  return (c >= '-' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ';
}

bool NewPasswordAcceptable(std::string_view text, bool keypadLimit) {
  if (text.size() != 4) return false;
  return !keypadLimit || std::all_of(text.begin(), text.end(), IsKeypadPasswordCharacter);
}

}  // namespace kvx
