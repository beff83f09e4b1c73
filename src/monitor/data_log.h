#pragma once
// The daily metering log: one tab-separated line per logging period, holding
// the texts the Metering page shows, in a new file BASE_YYYYMMDD.txt for every
// local calendar day. Each line opens and closes the file, so another program
// can read the log between two lines.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kvx {

// Local calendar date and wall-clock time, as the log's file name and lines show it.
struct LocalDateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

LocalDateTime LocalNow();

// What one log line holds: the column names (metering rows, then temperature
// rows) and, aligned with them, the displayed value texts. An inactive
// temperature row has an empty value, so the values stay under their headings.
struct DataLogRow {
  std::vector<std::string> names;
  std::vector<std::string> values;
};

inline constexpr std::size_t kDataLogMaxPathLength = 240;
inline constexpr int kDataLogMinPeriodMs = 2000;
inline constexpr int kDataLogDefaultPeriodMs = 4000;
inline constexpr int kDataLogMaxPeriodSeconds = 9999;

// The base kept in the preferences from the path the user chose: ".txt" (any
// case) is taken off, any other name is kept whole.
std::string DataLogBaseFromChosenPath(const std::string& chosen);

// BASE_YYYYMMDD.txt for the given local date.
std::string DataLogFileName(const std::string& base, const LocalDateTime& when);

// "Date\tTime\tNAME..." and "YYYY/MM/DD\thh:mm:ss\tVALUE...", each ending CR LF.
std::string DataLogHeaderLine(const std::vector<std::string>& names);
std::string DataLogDataLine(const LocalDateTime& when, const std::vector<std::string>& values);

struct DataLogWriteResult {
  bool written = false;
  std::string path;
  std::string error;           // why the line could not be written
  bool columnsDiffer = false;  // the day's file has another header (other relay model)
  bool createdFile = false;
};

// Appends one line to the day's file, creating it with its header when it does
// not exist yet. A failed write leaves no partial line behind: a new file whose
// header could not be written is removed, and a short data line is cut off again.
DataLogWriteResult WriteDataLogLine(const std::string& base, const LocalDateTime& when,
                                    const DataLogRow& row);

// The logging state shared by the window's timer and the command-line logger:
// at most one line per period, and only when fresh metering arrived since the
// last line. Counts what it did and words what the user should be told.
class DataLogSession {
 public:
  using Clock = std::function<LocalDateTime()>;

  explicit DataLogSession(std::string base, Clock clock = LocalNow);

  struct TickResult {
    bool wrote = false;
    bool hadFreshData = false;
    DataLogWriteResult write;
    // A message to show once, empty when there is nothing new to say: the
    // first failure of a run of failures, recovery after one, or a day's file
    // whose columns differ from this relay's.
    std::string notice;
  };

  // One period has ended. fresh tells whether a complete metering update has
  // been shown since the previous tick; row is what it shows now.
  TickResult Tick(bool fresh, const DataLogRow& row);

  const std::string& base() const { return base_; }
  std::size_t linesWritten() const { return linesWritten_; }
  std::size_t periodsWithoutData() const { return periodsWithoutData_; }
  std::size_t linesFailed() const { return linesFailed_; }
  // "Data log: 3 lines could not be written to PATH: REASON" while the current
  // run of failures lasts, empty once a line is written again.
  std::string FailureSummary() const;

 private:
  std::string base_;
  Clock clock_;
  std::size_t linesWritten_ = 0;
  std::size_t periodsWithoutData_ = 0;
  std::size_t linesFailed_ = 0;
  std::size_t failuresInRun_ = 0;
  std::string lastFailedPath_;
  std::string lastError_;
  std::string differingFileReported_;
};

}  // namespace kvx
