#pragma once
// How a typed password is compared with the relay's, and what the change
// dialog accepts as a new one.

#include <string_view>

namespace kvx {

// Only the first four characters of each take part, case-sensitive; a text
// shorter than four characters is compared whole ("12" matches only "12").
bool PasswordMatches(std::string_view stored, std::string_view typed);

// The characters the relay's own keypad can enter: "-" "." "/" "0".."9",
// "A".."Z", "a".."z" and space. (Backspace and delete are editing keys of the
// dialog, not password characters.)
bool IsKeypadPasswordCharacter(char c);

// The change dialog closes with OK only for exactly four characters; with
// the keypad limit on, each must be a keypad character.
bool NewPasswordAcceptable(std::string_view text, bool keypadLimit);

}  // namespace kvx
