#include "setpoints/file_save.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <vector>

namespace kvx {
namespace {

// Linux gives up after 40 links in a path; a longer chain is a loop or a trap.
constexpr int kMaxLinks = 40;
constexpr std::size_t kMaxLinkText = 4096;

std::atomic<unsigned> tempCounter{0};

std::string SystemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "something else";
}

struct Target {
  std::filesystem::path path;
  bool exists = false;
  struct stat st {};
};

bool ReadLink(const std::filesystem::path& link, std::filesystem::path& out, std::string& error) {
  std::vector<char> buffer(kMaxLinkText + 1);
  const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
  if (n < 0) {
    error = SystemError("cannot follow the link " + link.string());
    return false;
  }
  if (static_cast<std::size_t>(n) > kMaxLinkText) {
    error = "the link " + link.string() + " is too long to follow";
    return false;
  }
  out.assign(std::string(buffer.data(), static_cast<std::size_t>(n)));
  return true;
}

// The regular file a save to `given` must replace: links followed, anything
// that is not a regular file refused.
bool ResolveTarget(const std::filesystem::path& given, Target& target, std::string& error) {
  std::filesystem::path p = given;
  for (int links = 0;; ++links) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) {
      if (errno != ENOENT) {
        error = SystemError("cannot examine " + p.string());
        return false;
      }
      target.path = p;
      target.exists = false;
      break;
    }
    if (S_ISLNK(st.st_mode)) {
      if (links == kMaxLinks) {
        error = given.string() + ": too many levels of symbolic links";
        return false;
      }
      std::filesystem::path next;
      if (!ReadLink(p, next, error)) return false;
      p = next.is_absolute() ? next : p.parent_path() / next;
      continue;
    }
    if (!S_ISREG(st.st_mode)) {
      error = (p == given ? std::string("this is ") : "the link leads to " + p.string() + ", ") +
              KindOf(st.st_mode) +
              ", not a regular file; files are saved to regular files only, nothing was written";
      return false;
    }
    target.path = p;
    target.exists = true;
    target.st = st;
    break;
  }
  const std::string name = target.path.filename().string();
  if (name.empty() || name == "." || name == "..") {
    error = given.string() + ": no file name";
    return false;
  }
  return true;
}

// Owner, group and permission bits of the file being replaced. The owner is
// kept where the system allows it (as root, or the group for a member);
// the permission bits always, so a private file never becomes readable.
bool KeepOwnerAndMode(int fd, const struct stat& st, std::string& error) {
  if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
      [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
    }
  }
  if (::fchmod(fd, st.st_mode & 0777) != 0) {
    error = SystemError("cannot keep the file's permissions");
    return false;
  }
  return true;
}

// The process number of one of our temporaries for the file `name`, or -1.
long TemporaryOwnerPid(std::string_view entry, std::string_view name) {
  const std::string prefix = "." + std::string(name) + ".tmp";
  if (entry.size() <= prefix.size() || entry.substr(0, prefix.size()) != prefix) return -1;
  entry.remove_prefix(prefix.size());
  long pid = -1;
  unsigned n = 0;
  const char* end = entry.data() + entry.size();
  auto r = std::from_chars(entry.data(), end, pid);
  if (r.ec != std::errc() || pid <= 0 || r.ptr == end || *r.ptr != '-') return -1;
  const auto r2 = std::from_chars(r.ptr + 1, end, n);
  if (r2.ec != std::errc() || r2.ptr != end) return -1;
  return pid;
}

bool ProcessIsGone(long pid) {
  if (pid > static_cast<long>(std::numeric_limits<pid_t>::max())) return true;
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// A save killed half-way leaves its temporary behind; once a later save of
// the same target has succeeded, that temporary holds nothing anyone needs.
// Only our own regular files from processes that no longer exist are taken.
void RemoveStaleTemporaries(const std::filesystem::path& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  const long self = static_cast<long>(::getpid());
  std::vector<std::string> stale;
  while (const dirent* e = ::readdir(dir)) {
    const long pid = TemporaryOwnerPid(e->d_name, name);
    if (pid < 0 || pid == self || !ProcessIsGone(pid)) continue;
    stale.emplace_back(e->d_name);
  }
  ::closedir(dir);
  for (const std::string& entry : stale) {
    const std::filesystem::path p = folder / entry;
    struct stat st {};
    if (::lstat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
      ::unlink(p.c_str());
  }
}

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // best effort: the rename is done either way
  ::close(fd);
}

}  // namespace

std::filesystem::path TemporaryPathFor(const std::filesystem::path& target, long pid, unsigned n) {
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  return folder / ("." + target.filename().string() + ".tmp" + std::to_string(pid) + "-" +
                   std::to_string(n));
}

WriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  Target target;
  std::string error;
  if (!ResolveTarget(path, target, error)) return {false, error};
  const std::filesystem::path folder =
      target.path.has_parent_path() ? target.path.parent_path() : ".";
  const std::filesystem::path temp =
      TemporaryPathFor(target.path, static_cast<long>(::getpid()), tempCounter.fetch_add(1));
  // Private until complete: the final permissions are set just before the rename.
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                        target.exists ? 0600 : 0644);
  if (fd < 0) return {false, SystemError("cannot create a file in the target folder")};
  const auto fail = [&](const std::string& why) {
    ::close(fd);
    ::unlink(temp.c_str());
    return WriteResult{false, why};
  };
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(SystemError("write failed"));
    done += static_cast<std::size_t>(n);
  }
  if (target.exists && !KeepOwnerAndMode(fd, target.st, error)) return fail(error);
  if (::fsync(fd) != 0) return fail(SystemError("write failed"));
  if (::close(fd) != 0) {
    const std::string why = SystemError("write failed");
    ::unlink(temp.c_str());
    return {false, why};
  }
  if (::rename(temp.c_str(), target.path.c_str()) != 0) {
    const std::string why = SystemError("cannot replace the target file");
    ::unlink(temp.c_str());
    return {false, why};
  }
  SyncFolder(folder);
  RemoveStaleTemporaries(folder, target.path.filename().string());
  return {true, {}};
}

}  // namespace kvx
