// The event records and the relay's clock, trip codes and commands against
// the simulator over Modbus TCP: what a save writes is what the relay
// recorded, a save that ends early says so, and a reset clears the codes.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "comm/posix_tcp_client.h"
#include "comm/register_access.h"
#include "monitor/clock_text.h"
#include "monitor/command_list.h"
#include "monitor/event_link.h"
#include "monitor/trip_codes.h"
#include "session/cancel_token.h"
#include "setpoints/load_setting_file.h"
#include "sim/relay_simulation.h"
#include "support/scratch_folder.h"

namespace kvx {
namespace {

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start) + "<no CR LF>");
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

struct Relay {
  Relay(const char* model, int firmware, const char* definition, int events) {
    std::string error;
    auto config = sim::MakeRelayConfig(model, firmware, kDefaults, error);
    EXPECT_TRUE(config) << error;
    if (!config) return;
    config->events = events;
    sim = std::make_unique<sim::RelaySimulation>(*config);
    EXPECT_TRUE(sim->StartTcp().ok);
    client.SetRemoteHost("127.0.0.1");
    client.SetRemotePort(static_cast<std::uint16_t>(sim->TcpPort()));
    comm.tcpClient = &client;
    comm.protocol = ProtocolKind::ModbusTcp;
    SettingStore store;
    LoadResult loaded = LoadSettingFile(store, kDefaults / definition, kDefaults);
    EXPECT_TRUE(loaded.ok) << loaded.error;
    layout = EventLayoutOf(store);
  }
  sim::SimulatedRelay& relay() { return sim->Relay(); }
  EventRange Range() {
    long long count = -1;
    CommFailure why;
    EXPECT_TRUE(ReadEventCount(comm, count, why)) << why.reason;
    return RetainedEvents(count, layout.RingSize());
  }
  // The line the file should hold for ring slot `slot`, from the relay's own record.
  std::string ExpectedLine(int slot) {
    const auto block = relay().EventSlotBlock(slot);
    std::string line = EventFileLine(layout, slot, block);
    return line.substr(0, line.size() - 2);
  }

  std::unique_ptr<sim::RelaySimulation> sim;
  PosixTcpClient client;
  CommSettings comm;
  EventLayout layout;
};

TEST(EventSave, EachFamilySavesWhatTheRelayRecorded) {
  struct Case {
    const char* model;
    int firmware;
    const char* definition;
    int tripCode;
    const char* cause;
  };
  for (const Case c : {Case{"DRA", 230, "dra_defaults_230.xml", 2, "Overload Trip"},
                       {"DRB-50", 170, "drb_defaults_170.xml", 0, "Main Overcurrent Trip"},
                       {"FDX-50", 110, "fdx_defaults_110.xml", 19, "EF-CT Timed Alarm G2"}}) {
    SCOPED_TRACE(c.model);
    Relay r(c.model, c.firmware, c.definition, 0);
    const bool motor = r.layout.family != 3;
    if (motor) {
      ASSERT_TRUE(r.relay().RecordStart());
    }
    ASSERT_TRUE(r.relay().Trip(c.tripCode));
    r.relay().RecordThermalReset();
    const int records = motor ? 3 : 2;

    test::ScratchFolder folder;
    const EventRange range = r.Range();
    ASSERT_EQ(range.Retained(), records);
    EventSaveResult saved =
        SaveEventRecords(r.comm, r.layout, range, folder / "events.txt", nullptr, nullptr);
    EXPECT_EQ(saved.outcome, EventSaveResult::Outcome::Saved) << saved.reason;
    EXPECT_EQ(saved.saved, records);

    const auto lines = Lines(test::ReadWholeFile(folder / "events.txt"));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(records + 2));
    EXPECT_EQ(lines.front() + "\r\n", EventFileHeader(r.layout));
    for (int i = 0; i < records; ++i) {
      EXPECT_EQ(lines[static_cast<std::size_t>(i + 1)], r.ExpectedLine(records - 1 - i));
    }
    EXPECT_EQ(lines.back(), "");  // the closing empty line
    // Newest first: the thermal reset, then the trip with its cause.
    const std::string etr = r.layout.family == 3 ? "\t2\t" : "\tETR Record\t";
    EXPECT_NE(lines[1].find(etr), std::string::npos) << lines[1];
    EXPECT_EQ(lines[1].rfind(std::to_string(records - 1) + "\t", 0), 0u);
    EXPECT_NE(lines[2].find(std::string("\t") + c.cause + "\t"), std::string::npos) << lines[2];
    if (motor) {
      EXPECT_NE(lines[3].find("\tStart Record\t"), std::string::npos) << lines[3];
    }
  }
}

