// libFuzzer target: loading a setting file into the setting store and saving
// it again. The input serves as its own definition file, so every pass runs
// on it. Invariants: a refused file leaves the store as it was and says why;
// an accepted one holds only registers of the table, and what it saves reads
// back with every number the same (the same single for settings held as
// one), or the save is refused with a reason.

#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "setpoints/data_packet_xml.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/number_text.h"
#include "setpoints/type_codes.h"
#include "setpoints/write_setting_file.h"

namespace {

namespace fs = std::filesystem;

const fs::path& Folder() {
  static const fs::path folder = [] {
    fs::path p = fs::temp_directory_path() / ("kvx-fuzz-setting-" + std::to_string(::getpid()));
    fs::create_directories(p);
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(Folder(), ec);
    });
    return p;
  }();
  return folder;
}

void Put(const fs::path& p, std::string_view bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool SameNumber(int typeCode, const std::string& a, const std::string& b) {
  const auto x = kvx::ParseNumber(a);
  if (!x) return true;  // texts may be cut
  const auto y = kvx::ParseNumber(b);
  if (!y) return false;
  const kvx::TypeCodeInfo t = kvx::DescribeTypeCode(typeCode);
  if (t.write == kvx::WriteForm::Text) return true;
  if (*x == *y) return true;
  const bool single = t.write == kvx::WriteForm::Float || t.display == kvx::DisplayForm::Date ||
                      t.display == kvx::DisplayForm::Time;
  return single && std::fabs(*x) <= 3.4028234663852886e38 &&
         static_cast<float>(*x) == static_cast<float>(*y);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const fs::path input = Folder() / "input";
  Put(input, bytes);
  const kvx::SettingFileIdentity id = kvx::ReadSettingFileIdentity(input);
  const auto model = id.ok ? kvx::FindUnitModelByName(id.unitName) : std::nullopt;
  fs::path definitions;
  if (model) {
    definitions = kvx::DefinitionFilePath(Folder(), *model, id.firmware);
    Put(definitions, bytes);
  }
  kvx::SettingStore store;
  store.unitName = "before";
  const kvx::LoadResult loaded = kvx::LoadSettingFile(store, input, Folder());
  if (!loaded) {
    if (loaded.error.empty() || store.unitName != "before") __builtin_trap();
  } else {
    for (const kvx::SettingGroup& g : store.groups) {
      for (std::int32_t r : g.registers) {
        if (r != kvx::kGroupEndMarker && (r < 0 || r >= kvx::kSettingCount)) __builtin_trap();
      }
    }
    const kvx::PacketResult built = kvx::BuildSettingPacket(store);
    if (!built.ok) {
      if (built.error.empty()) __builtin_trap();
    } else {
      const fs::path saved = Folder() / "saved.xml";
      Put(saved, kvx::WriteXmlPacket(built.packet));
      kvx::SettingStore back;
      const kvx::LoadResult reloaded = kvx::LoadSettingFile(back, saved, Folder());
      if (!reloaded) __builtin_trap();
      for (int r = 0; r < kvx::kSettingCount; ++r) {
        const kvx::SettingRecord& e = store.settings[r];
        if (e.setting.empty()) continue;
        if (!SameNumber(e.typeCode, e.value, back.settings[r].value)) __builtin_trap();
      }
      fs::remove(saved);
    }
  }
  if (!definitions.empty()) fs::remove(definitions);
  return 0;
}
