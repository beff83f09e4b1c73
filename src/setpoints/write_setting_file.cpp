#include "setpoints/write_setting_file.h"

#include "setpoints/number_text.h"
#include "setpoints/setting_columns.h"
#include "setpoints/text_encoding.h"

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

class RowBuilder {
 public:
  explicit RowBuilder(const std::vector<FieldDef>& fields) : fields_(fields), row_(kColumnCount) {}
  // An empty text stays null: both read back as the empty text.
  RowBuilder& Text(Column c, std::string_view text) {
    if (text.empty()) return *this;
    row_[c] = std::string(Utf8Prefix(text, static_cast<std::size_t>(fields_[c].width)));
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
  const std::vector<FieldDef>& fields_;
  PacketRow row_;
};

}  // namespace

DataPacket BuildSettingPacket(const SettingStore& store, const SettingProgress& progress) {
  DataPacket p;
  p.fields = SettingFileColumns();
  p.rows.push_back(
      RowBuilder(p.fields).Text(kCfgName, "Unit").Text(kCfgValue, store.unitName).Take());
  p.rows.push_back(RowBuilder(p.fields)
                       .Text(kCfgName, "Firmware")
                       .Text(kCfgValue, std::to_string(store.definitionFirmware))
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
                         .Text(kDefault, e.value)
                         .Number(kAccess, e.access)
                         .Text(kUnits, e.units)
                         .Text(kComments, e.comment)
                         .Take());
  }
  return p;
}

WriteResult WriteSettingFile(const SettingStore& store, const std::filesystem::path& path,
                             const SettingProgress& progress) {
  return WritePacketFile(path, BuildSettingPacket(store, progress), PacketFormForPath(path));
}

}  // namespace kvx
