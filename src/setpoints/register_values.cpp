#include "setpoints/register_values.h"

#include <array>

#include "comm/register_access.h"
#include "setpoints/packet_counters.h"
#include "setpoints/setting_codec.h"
#include "setpoints/type_codes.h"

namespace kvx {

bool ReadSetting(CommSettings& settings, int firstRegister, int typeCode, std::string& valueText) {
  const TypeCodeInfo info = DescribeTypeCode(typeCode);
  if (info.read == ReadForm::None) {
    valueText = "ERROR";
    CountPacket(false);
    return false;
  }
  std::array<std::uint16_t, 10> words{};
  const bool ok = ReadRegisters(settings, firstRegister, info.registers,
                                std::span<std::uint16_t>(words.data(), info.registers));
  valueText = DecodeSetting(typeCode, words);
  CountPacket(ok);
  return ok;
}

bool WriteSetting(CommSettings& settings, int firstRegister, int typeCode,
                  const std::string& valueText) {
  const EncodedSetting e = EncodeSetting(typeCode, valueText);
  switch (e.kind) {
    case EncodedSetting::Kind::Nothing:
      return true;
    case EncodedSetting::Kind::Invalid:
      return false;
    case EncodedSetting::Kind::Words:
      break;
  }
  return WriteRegisters(settings, firstRegister, e.count,
                        std::span<const std::uint16_t>(e.words.data(), e.count));
}

bool ReadBlock(CommSettings& settings, int firstRegister, int count,
               std::span<std::uint16_t> words) {
  if (count < 1 || count > 300 || words.size() < static_cast<std::size_t>(count)) return false;
  // Exchanges of at most 100 registers, each counted; a failure leaves the
  // rest unsent. The link lock is released between them, so another thread's
  // exchange may come in between, which is harmless for a poll.
  for (int done = 0; done < count; done += 100) {
    const int part = count - done < 100 ? count - done : 100;
    const bool ok = ReadRegisters(settings, firstRegister + done, part, words.subspan(done, part));
    CountPacket(ok);
    if (!ok) return false;
  }
  return true;
}

}  // namespace kvx
