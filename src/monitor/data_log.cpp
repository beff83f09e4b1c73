#include "monitor/data_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

namespace kvx {

namespace {

// The header of a day's file is read back only to compare it with ours; a
// first line longer than this is not a header this program wrote.
constexpr std::size_t kMaxHeaderRead = 64 * 1024;

std::string ErrnoText(int err) {
  return std::strerror(err);
}

bool WriteAll(int fd, const std::string& text, int* err) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      *err = errno;
      return false;
    }
    if (n == 0) {
      *err = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The first line of an existing day's file, without its line end.
std::string ReadFirstLine(int fd) {
  std::string line;
  char buf[4096];
  while (line.size() < kMaxHeaderRead) {
    const ssize_t n = ::pread(fd, buf, sizeof buf, static_cast<off_t>(line.size()));
    if (n <= 0) break;
    const std::string chunk(buf, static_cast<std::size_t>(n));
    const std::size_t end = chunk.find('\n');
    if (end != std::string::npos) {
      line += chunk.substr(0, end);
      break;
    }
    line += chunk;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string WithoutLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

LocalDateTime LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string DataLogBaseFromChosenPath(const std::string& chosen) {
  if (chosen.size() >= 4) {
    std::string ext = chosen.substr(chosen.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".txt") return chosen.substr(0, chosen.size() - 4);
  }
  return chosen;
}

std::string DataLogFileName(const std::string& base, const LocalDateTime& when) {
  char date[32];
  std::snprintf(date, sizeof date, "_%04d%02d%02d.txt", when.year, when.month, when.day);
  return base + date;
}

std::string DataLogHeaderLine(const std::vector<std::string>& names) {
  std::string line = "Date\tTime";
  for (const std::string& name : names) line += "\t" + name;
  return line + "\r\n";
}

std::string DataLogDataLine(const LocalDateTime& when, const std::vector<std::string>& values) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d\t%02d:%02d:%02d", when.year, when.month,
                when.day, when.hour, when.minute, when.second);
  std::string line = stamp;
  for (const std::string& value : values) line += "\t" + value;
  return line + "\r\n";
}

DataLogWriteResult WriteDataLogLine(const std::string& base, const LocalDateTime& when,
                                    const DataLogRow& row) {
  DataLogWriteResult result;
  result.path = DataLogFileName(base, when);
  const std::string header = DataLogHeaderLine(row.names);

  // A new day's file is created exclusively, so two loggers racing for the same
  // day cannot both write a header; the loser appends like anyone else.
  int fd = ::open(result.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd >= 0) {
    int err = 0;
    if (!WriteAll(fd, header, &err)) {
      ::close(fd);
      ::unlink(result.path.c_str());  // a file without its header would mislabel every line
      result.error = ErrnoText(err);
      return result;
    }
    result.createdFile = true;
  } else if (errno == EEXIST) {
    fd = ::open(result.path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
      result.error = ErrnoText(errno);
      return result;
    }
    result.columnsDiffer = ReadFirstLine(fd) != WithoutLineEnd(header);
  } else {
    result.error = ErrnoText(errno);
    return result;
  }

  struct stat before {};
  const bool sized = ::fstat(fd, &before) == 0;
  int err = 0;
  if (!WriteAll(fd, DataLogDataLine(when, row.values), &err)) {
    // Cut a short line off again, so the file holds whole lines only.
    if (sized && ::ftruncate(fd, before.st_size) != 0) {
      // Nothing more can be done; the error below reports the failed line.
    }
    ::close(fd);
    result.error = ErrnoText(err);
    return result;
  }
  if (::close(fd) != 0) {
    result.error = ErrnoText(errno);
    return result;
  }
  result.written = true;
  return result;
}

DataLogSession::DataLogSession(std::string base, Clock clock)
    : base_(std::move(base)), clock_(std::move(clock)) {}

DataLogSession::TickResult DataLogSession::Tick(bool fresh, const DataLogRow& row) {
  TickResult tick;
  tick.hadFreshData = fresh;
  if (!fresh) {
    ++periodsWithoutData_;
    return tick;
  }
  tick.write = WriteDataLogLine(base_, clock_(), row);
  if (!tick.write.written) {
    ++linesFailed_;
    ++failuresInRun_;
    lastFailedPath_ = tick.write.path;
    lastError_ = tick.write.error;
    if (failuresInRun_ == 1) tick.notice = FailureSummary();
    return tick;
  }
  tick.wrote = true;
  ++linesWritten_;
  if (failuresInRun_ > 0) {
    tick.notice = "Data log: " + std::to_string(failuresInRun_) +
                  (failuresInRun_ == 1 ? " line" : " lines") + " could not be written to " +
                  tick.write.path + "; writing again";
    failuresInRun_ = 0;
  } else if (tick.write.columnsDiffer && differingFileReported_ != tick.write.path) {
    tick.notice = "Data log: " + tick.write.path +
                  " was started with other columns; new lines follow its first header";
    differingFileReported_ = tick.write.path;
  }
  return tick;
}

std::string DataLogSession::FailureSummary() const {
  if (failuresInRun_ == 0) return {};
  return "Data log: " + std::to_string(failuresInRun_) +
         (failuresInRun_ == 1 ? " line" : " lines") + " could not be written to " +
         lastFailedPath_ + ": " + lastError_;
}

}  // namespace kvx
