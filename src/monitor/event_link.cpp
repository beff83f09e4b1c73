#include "monitor/event_link.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "comm/register_access_report.h"
#include "comm/relay_registers.h"
#include "setpoints/file_save.h"
#include "setpoints/number_text.h"
#include "setpoints/packet_counters.h"
#include "setpoints/register_values.h"

namespace kvx {
namespace {

constexpr int kUnsignedType = 3;

// Why a file cannot be created at `path`, or empty when it looks possible. The
// save itself goes through WriteFileAtomically, which has the last word; this
// spares reading a whole ring for a file that cannot be written.
std::string CannotCreate(const std::filesystem::path& path) {
  std::error_code ec;
  if (path.empty()) return "no file name";
  if (std::filesystem::is_directory(path, ec)) return path.string() + " is a folder";
  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  if (!std::filesystem::is_directory(folder, ec)) return "no folder " + folder.string();
  if (::access(folder.c_str(), W_OK) != 0) {
    return "cannot write in " + folder.string() + ": " + std::strerror(errno);
  }
  if (std::filesystem::exists(path, ec) && ::access(path.c_str(), W_OK) != 0) {
    return "cannot write " + path.string() + ": " + std::strerror(errno);
  }
  return {};
}

}  // namespace

bool ReadEventCount(CommSettings& settings, long long& count, CommFailure& why) {
  std::string text;
  if (!ReadSetting(settings, relay_reg::kEventCount, kUnsignedType, text, why)) return false;
  const auto n = ParseInteger(text);
  if (!n || *n < 0) {
    why = {CommError::InvalidArgument, "the record count read as \"" + text + "\""};
    return false;
  }
  count = *n;
  return true;
}

bool SelectEventSlot(CommSettings& settings, int slot, CommFailure& why) {
  return WriteSetting(settings, relay_reg::kEventSelect, kUnsignedType, std::to_string(slot), why);
}

bool ReadEventBlock(CommSettings& settings, EventBlock& block, CommFailure& why) {
  EventBlock words{};
  AccessReport report =
      ReadRegistersReport(settings, relay_reg::kEventRecordFirst, kEventBlockWords, words);
  CountPacket(report.ok);
  if (!report.ok) {
    why = FailureOf(report);
    return false;
  }
  why = {};
  block = words;
  return true;
}

EventRecordRead ReadEventRecord(CommSettings& settings, long long number, int ringSize) {
  EventRecordRead r;
  r.selected = SelectEventSlot(settings, EventSlot(number, ringSize), r.failure);
  if (r.selected) r.read = ReadEventBlock(settings, r.block, r.failure);
  return r;
}

EventRefresh RefreshEvents(CommSettings& settings, const EventLayout& layout) {
  EventRefresh r;
  long long count = 0;
  r.countRead = ReadEventCount(settings, count, r.record.failure);
  if (!r.countRead) return r;
  r.range = RetainedEvents(count, layout.RingSize());
  r.selected = r.range.last;  // 0 without records: slot 0 is shown
  r.record = ReadEventRecord(settings, r.selected, layout.RingSize());
  return r;
}

EventSaveResult SaveEventRecords(CommSettings& settings, const EventLayout& layout,
                                 const EventRange& range, const std::filesystem::path& path,
                                 const std::function<bool()>& stopRequested,
                                 ProgressSink* progress) {
  EventSaveResult result;
  result.total = range.Retained();
  if (range.Empty()) return result;
  if (std::string why = CannotCreate(path); !why.empty()) {
    result.outcome = EventSaveResult::Outcome::NotCreated;
    result.reason = why;
    return result;
  }

  std::string file = EventFileHeader(layout);
  result.outcome = EventSaveResult::Outcome::Saved;
  if (progress) progress->Begin("Saving Events", static_cast<int>(range.last - range.first));
  for (long long v = range.last; v >= range.first; --v) {
    if (stopRequested && stopRequested()) {
      result.outcome = EventSaveResult::Outcome::Cancelled;
      break;
    }
    if (progress) progress->Position(static_cast<int>(range.last - v));
    // A selector that did not take would present the previous slot's record
    // under this slot's number, so its failure ends the save as a read's does.
    EventRecordRead record = ReadEventRecord(settings, v, layout.RingSize());
    if (!record.read) {
      result.outcome = EventSaveResult::Outcome::RelayStopped;
      result.reason = record.failure.reason;
      result.linkFailure = record.failure;
      break;
    }
    file += EventFileLine(layout, EventSlot(v, layout.RingSize()), record.block);
    ++result.saved;
  }
  if (progress) progress->End();
  if (result.outcome == EventSaveResult::Outcome::Saved) file += "\r\n";

  WriteResult written = WriteFileAtomically(path, file);
  if (!written.ok) {
    result.outcome = EventSaveResult::Outcome::NotWritten;
    result.reason = written.error;
    result.saved = 0;
  }
  return result;
}

std::string DescribeEventSave(const EventSaveResult& result, const std::filesystem::path& path) {
  using Outcome = EventSaveResult::Outcome;
  const std::string counted = "Events saved: " + std::to_string(result.saved) + " of " +
                              std::to_string(result.total) + " records";
  switch (result.outcome) {
    case Outcome::Saved:
      return "Events saved: " + std::to_string(result.saved) + " records to " + path.string();
    case Outcome::NoEvents:
      return "No Events to Save";
    case Outcome::NotCreated:
      return "Events not saved: " + result.reason;
    case Outcome::Cancelled:
      return counted + "; the save was cancelled";
    case Outcome::RelayStopped:
      return counted + "; the relay stopped answering" +
             (result.reason.empty() ? std::string() : " (" + result.reason + ")");
    case Outcome::NotWritten:
      return "Events not saved: " + result.reason;
  }
  return {};
}

}  // namespace kvx
