#pragma once
// Typed and raw register access on top of the register access layer. Safe to
// call from several threads at once, each with its own CommSettings.

#include <cstdint>
#include <span>
#include <string>

#include "comm/comm_error.h"
#include "comm/comm_settings.h"

namespace kvx {

// Reads the registers of one setting and renders them as its value text.
// On failure `valueText` carries no meaning. Counts one packet.
bool ReadSetting(CommSettings& settings, int firstRegister, int typeCode, std::string& valueText);

// Writes a value text. A code that is not writable writes nothing and
// succeeds; a numeric code given a text that is not a number writes nothing
// and fails.
bool WriteSetting(CommSettings& settings, int firstRegister, int typeCode,
                  const std::string& valueText);

// The same, with why the access failed in `why` (no failure on success;
// InvalidArgument when nothing could be sent), its reason ready to show.
bool ReadSetting(CommSettings& settings, int firstRegister, int typeCode, std::string& valueText,
                 CommFailure& why);
bool WriteSetting(CommSettings& settings, int firstRegister, int typeCode,
                  const std::string& valueText, CommFailure& why);

// Reads count (1..300) registers into words[0..count-1] in exchanges of at
// most 100 registers (116 -> 100 + 16), each counted; after a failed exchange
// the rest stay unsent.
bool ReadBlock(CommSettings& settings, int firstRegister, int count,
               std::span<std::uint16_t> words);
// The same, with why the exchange that failed did (no failure on success).
bool ReadBlock(CommSettings& settings, int firstRegister, int count, std::span<std::uint16_t> words,
               CommFailure& why);

}  // namespace kvx
