#pragma once
// The one way the program saves a whole file.

#include <filesystem>
#include <string>
#include <string_view>

namespace kvx {

struct WriteResult {
  bool ok = false;
  std::string error;
};

// Saves `bytes` as the whole content of the regular file at `path`:
// - a symbolic link (also a chain of them, at most 40) is followed, and the
//   file it names is replaced; the link itself stays;
// - anything else that is not a regular file (a folder, a device, a FIFO, a
//   socket) is refused and left as it is;
// - the bytes go to a temporary file beside the real target, are fsync'ed and
//   renamed over it only when complete, so a failed save leaves the previous
//   file untouched;
// - an existing file keeps its permission bits and, where the system allows
//   it, its owner and group; a new file gets 0644 less the umask;
// - after a successful save, temporaries of the same target left behind by
//   saves that died (their process is gone) are removed.
WriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// The temporary file name used for `target` by process `pid`, number `n`:
// ".<name>.tmp<pid>-<n>" in the target's folder.
std::filesystem::path TemporaryPathFor(const std::filesystem::path& target, long pid, unsigned n);

}  // namespace kvx
