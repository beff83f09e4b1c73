#pragma once
// Texts are held as UTF-8 everywhere in the program. The relay stores one
// byte per character (taken as Latin-1), and XML files may name a single-byte
// encoding; these helpers convert at those edges.

#include <cstddef>
#include <string>
#include <string_view>

namespace kvx {

bool IsValidUtf8(std::string_view text);

// Number of characters (code points) of valid UTF-8.
std::size_t Utf8Length(std::string_view text);

// The first `maxChars` characters, never splitting a character.
std::string_view Utf8Prefix(std::string_view text, std::size_t maxChars);

std::string Latin1ToUtf8(std::string_view bytes);
std::string Windows1252ToUtf8(std::string_view bytes);

// One byte per character; characters beyond Latin-1 become '?'.
std::string Utf8ToLatin1(std::string_view text);

}  // namespace kvx
