#pragma once
// A fresh folder under the system temp folder, removed with its contents when
// the object goes out of scope. Unique per process and object, so tests may
// run in parallel.

#include <filesystem>
#include <string>
#include <string_view>

namespace kvx::test {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  // Writes `bytes` to a file in the folder and returns its path.
  std::filesystem::path Write(std::string_view name, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

std::string ReadWholeFile(const std::filesystem::path& path);

}  // namespace kvx::test
