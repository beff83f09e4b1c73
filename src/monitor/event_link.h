#pragma once
// The event records on the relay: the count, the record selector and the
// record block, and the whole-ring save to a tab-separated file. Each call
// runs on the thread that owns the link (the window's link worker, the
// command line) and tells why an exchange failed.

#include <filesystem>
#include <functional>
#include <string>

#include "comm/comm_error.h"
#include "comm/comm_settings.h"
#include "monitor/event_records.h"
#include "session/progress_sink.h"

namespace kvx {

// Register 973: how many records the relay has written since the last clear.
bool ReadEventCount(CommSettings& settings, long long& count, CommFailure& why);
// Register 975 takes a ring slot, never an absolute number.
bool SelectEventSlot(CommSettings& settings, int slot, CommFailure& why);
// The 90 registers 976..1065 of the selected slot; `block` is untouched on failure.
bool ReadEventBlock(CommSettings& settings, EventBlock& block, CommFailure& why);

// Selects the slot of `number` and reads its block.
struct EventRecordRead {
  bool selected = false;
  bool read = false;
  EventBlock block{};
  CommFailure failure;
};
EventRecordRead ReadEventRecord(CommSettings& settings, long long number, int ringSize);

// "Refresh Events": the count, then the newest record (slot 0 when there is
// none) selected and read.
struct EventRefresh {
  bool countRead = false;
  EventRange range;
  long long selected = 0;  // the absolute number selected
  EventRecordRead record;
};
EventRefresh RefreshEvents(CommSettings& settings, const EventLayout& layout);

struct EventSaveResult {
  enum class Outcome {
    Saved,
    NoEvents,      // nothing to save; no file
    NotCreated,    // the file cannot be created there; nothing read
    Cancelled,     // stopped by the user part-way; the records read are in the file
    RelayStopped,  // the relay stopped answering part-way; likewise
    NotWritten,    // every record read, but the file could not be written
  } outcome = Outcome::NoEvents;
  long long saved = 0;  // record lines in the file
  long long total = 0;  // records retained in the relay
  std::string reason;   // the link's or the file system's reason
  CommFailure linkFailure;  // the exchange that failed (RelayStopped)
};

// Saves the retained records of `range`, newest first, to `path`: the
// header, one line per record, and an empty line once every record is in.
// A save that ends early keeps the lines it has (no final empty line) and
// says so. The progress runs 0..retained-1; `stopRequested` (may be empty)
// is asked before each record.
EventSaveResult SaveEventRecords(CommSettings& settings, const EventLayout& layout,
                                 const EventRange& range, const std::filesystem::path& path,
                                 const std::function<bool()>& stopRequested,
                                 ProgressSink* progress);

// One line for the user: "Events saved: 37 of 64 records; the relay stopped
// answering (no reply ...)".
std::string DescribeEventSave(const EventSaveResult& result, const std::filesystem::path& path);

}  // namespace kvx
