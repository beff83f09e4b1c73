// The simulator's two servers over real loopback sockets and a real
// pseudo-terminal, talked to with plain bytes (no client of ours in between),
// and the kvx-relay-sim program itself.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "sim/relay_simulation.h"
#include "sim/sim_crc.h"
#include "support/run_program.h"
#include "support/sim_process.h"

namespace kvx::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono;
using namespace std::chrono_literals;

Bytes Sealed(Bytes frame) {
  const std::uint16_t crc = ModbusCrc(frame);
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

// Reads until `want` bytes or the time is up.
Bytes ReadFor(int fd, std::size_t want, milliseconds limit) {
  Bytes got;
  const auto end = steady_clock::now() + limit;
  while (got.size() < want) {
    auto left = duration_cast<milliseconds>(end - steady_clock::now()).count();
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    std::uint8_t buf[512];
    ssize_t n = read(fd, buf, std::min(sizeof buf, want - got.size()));
    if (n <= 0) break;
    got.insert(got.end(), buf, buf + n);
  }
  return got;
}

class TcpLink {
 public:
  explicit TcpLink(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  ~TcpLink() { close(fd_); }
  bool Connected() const { return connected_; }
  void Send(const Bytes& b) {
    ASSERT_EQ(send(fd_, b.data(), b.size(), MSG_NOSIGNAL), static_cast<ssize_t>(b.size()));
  }
  // One whole reply (header first, then as long as its length says).
  Bytes Reply(milliseconds limit = 2000ms) {
    Bytes head = ReadFor(fd_, 6, limit);
    if (head.size() < 6) return head;
    Bytes rest = ReadFor(fd_, static_cast<std::size_t>((head[4] << 8) | head[5]), limit);
    head.insert(head.end(), rest.begin(), rest.end());
    return head;
  }
  Bytes Exchange(std::uint16_t tid, std::uint8_t unit, const Bytes& pdu) {
    Bytes adu{static_cast<std::uint8_t>(tid >> 8),
              static_cast<std::uint8_t>(tid & 0xFF),
              0,
              0,
              0,
              static_cast<std::uint8_t>(pdu.size() + 1),
              unit};
    adu.insert(adu.end(), pdu.begin(), pdu.end());
    Send(adu);
    return Reply();
  }
  // True when the server has closed its side.
  bool ClosedByPeer() {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 2000) <= 0) return false;
    std::uint8_t b;
    return recv(fd_, &b, 1, 0) == 0;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

class PtyLink {
 public:
  explicit PtyLink(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    if (fd_ >= 0 && tcgetattr(fd_, &t) == 0) {
      cfmakeraw(&t);
      tcsetattr(fd_, TCSANOW, &t);
    }
  }
  ~PtyLink() {
    if (fd_ >= 0) close(fd_);
  }
  bool Open() const { return fd_ >= 0; }
  Bytes Exchange(const Bytes& frame, std::size_t want, milliseconds limit = 2000ms) {
    tcflush(fd_, TCIOFLUSH);
    EXPECT_EQ(write(fd_, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
    return ReadFor(fd_, want, limit);
  }

 private:
  int fd_ = -1;
};

std::filesystem::path TempLink(const char* name) {
  auto dir = std::filesystem::temp_directory_path() / ("kvx-sim-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return dir / name;
}

RelayConfig Dra197() {
  RelayConfig c;
  c.firmware = 197;
  c.serial = 40001;
  return c;
}

TEST(SimTcpServer, AnswersWithTheTransactionIdAndUnitOfTheRequest) {
  RelaySimulation sim(Dra197());
  ASSERT_TRUE(sim.StartTcp().ok);
  ASSERT_GT(sim.TcpPort(), 0);
  TcpLink link(sim.TcpPort());
  ASSERT_TRUE(link.Connected());
  EXPECT_EQ(link.Exchange(0x1234, 254, {0x03, 0, 0, 0, 2}),
            (Bytes{0x12, 0x34, 0, 0, 0, 7, 254, 0x03, 4, 0x00, 0xC9, 0x00, 0xC5}));
  for (std::uint8_t unit : {0, 255}) {
    auto r = link.Exchange(7, unit, {0x03, 0, 1, 0, 1});
    EXPECT_EQ(r, (Bytes{0, 7, 0, 0, 0, 5, unit, 0x03, 2, 0x00, 0xC5})) << int(unit);
  }
  EXPECT_EQ(link.Exchange(8, 17, {0x03, 0, 1, 0, 1}), (Bytes{0, 8, 0, 0, 0, 3, 17, 0x83, 0x0B}))
      << "a unit id of another device";
  EXPECT_EQ(link.Exchange(9, 254, {0x10, 0x03, 0xCF, 0, 1, 2, 0, 100}),
            (Bytes{0, 9, 0, 0, 0, 3, 254, 0x90, 0x03}))
      << "event selector beyond the ring";
  EXPECT_EQ(link.Exchange(10, 254, {0x10, 0, 6, 0, 1, 2, 0, 1}),
            (Bytes{0, 10, 0, 0, 0, 6, 254, 0x10, 0, 6, 0, 1}))
      << "the command write is echoed like any other";
}

TEST(SimTcpServer, TakesPipelinedRequestsAndRequestsSplitAcrossSegments) {
  RelaySimulation sim(Dra197());
  ASSERT_TRUE(sim.StartTcp().ok);
  TcpLink link(sim.TcpPort());
  Bytes two{0, 1, 0, 0, 0, 6, 254, 0x03, 0, 0, 0, 1, 0, 2, 0, 0, 0, 6, 254, 0x03, 0, 1, 0, 1};
  link.Send(two);
  EXPECT_EQ(link.Reply(), (Bytes{0, 1, 0, 0, 0, 5, 254, 3, 2, 0, 201}));
  EXPECT_EQ(link.Reply(), (Bytes{0, 2, 0, 0, 0, 5, 254, 3, 2, 0, 197}));
  link.Send({0, 3, 0, 0});
  std::this_thread::sleep_for(30ms);
  link.Send({0, 6, 254, 3, 0, 0, 0, 1});
  EXPECT_EQ(link.Reply(), (Bytes{0, 3, 0, 0, 0, 5, 254, 3, 2, 0, 201}));
}

TEST(SimTcpServer, DropsAClientThatLostItsFramingAndServesTheNext) {
  RelaySimulation sim(Dra197());
  ASSERT_TRUE(sim.StartTcp().ok);
  {
    TcpLink bad(sim.TcpPort());
    bad.Send({0, 1, 0, 1, 0, 6, 254, 3, 0, 0, 0, 1});  // protocol id 1
    EXPECT_TRUE(bad.ClosedByPeer());
  }
  {
    TcpLink bad(sim.TcpPort());
    bad.Send({0, 1, 0, 0, 0xFF, 0xFF, 254});  // length beyond any request
    EXPECT_TRUE(bad.ClosedByPeer());
  }
  for (int i = 0; i < 20; ++i) {  // one client after another
    TcpLink link(sim.TcpPort());
    ASSERT_EQ(link.Exchange(static_cast<std::uint16_t>(i), 254, {0x03, 0, 0, 0, 1}).size(), 11u)
        << i;
  }
  TcpLink a(sim.TcpPort()), b(sim.TcpPort());  // and side by side
  EXPECT_EQ(a.Exchange(1, 254, {0x03, 0, 1, 0, 1}).size(), 11u);
  EXPECT_EQ(b.Exchange(2, 254, {0x03, 0, 1, 0, 1}).size(), 11u);
}

ServerOptions IdleAfter(milliseconds idle) {
  ServerOptions options;
  options.idleTimeout = idle;
  return options;
}

TEST(SimTcpServer, ClosesIdleClientsSoThatTheyCannotShutOthersOut) {
  RelaySimulation sim(Dra197(), IdleAfter(400ms));
  ASSERT_TRUE(sim.StartTcp().ok);
  // Every place taken by a client that never says a word.
  std::vector<std::unique_ptr<TcpLink>> silent;
  for (int i = 0; i < SimTcpServer::kMaxClients; ++i) {
    silent.push_back(std::make_unique<TcpLink>(sim.TcpPort()));
    ASSERT_TRUE(silent.back()->Connected());
  }
  // A client that keeps talking is never idle, however long it stays.
  TcpLink late(sim.TcpPort());
  ASSERT_TRUE(late.Connected()) << "waits in the listen queue";
  const auto start = steady_clock::now();
  EXPECT_EQ(late.Exchange(1, 254, {0x03, 0, 0, 0, 1}).size(), 11u);
  const auto waited = steady_clock::now() - start;
  EXPECT_GE(waited, 300ms) << "served once an idle client was closed, not before";
  EXPECT_LT(waited, 5s);
  for (int i = 0; i < 8; ++i) {
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(late.Exchange(static_cast<std::uint16_t>(i + 2), 254, {0x03, 0, 0, 0, 1}).size(), 11u)
        << "a talking client stays, " << i;
  }
  for (auto& link : silent) EXPECT_TRUE(link->ClosedByPeer());
}

// A client that asks but never reads: a small receive window, non-blocking.
int NonReadingClient(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  int small = 4096;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, O_NONBLOCK);
  return fd;
}

// `count` requests for 100 registers each (209-byte replies).
Bytes HundredRegisterReads(int count) {
  Bytes burst;
  for (int i = 0; i < count; ++i) {
    burst.insert(burst.end(), {0, 1, 0, 0, 0, 6, 254, 0x03, 0, 0, 0, 100});
  }
  return burst;
}

TEST(SimTcpServer, DropsAClientThatFloodsRequestsWithoutReadingWhileOthersAreServed) {
  RelaySimulation sim(Dra197());
  ASSERT_TRUE(sim.StartTcp().ok);
  const int hog = NonReadingClient(sim.TcpPort());
  ASSERT_GE(hog, 0);
  const Bytes burst = HundredRegisterReads(64);
  TcpLink good(sim.TcpPort());
  ASSERT_TRUE(good.Connected());
  milliseconds slowest{0};
  int exchanges = 0;
  bool hogDropped = false;
  const auto end = steady_clock::now() + SimTcpServer::kDrainTime + 3s;
  while (steady_clock::now() < end && !hogDropped) {
    for (int i = 0; i < 50 && !hogDropped; ++i) {
      const ssize_t n = send(hog, burst.data(), burst.size(), MSG_NOSIGNAL);
      hogDropped = n < 0 && errno != EAGAIN && errno != EWOULDBLOCK;
      if (n < 0) break;
    }
    const auto before = steady_clock::now();
    ASSERT_EQ(good.Exchange(static_cast<std::uint16_t>(exchanges), 254, {0x03, 0, 1, 0, 1}),
              (Bytes{static_cast<std::uint8_t>(exchanges >> 8),
                     static_cast<std::uint8_t>(exchanges & 0xFF), 0, 0, 0, 5, 254, 3, 2, 0, 197}))
        << "exchange " << exchanges;
    slowest = std::max(slowest, duration_cast<milliseconds>(steady_clock::now() - before));
    ++exchanges;
    std::this_thread::sleep_for(20ms);
  }
  close(hog);
  EXPECT_TRUE(hogDropped) << "the client that does not read is dropped";
  EXPECT_LT(slowest, 1000ms) << "over " << exchanges << " exchanges";
  std::printf("flooding client dropped: %s; %d exchanges of another client, slowest %lld ms\n",
              hogDropped ? "yes" : "no", exchanges, static_cast<long long>(slowest.count()));
}

TEST(SimTcpServer, DropsAClientThatLeavesItsRepliesUnreadWhileOthersAreServed) {
  RelaySimulation sim(Dra197());
  ASSERT_TRUE(sim.StartTcp().ok);
  constexpr int kRequests = 300;  // more replies than the sockets hold, less than kMaxUnsent
  static_assert(kRequests * 209 < SimTcpServer::kMaxUnsent);
  struct Run {
    milliseconds unread;
    bool dropped;
  };
  for (const Run run : {Run{500ms, false}, Run{SimTcpServer::kDrainTime + 1s, true}}) {
    const int hog = NonReadingClient(sim.TcpPort());
    ASSERT_GE(hog, 0);
    const Bytes burst = HundredRegisterReads(kRequests);
    ASSERT_EQ(send(hog, burst.data(), burst.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(burst.size()));
    TcpLink good(sim.TcpPort());
    const auto end = steady_clock::now() + run.unread;
    for (std::uint16_t i = 0; steady_clock::now() < end; ++i) {
      ASSERT_EQ(good.Exchange(i, 254, {0x03, 0, 1, 0, 1}).size(), 11u) << i;
      std::this_thread::sleep_for(50ms);
    }
    // Now read: every reply when it kept its place, a cut stream and the end when dropped.
    fcntl(hog, F_SETFL, 0);
    timeval limit{1, 0};
    setsockopt(hog, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::size_t got = 0;
    bool ended = false;
    for (;;) {
      std::uint8_t buffer[65536];
      const ssize_t n = recv(hog, buffer, sizeof buffer, 0);
      if (n <= 0) {
        ended = n == 0;
        break;
      }
      got += static_cast<std::size_t>(n);
    }
    close(hog);
    EXPECT_EQ(ended, run.dropped) << run.unread.count() << " ms unread";
    if (run.dropped) {
      EXPECT_LT(got, static_cast<std::size_t>(kRequests * 209));
    } else {
      EXPECT_EQ(got, static_cast<std::size_t>(kRequests * 209));
    }
  }
}

TEST(SimTcpServer, ServesTwelveClientsAtOnceEachWithItsOwnDelay) {
  ServerOptions options;
  options.faults.delayMs = 100;
  RelaySimulation sim(Dra197(), options);
  ASSERT_TRUE(sim.StartTcp().ok);
  constexpr int kClients = 12;
  constexpr int kExchanges = 5;
  std::vector<std::unique_ptr<TcpLink>> links;
  for (int i = 0; i < kClients; ++i) {
    links.push_back(std::make_unique<TcpLink>(sim.TcpPort()));
    ASSERT_TRUE(links.back()->Connected());
  }
  std::vector<int> answered(kClients, 0);
  const auto start = steady_clock::now();
  std::vector<std::thread> threads;
  for (int c = 0; c < kClients; ++c) {
    threads.emplace_back([&, c] {
      for (int i = 0; i < kExchanges; ++i) {
        const auto tid = static_cast<std::uint16_t>(c * 100 + i);
        const Bytes want{static_cast<std::uint8_t>(tid >> 8),
                         static_cast<std::uint8_t>(tid),
                         0,
                         0,
                         0,
                         5,
                         254,
                         3,
                         2,
                         0,
                         201};
        if (links[static_cast<std::size_t>(c)]->Exchange(tid, 254, {0x03, 0, 0, 0, 1}) == want) {
          ++answered[static_cast<std::size_t>(c)];
        }
      }
    });
  }
  for (auto& t : threads) t.join();
  const auto took = duration_cast<milliseconds>(steady_clock::now() - start);
  EXPECT_EQ(answered, std::vector<int>(kClients, kExchanges));
  // One after another the delays would add up to 6 s.
  EXPECT_LT(took, milliseconds(kExchanges * 100 * 6)) << took.count() << " ms";
}

TEST(SimTcpServer, ReportsAPortInUse) {
  RelaySimulation first(Dra197());
  ASSERT_TRUE(first.StartTcp().ok);
  RelaySimulation second(Dra197());
  SimStatus s = second.StartTcp("127.0.0.1", first.TcpPort());
  EXPECT_FALSE(s.ok);
  EXPECT_NE(s.error.find(std::to_string(first.TcpPort())), std::string::npos) << s.error;
  EXPECT_FALSE(RelaySimulation(Dra197()).StartTcp("localhost:x", 0).ok);
}

TEST(SimRtuPtyServer, AnswersItsOwnUnitOnlyAndActsOnBroadcasts) {
  RelaySimulation sim(Dra197());
  const auto link = TempLink("rtu-units");
  ASSERT_TRUE(sim.StartRtuPty(link).ok);
  EXPECT_EQ(sim.RtuPath(), link.string());
  PtyLink port(link);
  ASSERT_TRUE(port.Open());
  // FE 03 01 86 00 01: register 390 (temperature modules)
  EXPECT_EQ(port.Exchange(Sealed({0xFE, 0x03, 0x01, 0x86, 0x00, 0x01}), 7),
            Sealed({0xFE, 0x03, 0x02, 0x00, 0x01}));
  EXPECT_TRUE(port.Exchange(Sealed({0x11, 0x03, 0x00, 0x00, 0x00, 0x01}), 7, 300ms).empty())
      << "another slave's request";
  EXPECT_TRUE(
      port.Exchange(Sealed({0x00, 0x10, 0x02, 0x4E, 0x00, 0x01, 0x02, 0x41, 0x42}), 8, 300ms)
          .empty())
      << "broadcasts are never answered";
  EXPECT_EQ(sim.Relay().Password(), "AB34") << "but acted on (first register of 1234)";
  EXPECT_EQ(port.Exchange(Sealed({0xFE, 0x05, 0x00, 0x01, 0xFF, 0x00}), 8),
            Sealed({0xFE, 0x05, 0x00, 0x01, 0xFF, 0x00}))
      << "command 1 as a coil";
  EXPECT_EQ(port.Exchange(Sealed({0xFE, 0x03, 0x04, 0x4A, 0x00, 0x01}), 7),
            Sealed({0xFE, 0x03, 0x02, 0x00, 0x01}))
      << "the motor is starting";
  Bytes noisy{0x55, 0xFE, 0x03};
  Bytes request = Sealed({0xFE, 0x03, 0x00, 0x01, 0x00, 0x01});
  noisy.insert(noisy.end(), request.begin(), request.end());
  EXPECT_EQ(port.Exchange(noisy, 7), Sealed({0xFE, 0x03, 0x02, 0x00, 0xC5})) << "after noise";
  EXPECT_EQ(port.Exchange(Sealed({0xFE, 0x2B, 0x0E, 0x01, 0x00}), 5), Sealed({0xFE, 0xAB, 0x01}))
      << "unknown function";
}

TEST(SimRtuPtyServer, InjectsTheFaultsItIsAskedFor) {
  const Bytes request = Sealed({0xFE, 0x03, 0x00, 0x00, 0x00, 0x02});
  const Bytes good = Sealed({0xFE, 0x03, 0x04, 0x00, 0xC9, 0x00, 0xC5});
  struct Case {
    const char* what;
    FaultOptions faults;
  } cases[] = {{"drop", {1.0, 0, 0, 0, 1, -1}},
               {"corrupt", {0, 1.0, 0, 0, 1, -1}},
               {"garbage", {0, 0, 1.0, 0, 1, -1}},
               {"exception", {0, 0, 0, 0, 1, 1}}};
  for (const Case& c : cases) {
    ServerOptions options;
    options.faults = c.faults;
    RelaySimulation sim(Dra197(), options);
    ASSERT_TRUE(sim.StartRtuPty().ok) << c.what;
    PtyLink port(sim.RtuPath());
    Bytes reply = port.Exchange(request, 40, 400ms);
    if (std::string(c.what) == "drop") {
      EXPECT_TRUE(reply.empty());
    } else if (std::string(c.what) == "corrupt") {
      ASSERT_EQ(reply.size(), good.size());
      EXPECT_NE(reply, good);
      EXPECT_NE(ModbusCrc(reply), 0) << "one flipped bit always breaks the CRC";
    } else if (std::string(c.what) == "garbage") {
      ASSERT_GT(reply.size(), good.size());
      EXPECT_TRUE(std::equal(good.rbegin(), good.rend(), reply.rbegin())) << "reply follows it";
    } else {
      EXPECT_EQ(reply, Sealed({0xFE, 0x83, 0x02}));
    }
  }
}

TEST(SimRtuPtyServer, PacesAndDelaysReplies) {
  // 100 registers: 205 reply bytes of 10 bits each, 213.5 ms at 9600 baud
  const Bytes request = Sealed({0xFE, 0x03, 0x00, 0x00, 0x00, 100});
  ServerOptions paced;
  paced.paceBaud = 9600;
  ServerOptions delayed;
  delayed.faults.delayMs = 250;
  for (const ServerOptions& options : {paced, delayed}) {
    RelaySimulation sim(Dra197(), options);
    ASSERT_TRUE(sim.StartRtuPty().ok);
    PtyLink port(sim.RtuPath());
    const auto start = steady_clock::now();
    Bytes reply = port.Exchange(request, 205, 5000ms);
    const auto took = steady_clock::now() - start;
    EXPECT_EQ(reply.size(), 205u);
    EXPECT_EQ(ModbusCrc(reply), 0);
    EXPECT_GE(took, options.paceBaud ? 213ms : 250ms)
        << "no faster than the line or the delay allows";
  }
}

TEST(SimRtuPtyServer, LinkIsMadeAndRemovedButNeverOverAFile) {
  const auto link = TempLink("rtu-link");
  {
    RelaySimulation sim(Dra197());
    ASSERT_TRUE(sim.StartRtuPty(link).ok);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    RelaySimulation again(Dra197());
    ASSERT_TRUE(again.StartRtuPty(link).ok) << "a stale link is replaced";
    again.Stop();
    sim.Stop();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  }
  { std::ofstream(link) << "keep me"; }
  RelaySimulation sim(Dra197());
  EXPECT_FALSE(sim.StartRtuPty(link).ok);
  std::ifstream in(link);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "keep me");
  std::filesystem::remove(link);
}

TEST(SimDf1PtyServer, AcknowledgesAndAnswersThePollOnItsOwnTerminal) {
  ServerOptions options;
  options.unit = 1;
  RelaySimulation sim(Dra197(), options);
  ASSERT_TRUE(sim.StartDf1Pty(TempLink("df1")).ok);
  PtyLink port(sim.Df1Path());
  ASSERT_TRUE(port.Open());
  // read 2 words at word 0 from station 1, TNS 9, CRC over station, STX, packet, ETX
  Bytes packet{0x01, 0x00, 0x01, 0x00, 0x09, 0x00, 0x00, 0x00, 0x04, 0x00};
  Bytes covered{0x01, 0x02};
  covered.insert(covered.end(), packet.begin(), packet.end());
  covered.push_back(0x03);
  std::uint16_t crc = 0;  // CRC-16/ARC
  for (std::uint8_t b : covered) {
    crc ^= b;
    for (int k = 0; k < 8; ++k)
      crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  Bytes message{0x10, 0x01, 0x01, 0x10, 0x02};
  message.insert(message.end(), packet.begin(), packet.end());
  message.insert(message.end(), {0x10, 0x03, static_cast<std::uint8_t>(crc & 0xFF),
                                 static_cast<std::uint8_t>(crc >> 8), 0x00});
  EXPECT_EQ(port.Exchange(message, 2), (Bytes{0x10, 0x06}));
  Bytes reply = port.Exchange({0x10, 0x05, 0x01, 0xFF, 0x00}, 16);
  ASSERT_EQ(reply.size(), 16u);
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 12),
            (Bytes{0x10, 0x02, 0x00, 0x01, 0x41, 0x00, 0x09, 0x00, 201, 0, 197, 0}));
}

TEST(SimProgram, ServesUntilSignalledThenReleasesLinkAndPort) {
  for (int signal : {SIGTERM, SIGINT}) {
    const auto link = TempLink(signal == SIGTERM ? "prog-term" : "prog-int");
    test::SimProcess sim({"--model", "DRA", "--firmware", "197", "--serial", "777", "--tcp",
                          "127.0.0.1:0", "--rtu-pty", link.string(), "--df1-pty",
                          link.string() + "-df1"});
    ASSERT_TRUE(sim.Ready()) << sim.Output();
    EXPECT_EQ(sim.RtuLink(), link.string());
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.RtuDevice());
    {
      TcpLink tcp(sim.TcpPort());
      EXPECT_EQ(tcp.Exchange(1, 254, {0x03, 0, 0, 0, 4}),
                (Bytes{0, 1, 0, 0, 0, 11, 254, 3, 8, 0, 201, 0, 197, 0x03, 0x09, 0, 0}));
      PtyLink rtu(link);
      EXPECT_EQ(rtu.Exchange(Sealed({0xFE, 0x03, 0x00, 0x02, 0x00, 0x01}), 7),
                Sealed({0xFE, 0x03, 0x02, 0x03, 0x09}));
    }
    const int status = sim.Stop(signal);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link.string() + "-df1")));
    EXPECT_NE(sim.Output().find("df1: " + link.string() + "-df1 -> /dev/pts/"), std::string::npos)
        << sim.Output();
    EXPECT_FALSE(TcpLink(sim.TcpPort()).Connected());
  }
}

