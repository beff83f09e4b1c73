#pragma once
// What the simulated relay knows from its definition file: every setting with
// its register, type code, limits, access and DEFAULT, and the fields of the
// metering, temperature and event groups (which registers carry which reading).
// A loader fills it from a definition file; tests fill it by hand.

#include <cstdint>
#include <string>
#include <vector>

namespace kvx::sim {

struct SimSetting {
  int reg = 0;
  int typeCode = 0;
  double min = 0;
  double max = 0;
  int access = 0;           // 0 editable, anything else refused on write
  std::string defaultText;  // the DEFAULT value text
  std::string name;
  std::string units;
};

// A reading the relay presents (metering row, temperature channel, event field).
struct SimField {
  int reg = 0;
  int typeCode = 0;
  std::string name;
  std::string units;
};

struct RelayDefinition {
  std::string sourceFile;  // empty when built by hand
  int definitionFirmware = 0;
  std::vector<SimSetting> settings;
  std::vector<SimField> meteringFields;  // first group of kind "metering"
  std::vector<SimField> rtdFields;       // first group of kind "meter rtd"
  std::vector<SimField> eventFields;     // first group of kind "events"
};

// How many registers a value of `typeCode` occupies in the relay (1, 2 or 10).
// Codes the program never reads or writes still hold one register.
int RegisterSpan(int typeCode);

// The register words of `valueText` for `typeCode`, exactly as the program's
// typed write would put them on the wire; `span` words long.
std::vector<std::uint16_t> EncodeValue(int typeCode, const std::string& valueText);

// Whether the words of one setting hold a value inside its MIN..MAX. Texts
// and codes without a numeric form have no limits.
bool WithinLimits(const SimSetting& setting, const std::uint16_t* words);

}  // namespace kvx::sim