TEST(EventSave, AWrappedRingIsSavedNewestFirstBySlot) {
  Relay r("DRA", 230, "dra_defaults_230.xml", 70);
  test::ScratchFolder folder;
  const EventRange range = r.Range();
  EXPECT_EQ(range.first, 6);
  EXPECT_EQ(range.last, 69);
  EventSaveResult saved =
      SaveEventRecords(r.comm, r.layout, range, folder / "events.txt", nullptr, nullptr);
  ASSERT_EQ(saved.outcome, EventSaveResult::Outcome::Saved) << saved.reason;
  const auto lines = Lines(test::ReadWholeFile(folder / "events.txt"));
  ASSERT_EQ(lines.size(), 66u);
  EXPECT_EQ(lines[1].substr(0, 2), "5\t");  // record 69
  EXPECT_EQ(lines[6].substr(0, 2), "0\t");  // record 64
  EXPECT_EQ(lines[7].substr(0, 3), "63\t");
  EXPECT_EQ(lines[64].substr(0, 2), "6\t");  // record 6, the oldest retained
  EXPECT_EQ(lines[64], r.ExpectedLine(6));
}

// Ends the save from inside its progress: at position `at` it cancels, or
// stops the relay.
class Interrupter : public ProgressSink {
 public:
  Interrupter(int at, std::function<void()> act) : at_(at), act_(std::move(act)) {}
  void Begin(std::string_view, int maximum) override { maximum_ = maximum; }
  void Position(int position) override {
    last_ = position;
    if (position == at_) act_();
  }
  void End() override { ended_ = true; }
  int maximum_ = -1, last_ = -1;
  bool ended_ = false;

 private:
  int at_;
  std::function<void()> act_;
};

TEST(EventSave, ASaveThatEndsEarlySaysHowFarItGot) {
  Relay r("DRA", 230, "dra_defaults_230.xml", 64);
  test::ScratchFolder folder;
  const EventRange range = r.Range();

  CancelToken cancel;
  Interrupter cancelAt(3, [&] { cancel.Cancel(); });
  EventSaveResult cancelled = SaveEventRecords(
      r.comm, r.layout, range, folder / "cancelled.txt", [&] { return cancel.Cancelled(); },
      &cancelAt);
  EXPECT_EQ(cancelled.outcome, EventSaveResult::Outcome::Cancelled);
  EXPECT_EQ(cancelled.saved, 4);  // the record at position 3 was already under way
  EXPECT_EQ(cancelAt.maximum_, 63);
  EXPECT_TRUE(cancelAt.ended_);
  EXPECT_EQ(DescribeEventSave(cancelled, folder / "cancelled.txt"),
            "Events saved: 4 of 64 records; the save was cancelled");
  auto text = test::ReadWholeFile(folder / "cancelled.txt");
  EXPECT_EQ(Lines(text).size(), 5u);
  EXPECT_NE(text.substr(text.size() - 4), "\r\n\r\n");  // no closing empty line

  Interrupter stopAt(37, [&] { r.sim->Stop(); });
  EventSaveResult stopped =
      SaveEventRecords(r.comm, r.layout, range, folder / "stopped.txt", nullptr, &stopAt);
  EXPECT_EQ(stopped.outcome, EventSaveResult::Outcome::RelayStopped);
  EXPECT_EQ(stopped.saved, 37);
  EXPECT_FALSE(stopped.reason.empty());
  EXPECT_EQ(DescribeEventSave(stopped, "x")
                .rfind("Events saved: 37 of 64 records; the relay stopped answering (", 0),
            0u)
      << DescribeEventSave(stopped, "x");
  EXPECT_EQ(Lines(test::ReadWholeFile(folder / "stopped.txt")).size(), 38u);
}