TEST(SimProgram, OptionsShapeTheRelay) {
  // only an older file in the folder: firmware 1.97 falls back to it
  const auto folder = TempLink("defaults-185");
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(
      std::filesystem::path(KVX_SOURCE_DIR) / "defaults/dra_defaults_185.xml",
      folder / "dra_defaults_185.xml", std::filesystem::copy_options::overwrite_existing);
  test::SimProcess sim({"--model", "DRA", "--firmware", "197", "--defaults", folder.string(),
                        "--unit", "17", "--password", "abcd", "--events", "3", "--model-code",
                        "999", "--tcp", "127.0.0.1:0"});
  ASSERT_TRUE(sim.Ready()) << sim.Output();
  EXPECT_NE(sim.Output().find("dra_defaults_185.xml"), std::string::npos) << sim.Output();
  TcpLink tcp(sim.TcpPort());
  EXPECT_EQ(tcp.Exchange(1, 17, {0x03, 0, 0, 0, 2}),
            (Bytes{0, 1, 0, 0, 0, 7, 17, 3, 4, 0x03, 0xE7, 0, 197}));
  EXPECT_EQ(tcp.Exchange(2, 17, {0x03, 0x02, 0x4E, 0, 2}),
            (Bytes{0, 2, 0, 0, 0, 7, 17, 3, 4, 'a', 'b', 'c', 'd'}));
  EXPECT_EQ(tcp.Exchange(3, 17, {0x03, 0x03, 0xCD, 0, 1}),
            (Bytes{0, 3, 0, 0, 0, 5, 17, 3, 2, 0, 3}));
  EXPECT_EQ(tcp.Exchange(4, 254, {0x03, 0, 0, 0, 1}), (Bytes{0, 4, 0, 0, 0, 3, 254, 0x83, 0x0B}))
      << "254 is not this relay's unit any more";
}

