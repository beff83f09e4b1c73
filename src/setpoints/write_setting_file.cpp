#include "setpoints/write_setting_file.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "setpoints/number_text.h"
#include "setpoints/setting_columns.h"
#include "setpoints/text_encoding.h"
#include "setpoints/type_codes.h"

namespace kvx {
namespace {

enum Column {
  kCfgName,
  kCfgValue,
  kGOrder,
  kMain,
  kMainType,
  kGroup,
  kRegister,
  kSetting,
  kSOrder,
  kType,
  kMin,
  kMax,
  kDefault,
  kAccess,
  kUnits,
  kComments,
  kColumnCount
};

// The shortest text that reads back as the same single (for settings the
// relay holds as one), checked rather than trusted.
std::optional<std::string> ShortestSingle(double value) {
  if (!(std::fabs(value) <= std::numeric_limits<float>::max())) return std::nullopt;
  const float f = static_cast<float>(value);
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, f);
  std::string text(buf, r.ptr);
  const auto back = ParseNumber(text);
  if (!back || static_cast<float>(*back) != f) return std::nullopt;
  return text;
}

// A number text longer than the column is never cut (a cut number reads back
// as another number): it is written in a shorter form that reads back as the
// same value, or not at all. Other texts are cut to the width, as the relay's
// text registers cut them too.
std::optional<std::string> FittingText(std::string_view text, std::size_t width,
                                       const TypeCodeInfo& type) {
  const bool isText = type.write == WriteForm::Text;
  // Singles, and the dates and times that travel as a single's bit pattern.
  const bool single = type.write == WriteForm::Float || type.display == DisplayForm::Date ||
                      type.display == DisplayForm::Time;
  if (Utf8Length(text) <= width) return std::string(text);
  const auto v = ParseNumber(text);
  if (!v) {
    const std::string_view cut = Utf8Prefix(text, width);
    // A cut that happens to read as a number would be taken for one.
    if (!isText && ParseNumber(cut)) return std::nullopt;
    return std::string(cut);
  }
  if (isText) return std::string(Utf8Prefix(text, width));
  if (std::string s = FormatShortest(*v); s.size() <= width) return s;
  if (single) {
    if (auto s = ShortestSingle(*v); s && s->size() <= width) return s;
  }
  return std::nullopt;
}

class RowBuilder {
 public:
  explicit RowBuilder(const std::vector<FieldDef>& fields) : fields_(fields), row_(kColumnCount) {}
  // An empty text stays null: both read back as the empty text.
  RowBuilder& Text(Column c, std::string_view text) {
    if (text.empty()) return *this;
    row_[c] = std::string(Utf8Prefix(text, Width(c)));
    return *this;
  }
  // A number held as text (the DEFAULT value, the Firmware number).
  RowBuilder& NumberAsText(Column c, std::string_view text, const TypeCodeInfo& type,
                           std::string& error, const std::string& what) {
    if (text.empty()) return *this;
    const auto fitting = FittingText(text, Width(c), type);
    if (!fitting) {
      if (error.empty())
        error = what + ": \"" + std::string(text) + "\" has no exact form within the " +
                std::to_string(Width(c)) + " characters of the file's " + fields_[c].name +
                " column; nothing was saved";
      return *this;
    }
    row_[c] = *fitting;
    return *this;
  }
  RowBuilder& Number(Column c, double v) {
    row_[c] = v;
    return *this;
  }
  RowBuilder& NumberText(Column c, const std::string& text) {
    if (const auto v = ParseNumber(text)) row_[c] = *v;
    return *this;
  }
  PacketRow Take() { return std::move(row_); }

 private:
  std::size_t Width(Column c) const { return static_cast<std::size_t>(fields_[c].width); }
  const std::vector<FieldDef>& fields_;
  PacketRow row_;
};

}  // namespace

PacketResult BuildSettingPacket(const SettingStore& store, const SettingProgress& progress) {
  PacketResult result;
  DataPacket& p = result.packet;
  std::string error;
  p.fields = SettingFileColumns();
  p.rows.push_back(
      RowBuilder(p.fields).Text(kCfgName, "Unit").Text(kCfgValue, store.unitName).Take());
  p.rows.push_back(RowBuilder(p.fields)
                       .Text(kCfgName, "Firmware")
                       .NumberAsText(kCfgValue, std::to_string(store.definitionFirmware),
                                     DescribeTypeCode(2), error, "the Firmware number")
                       .Take());
  for (int n = 0; n < 999; ++n) {
    const SettingGroup& g = store.groups[n];
    if (g.name.empty()) continue;
    p.rows.push_back(
        RowBuilder(p.fields).Number(kGOrder, n).Text(kMain, g.name).Text(kMainType, g.kind).Take());
  }
  for (int r = 0; r < kSettingCount; ++r) {
    const SettingRecord& e = store.settings[r];
    if (e.setting.empty()) continue;
    if (progress) progress("Saving File", r);
    p.rows.push_back(RowBuilder(p.fields)
                         .Text(kGroup, e.group)
                         .Number(kRegister, r)
                         .Text(kSetting, e.setting)
                         .Number(kSOrder, e.order)
                         .Number(kType, e.typeCode)
                         .NumberText(kMin, e.minText)
                         .NumberText(kMax, e.maxText)
                         .NumberAsText(kDefault, e.value, DescribeTypeCode(e.typeCode), error,
                                       "register " + std::to_string(r) + " (" + e.setting + ")")
                         .Number(kAccess, e.access)
                         .Text(kUnits, e.units)
                         .Text(kComments, e.comment)
                         .Take());
  }
  if (!error.empty()) return PacketResult::Fail(error);
  result.ok = true;
  return result;
}

WriteResult WriteSettingFile(const SettingStore& store, const std::filesystem::path& path,
                             const SettingProgress& progress) {
  const PacketResult built = BuildSettingPacket(store, progress);
  if (!built.ok) return {false, built.error};
  return WritePacketFile(path, built.packet, PacketFormForPath(path));
}

}  // namespace kvx
