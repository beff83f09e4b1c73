#pragma once
// The maker's brand line heading the printouts, reports and points files.

namespace kvx {

inline constexpr const char* kBrandLine = "Halvoren TRAXILON";

}  // namespace kvx
