#include "setpoints/register_values.h"

#include <array>

#include "comm/register_access.h"
#include "comm/register_access_report.h"
#include "setpoints/packet_counters.h"
#include "setpoints/setting_codec.h"
#include "setpoints/type_codes.h"

namespace kvx {

bool ReadSetting(CommSettings& settings, int firstRegister, int typeCode, std::string& valueText) {
  CommFailure why;
  return ReadSetting(settings, firstRegister, typeCode, valueText, why);
}

bool ReadSetting(CommSettings& settings, int firstRegister, int typeCode, std::string& valueText,
                 CommFailure& why) {
  const TypeCodeInfo info = DescribeTypeCode(typeCode);
  if (info.read == ReadForm::None) {
    valueText = "ERROR";
    why = {CommError::InvalidArgument, "type code " + std::to_string(typeCode) + " of register " +
                                           std::to_string(firstRegister) + " cannot be read"};
    CountPacket(false);
    return false;
  }
  std::array<std::uint16_t, 10> words{};
  const AccessReport report =
      ReadRegistersReport(settings, firstRegister, info.registers,
                          std::span<std::uint16_t>(words.data(), info.registers));
  valueText = DecodeSetting(typeCode, words);
  why = FailureOf(report);
  CountPacket(report.ok);
  return report.ok;
}

bool WriteSetting(CommSettings& settings, int firstRegister, int typeCode,
                  const std::string& valueText) {
  CommFailure why;
  return WriteSetting(settings, firstRegister, typeCode, valueText, why);
}

bool WriteSetting(CommSettings& settings, int firstRegister, int typeCode,
                  const std::string& valueText, CommFailure& why) {
  const EncodedSetting e = EncodeSetting(typeCode, valueText);
  why = {};
  switch (e.kind) {
    case EncodedSetting::Kind::Nothing:
      return true;
    case EncodedSetting::Kind::Invalid:
      why = {CommError::InvalidArgument,
             "'" + valueText + "' cannot be written to register " + std::to_string(firstRegister)};
      return false;
    case EncodedSetting::Kind::Words:
      break;
  }
  const AccessReport report = WriteRegistersReport(
      settings, firstRegister, e.count, std::span<const std::uint16_t>(e.words.data(), e.count));
  why = FailureOf(report);
  return report.ok;
}

bool ReadBlock(CommSettings& settings, int firstRegister, int count,
               std::span<std::uint16_t> words) {
  CommFailure why;
  return ReadBlock(settings, firstRegister, count, words, why);
}

bool ReadBlock(CommSettings& settings, int firstRegister, int count, std::span<std::uint16_t> words,
               CommFailure& why) {
  why = {};
  if (count < 1 || count > 300 || words.size() < static_cast<std::size_t>(count)) {
    why = {CommError::InvalidArgument, "a block of " + std::to_string(count) + " registers"};
    return false;
  }
  // Exchanges of at most 100 registers, each counted; a failure leaves the
  // rest unsent. The link lock is released between them, so another thread's
  // exchange may come in between, which is harmless for a poll.
  for (int done = 0; done < count; done += 100) {
    const int part = count - done < 100 ? count - done : 100;
    const AccessReport report =
        ReadRegistersReport(settings, firstRegister + done, part, words.subspan(done, part));
    CountPacket(report.ok);
    if (!report.ok) {
      why = FailureOf(report);
      return false;
    }
  }
  return true;
}

}  // namespace kvx
