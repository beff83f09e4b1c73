#include "session/setting_edit.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "session/password_rules.h"
#include "setpoints/number_text.h"
#include "setpoints/option_list.h"
#include "setpoints/text_encoding.h"
#include "setpoints/type_codes.h"

namespace kvx {
namespace {

constexpr std::size_t kTextCharacters = 20;

SettingEdit Refuse(std::string why) {
  return {false, {}, std::move(why)};
}

// The register's own bounds beside the setting's MIN..MAX: a 16-bit register
// keeps only the low 16 bits, a 32-bit integer pair would wrap.
bool WithinRegister(WriteForm form, double v) {
  switch (form) {
    case WriteForm::Unsigned:
      return v >= 0 && v <= 65535;
    case WriteForm::Int32:
      return v >= -2147483648.0 && v <= 2147483647.0;
    case WriteForm::Float:
      return std::fabs(v) <= 3.4028234663852886e38;
    case WriteForm::Text:
    case WriteForm::None:
      break;
  }
  return true;
}

bool WholeNumberForm(int typeCode, WriteForm form) {
  return IsListTypeCode(typeCode) || form == WriteForm::Unsigned || form == WriteForm::Int32;
}

// Why number `v` (as `shown`) cannot be written to `s`; empty when it can.
std::string NumberProblem(const SettingRecord& s, WriteForm form, double v,
                          std::string_view shown) {
  if (WholeNumberForm(s.typeCode, form) && std::floor(v) != v) {
    return std::string(shown) + " is not a whole number";
  }
  const double lo = ParseNumber(s.minText).value_or(0);
  const double hi = ParseNumber(s.maxText).value_or(0);
  if (v < lo || v > hi || !WithinRegister(form, v)) {
    return std::string(shown) + " is outside " + s.minText + " .. " + s.maxText;
  }
  if (IsListTypeCode(s.typeCode)) {
    const auto lines = OptionLines(s.typeCode);
    if (!lines.empty() && v >= static_cast<double>(lines.size())) {
      return std::string(shown) + " is beyond the " + std::to_string(lines.size()) +
             " choices of the list";
    }
  }
  return {};
}

SettingEdit CheckNumber(const SettingRecord& s, WriteForm form, std::string_view typed) {
  const auto v = ParseNumber(typed);
  if (!v) return Refuse("'" + std::string(typed) + "' is not a number");
  std::string problem = NumberProblem(s, form, *v, typed);
  if (!problem.empty()) return Refuse(std::move(problem));
  if (WholeNumberForm(s.typeCode, form)) return {true, FormatGeneral(*v), {}};
  return {true, form == WriteForm::Float ? FormatFixed(*v, 2) : FormatGeneral(*v), {}};
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
  if (typed.size() > kTextCharacters) return Refuse("a text holds at most 20 characters");
  if (!std::all_of(typed.begin(), typed.end(), IsTextSettingCharacter)) {
    return Refuse("a text may hold only letters, digits, space and - . /");
  }
  return {true, std::string(typed), {}};
}

// A text the relay stores as it is: valid UTF-8, at most 20 characters, each
// one byte of Latin-1 (anything else would be cut or turned into '?').
std::string TextProblem(const std::string& text) {
  if (!IsValidUtf8(text)) return "the text is not valid UTF-8";
  if (Utf8Length(text) > kTextCharacters) {
    return "'" + text + "' is longer than 20 characters";
  }
  if (Latin1ToUtf8(Utf8ToLatin1(text)) != text) {
    return "'" + text + "' holds characters the relay cannot store";
  }
  return {};
}

}  // namespace

bool IsTextSettingCharacter(char c) {
  return IsKeypadPasswordCharacter(c);
}

bool IsCommentCharacter(char c) {
  return c >= ' ' && c < 127;
}

SettingEdit CheckSettingEdit(const SettingRecord& s, std::string_view typed) {
  if (s.setting.empty()) return Refuse("no setting at this register");
  if (s.access != 0) return Refuse(s.setting + " is read-only");
  const TypeCodeInfo info = DescribeTypeCode(s.typeCode);
  if (info.write == WriteForm::None) return Refuse(s.setting + " cannot be written");
  if (IsListTypeCode(s.typeCode)) return CheckChoice(s, typed);
  switch (info.write) {
    case WriteForm::Float:
    case WriteForm::Unsigned:
    case WriteForm::Int32:
      return CheckNumber(s, info.write, typed);
    case WriteForm::Text:
      return CheckText(typed);
    case WriteForm::None:
      break;
  }
  return Refuse(s.setting + " cannot be written");
}

std::string SettingValueProblem(const SettingRecord& s) {
  if (s.setting.empty() || s.access != 0) return {};
  const TypeCodeInfo info = DescribeTypeCode(s.typeCode);
  switch (info.write) {
    case WriteForm::None:
      return {};
    case WriteForm::Text:
      return TextProblem(s.value);
    case WriteForm::Float:
    case WriteForm::Unsigned:
    case WriteForm::Int32:
      break;
  }
  const auto v = ParseNumber(s.value);
  if (!v) return "'" + s.value + "' is not a number";
  return NumberProblem(s, info.write, *v, s.value);
}

std::vector<RefusedValue> RefusedValuesToWrite(const SettingStore& store,
                                               const SettingStore* unit) {
  std::set<int> registers;
  for (int g = 0; g < kSetpointGroupLimit; ++g) {
    const SettingGroup& group = store.groups[g];
    if (group.name.empty()) continue;
    for (int x : group.RegisterList()) {
      if (x >= 0 && x < kSettingCount) registers.insert(x);
    }
  }
  std::vector<RefusedValue> refused;
  for (int x : registers) {
    const SettingRecord& s = store.settings[x];
    std::string reason = SettingValueProblem(s);
    if (reason.empty() && unit) {
      const SettingRecord& own = unit->settings[x];
      if (!own.setting.empty() && own.typeCode == s.typeCode) {
        SettingRecord limited = own;
        limited.value = s.value;
        limited.access = 0;
        reason = SettingValueProblem(limited);
        if (!reason.empty()) reason += " (the relay's own definitions)";
      }
    }
    if (!reason.empty()) refused.push_back({x, s.setting, s.value, std::move(reason)});
  }
  return refused;
}

std::string DescribeRefusedValue(const RefusedValue& r) {
  return "register " + std::to_string(r.reg) + " (" + r.setting + "): " + r.reason;
}

}  // namespace kvx
