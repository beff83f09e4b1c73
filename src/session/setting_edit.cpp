#include "session/setting_edit.h"

#include <algorithm>

#include "setpoints/number_text.h"
#include "setpoints/option_list.h"
#include "setpoints/type_codes.h"

namespace kvx {
namespace {

SettingEdit Refuse(std::string why) {
  return {false, {}, std::move(why)};
}

bool IsTextEditorCharacter(char c) {
  return (c >= '-' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ';
}

SettingEdit CheckNumber(const SettingRecord& s, std::string_view typed, bool twoDecimals) {
  const auto v = ParseNumber(typed);
  if (!v) return Refuse("'" + std::string(typed) + "' is not a number");
  const double lo = ParseNumber(s.minText).value_or(0);
  const double hi = ParseNumber(s.maxText).value_or(0);
  if (*v < lo || *v > hi) {
    return Refuse(std::string(typed) + " is outside " + s.minText + " .. " + s.maxText);
  }
  return {true, twoDecimals ? FormatFixed(*v, 2) : FormatGeneral(*v), {}};
}

SettingEdit CheckChoice(const SettingRecord& s, std::string_view typed) {
  const long long last = ParseInteger(s.maxText).value_or(0);
  const auto lines = OptionLines(s.typeCode);
  long long index = -1;
  if (auto n = ParseInteger(typed)) {
    index = *n;
  } else {
    auto hit = std::find(lines.begin(), lines.end(), typed);
    if (hit != lines.end()) index = hit - lines.begin();
  }
  if (index < 0 || index > last || index >= static_cast<long long>(lines.size())) {
    std::string choices;
    for (long long i = 0; i <= last && i < static_cast<long long>(lines.size()); ++i) {
      choices += (i ? ", " : "") + std::to_string(i) + " " + std::string(lines[i]);
    }
    return Refuse("'" + std::string(typed) + "' is not one of: " + choices);
  }
  return {true, std::to_string(index), {}};
}

SettingEdit CheckText(std::string_view typed) {
  if (typed.size() > 20) return Refuse("a text holds at most 20 characters");
  if (!std::all_of(typed.begin(), typed.end(), IsTextEditorCharacter)) {
    return Refuse("a text may hold only letters, digits, space and - . /");
  }
  return {true, std::string(typed), {}};
}

}  // namespace

SettingEdit CheckSettingEdit(const SettingRecord& s, std::string_view typed) {
  if (s.setting.empty()) return Refuse("no setting at this register");
  if (s.access != 0) return Refuse(s.setting + " is read-only");
  const TypeCodeInfo info = DescribeTypeCode(s.typeCode);
  if (info.write == WriteForm::None) return Refuse(s.setting + " cannot be written");
  if (IsListTypeCode(s.typeCode)) return CheckChoice(s, typed);
  switch (info.write) {
    case WriteForm::Float:
    case WriteForm::Unsigned:
      return CheckNumber(s, typed, true);
    case WriteForm::Int32:
      return CheckNumber(s, typed, false);
    case WriteForm::Text:
      return CheckText(typed);
    case WriteForm::None:
      break;
  }
  return Refuse(s.setting + " cannot be written");
}

}  // namespace kvx