TEST(SimProgram, HelpStatesTheClientLimitAndTheIdleTimeOut) {
  const test::ProgramResult help = test::RunProgram(test::SimProcess::ProgramPath(), {"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("up to " + std::to_string(SimTcpServer::kMaxClients) + " clients"),
            std::string::npos)
      << help.out;
  EXPECT_NE(help.out.find("--idle-timeout"), std::string::npos) << help.out;

  test::SimProcess sim({"--model", "DRA", "--tcp", "127.0.0.1:0", "--idle-timeout", "0.3"});
  ASSERT_TRUE(sim.Ready()) << sim.Output();
  TcpLink quiet(sim.TcpPort());
  ASSERT_TRUE(quiet.Connected());
  EXPECT_TRUE(quiet.ClosedByPeer()) << "closed after 0.3 s of silence";
}

TEST(SimProgram, RefusesBadOptions) {
  for (std::vector<std::string> args :
       {std::vector<std::string>{"--model", "XYZ", "--tcp", "127.0.0.1:0"},
        {"--model", "DRA"},
        {"--tcp", "127.0.0.1"},
        {"--tcp", "127.0.0.1:0", "--unit", "255"},
        {"--tcp", "127.0.0.1:0", "--idle-timeout", "0"}}) {
    test::SimProcess sim(args, 5);
    EXPECT_FALSE(sim.Ready()) << args[1];
  }
}

}  // namespace
}  // namespace kvx::sim