TEST(EventSave, NothingToSaveOrNoPlaceForTheFile) {
  Relay r("DRB-50", 170, "drb_defaults_170.xml", 5);
  test::ScratchFolder folder;
  EventSaveResult none = SaveEventRecords(r.comm, r.layout, RetainedEvents(0, 100),
                                          folder / "none.txt", nullptr, nullptr);
  EXPECT_EQ(none.outcome, EventSaveResult::Outcome::NoEvents);
  EXPECT_EQ(DescribeEventSave(none, {}), "No Events to Save");
  EXPECT_FALSE(std::filesystem::exists(folder / "none.txt"));

  for (const auto& path : {folder / "missing" / "events.txt", folder.path()}) {
    EventSaveResult refused = SaveEventRecords(r.comm, r.layout, r.Range(), path, nullptr, nullptr);
    EXPECT_EQ(refused.outcome, EventSaveResult::Outcome::NotCreated) << path;
    EXPECT_EQ(refused.saved, 0);
    EXPECT_NE(DescribeEventSave(refused, path).find("Events not saved: "), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

TEST(EventRefresh, NewestRecordAndAnEmptyRing) {
  Relay r("FDX-50", 110, "fdx_defaults_110.xml", 250);
  EventRefresh refresh = RefreshEvents(r.comm, r.layout);
  ASSERT_TRUE(refresh.countRead);
  EXPECT_EQ(refresh.range.first, 150);
  EXPECT_EQ(refresh.range.last, 249);
  ASSERT_TRUE(refresh.record.read);
  EXPECT_EQ(refresh.record.block, r.relay().EventSlotBlock(49));
  EXPECT_FALSE(EventBlockEmpty(refresh.record.block));

  ASSERT_TRUE(r.relay().Command(kCommandClearEvents));
  refresh = RefreshEvents(r.comm, r.layout);
  ASSERT_TRUE(refresh.countRead);
  EXPECT_TRUE(refresh.range.Empty());
  ASSERT_TRUE(refresh.record.read);  // slot 0 is selected and shown
  EXPECT_TRUE(EventBlockEmpty(refresh.record.block));
}

TEST(TripCodesOnTheRelay, ATripShowsUntilResetTrips) {
  struct Case {
    const char* model;
    int firmware;
    const char* definition;
    int code;
    const char* line;
  };
  for (const Case c : {Case{"DRA", 230, "dra_defaults_230.xml", 2, "Overload Trip"},
                       {"DRB-50", 170, "drb_defaults_170.xml", 2, "Overload Trip"},
                       {"FDX-50", 110, "fdx_defaults_110.xml", 19, "EF-CT Timed Alarm G2"}}) {
    SCOPED_TRACE(c.model);
    Relay r(c.model, c.firmware, c.definition, 0);
    std::vector<std::string> lines{"stale"};
    CommFailure why;
    ASSERT_TRUE(ReadTripCodes(r.comm, r.layout.family, lines, why)) << why.reason;
    EXPECT_TRUE(lines.empty());
    ASSERT_TRUE(r.relay().Trip(c.code));
    ASSERT_TRUE(ReadTripCodes(r.comm, r.layout.family, lines, why));
    EXPECT_EQ(lines, std::vector<std::string>{c.line});
    ASSERT_TRUE(SendDeviceCommand(r.comm, *ParseDeviceCommand("reset-trips"), why)) << why.reason;
    ASSERT_TRUE(ReadTripCodes(r.comm, r.layout.family, lines, why));
    EXPECT_TRUE(lines.empty());
  }
}

TEST(RelayClock, TheTextTakesEffectWithCommandFour) {
  Relay r("DRA", 230, "dra_defaults_230.xml", 0);
  // Hour 24 is the next day's midnight on the relay.
  ClockSetResult set = SetRelayClock(r.comm, "10/01/02 24:05:09");
  ASSERT_TRUE(set.written) << set.failure.reason;
  ASSERT_TRUE(set.commandSent) << set.failure.reason;
  std::vector<std::uint16_t> words(2);
  ASSERT_TRUE(ReadRegisters(r.comm, 576, 2, words));
  EXPECT_EQ(words[1], 0x0005);   // 00:05
  EXPECT_LE(words[0] >> 8, 12);  // seconds: 9 and a little

  // A refused text write sends no command 4: the clock keeps its time.
  r.sim->Stop();
  ClockSetResult failed = SetRelayClock(r.comm, "11/01/02 10:00:00");
  EXPECT_FALSE(failed.written);
  EXPECT_FALSE(failed.commandSent);
  EXPECT_FALSE(failed.failure.reason.empty());
}

}  // namespace
}  // namespace kvx
