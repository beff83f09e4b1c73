// The traffic of the link as lines: one-line decodings for each protocol,
// the password never shown (also behind doubled DLEs and in check bytes), and
// the bounded log with pause, clear and the viewer's cursor.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "comm/frame_decoder.h"
#include "comm/traffic_log.h"

namespace kvx {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr auto Tx = FrameDirection::Tx;
constexpr auto Rx = FrameDirection::Rx;

struct Step {
  FrameDirection direction;
  Bytes bytes;
  const char* hex;   // as shown
  const char* text;  // decoding
};

void Decodes(ProtocolKind protocol, const std::vector<Step>& steps, const char* what) {
  FrameDecoder decoder(protocol);
  for (const Step& s : steps) {
    const DecodedFrame d = decoder.Decode(s.direction, s.bytes);
    EXPECT_EQ(MaskedHex(s.bytes, d.hidden), s.hex) << what;
    EXPECT_EQ(d.text, s.text) << what;
  }
}

TEST(FrameDecoder, Df1ExchangeReadsAsItsSteps) {
  Decodes(ProtocolKind::Df1,
          {
              {Tx,
               {0x10, 0x01, 0x01, 0x10, 0x02, 0x01, 0x00, 0x01, 0x00, 0x05,
                0x00, 0x0C, 0x03, 0x06, 0x00, 0x10, 0x03, 0x17, 0x6F, 0xFF},
               "10 01 01 10 02 01 00 01 00 05 00 0C 03 06 00 10 03 17 6F FF",
               "read 3 words from 390, unit 1, TNS 5"},
              {Rx, {0x10, 0x06}, "10 06", "ACK"},
              {Tx, {0x10, 0x05, 0x01, 0xFF, 0xFF}, "10 05 01 FF FF", "DLE ENQ station 1"},
              {Rx, {0x10, 0x04}, "10 04", "EOT (no reply ready)"},
              {Tx, {0x10, 0x05, 0x10, 0x10, 0xF0, 0xFF}, "10 05 10 10 F0 FF", "DLE ENQ station 16"},
              {Rx, {}, "", "no reply"},
              {Tx, {0x10, 0x15}, "10 15", "NAK"},
          },
          "df1 read");
}

TEST(FrameDecoder, Df1PasswordIsMaskedInWritesAndReadRepliesWithTheirChecks) {
  // Write "Kx" "7w" (4B 78 37 77, low byte first: 78 4B 77 37) to 590, BCC.
  const Bytes write{0x10, 0x01, 0xFE, 0x10, 0x02, 0xFE, 0x00, 0x08, 0x00, 0x07, 0x00,
                    0x9C, 0x04, 0x78, 0x4B, 0x77, 0x37, 0x10, 0x03, 0xAA, 0xFF};
  // Read 2 words at 589 (one before the password), TNS 0x10 (doubled).
  const Bytes read{0x10, 0x01, 0xFE, 0x10, 0x02, 0xFE, 0x00, 0x01, 0x00, 0x10, 0x10,
                   0x00, 0x9A, 0x04, 0x04, 0x00, 0x10, 0x03, 0x11, 0x22, 0xFF};
  // Its reply: word 589 = 0x1010 (doubled), word 590 = "Kx"; CRC 33 44.
  const Bytes reply{0x10, 0x02, 0x00, 0xFE, 0x41, 0x00, 0x10, 0x10, 0x00, 0x10,
                    0x10, 0x10, 0x10, 0x78, 0x4B, 0x10, 0x03, 0x33, 0x44};
  FrameDecoder decoder(ProtocolKind::Df1);
  DecodedFrame d = decoder.Decode(Tx, write);
  EXPECT_EQ(d.text, "write 2 words to 590, unit 254, TNS 7");
  EXPECT_EQ(MaskedHex(write, d.hidden),
            "10 01 FE 10 02 FE 00 08 00 07 00 9C 04 ** ** ** ** 10 03 ** **");
  d = decoder.Decode(Tx, read);
  EXPECT_EQ(d.text, "read 2 words from 589, unit 254, TNS 16");
  EXPECT_FALSE(std::count(d.hidden.begin(), d.hidden.end(), true));
  d = decoder.Decode(Rx, Bytes{0x10, 0x06});
  d = decoder.Decode(Rx, reply);  // the CRC is wrong: hidden whole
  EXPECT_EQ(d.text, "bad frame");
  EXPECT_EQ(std::count(d.hidden.begin(), d.hidden.end(), true), static_cast<long>(reply.size()));

  // The same reply with its real CRC: only the password's bytes and the CRC.
  Bytes packet{0x00, 0xFE, 0x41, 0x00, 0x10, 0x00, 0x10, 0x10, 0x78, 0x4B, 0x03};
  const std::uint16_t crc = Df1Crc(packet);
  Bytes good(reply.begin(), reply.end() - 2);
  good.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  good.push_back(static_cast<std::uint8_t>(crc >> 8));
  d = decoder.Decode(Rx, good);
  EXPECT_EQ(d.text, "2 words, TNS 16");
  EXPECT_EQ(MaskedHex(good, d.hidden), "10 02 00 FE 41 00 10 10 00 10 10 10 10 ** ** 10 03 ** **");
}

TEST(FrameDecoder, ModbusRequestsRepliesAndExceptions) {
  Decodes(ProtocolKind::ModbusRtu,
          {
              {Tx,
               {0xFE, 0x03, 0x01, 0x86, 0x00, 0x03, 0x00, 0x00},
               "FE 03 01 86 00 03 00 00",
               "read 3 registers from 390, unit 254"},
              {Rx,
               {0xFE, 0x03, 0x06, 0, 1, 0, 2, 0, 3, 0, 0},
               "FE 03 06 00 01 00 02 00 03 00 00",
               "3 registers"},
              {Tx,
               {0xFE, 0x10, 0x02, 0x4E, 0x00, 0x02, 0x04, 0x4B, 0x78, 0x37, 0x77, 0x00, 0x00},
               "FE 10 02 4E 00 02 04 ** ** ** ** ** **",
               "write 2 registers to 590, unit 254"},
              {Rx, {0xFE, 0x90, 0x02, 0x00, 0x00}, "FE 90 02 00 00", "exception 2"},
              {Tx,
               {0xFE, 0x05, 0x00, 0x07, 0xFF, 0x00, 0x00, 0x00},
               "FE 05 00 07 FF 00 00 00",
               "force coil 7 on, unit 254"},
              {Rx, {}, "", "no reply"},
          },
          "rtu");
  Decodes(ProtocolKind::ModbusTcp,
          {
              {Tx,
               {0, 1, 0, 0, 0, 6, 0xFE, 0x03, 0x02, 0x4E, 0x00, 0x01},
               "00 01 00 00 00 06 FE 03 02 4E 00 01",
               "read 1 register from 590, unit 254"},
              {Rx,
               {0, 1, 0, 0, 0, 5, 0xFE, 0x03, 0x02, 0x4B, 0x78},
               "00 01 00 00 00 05 FE 03 02 ** **",
               "1 register"},
          },
          "tcp");
}

TEST(TrafficLog, KeepsTheLastLinesPausesClearsAndFeedsAViewerOnlyWhatIsNew) {
  TrafficLog log(5);
  log.SetSerialProtocol(ProtocolKind::Df1);
  const Bytes ack{0x10, 0x06};
  TrafficLog::Cursor cursor;
  bool restart = false;
  for (int i = 0; i < 3; ++i) log.RecordSerial(Rx, ack);
  EXPECT_EQ(log.TakeNew(cursor, restart).size(), 3u);
  EXPECT_FALSE(restart) << "a fresh viewer has nothing to drop";
  log.RecordSerial(Tx, Bytes{0x10, 0x05, 0x01, 0xFF, 0xFF});
  auto fresh = log.TakeNew(cursor, restart);
  ASSERT_EQ(fresh.size(), 1u);
  EXPECT_FALSE(restart);
  EXPECT_EQ(fresh[0].text, "DLE ENQ station 1");
  EXPECT_TRUE(log.TakeNew(cursor, restart).empty());

  // Past the bound: the oldest go, the viewer that fell behind starts again.
  for (int i = 0; i < 12; ++i) log.RecordSerial(Rx, ack);
  EXPECT_EQ(log.Size(), 5u);
  EXPECT_EQ(log.TakeNew(cursor, restart).size(), 5u);
  EXPECT_TRUE(restart);

  log.SetPaused(true);
  log.RecordSerial(Rx, ack);
  EXPECT_EQ(log.Size(), 5u);
  EXPECT_TRUE(log.TakeNew(cursor, restart).empty());
  log.SetPaused(false);

  log.Clear();
  EXPECT_EQ(log.Size(), 0u);
  EXPECT_TRUE(log.TakeNew(cursor, restart).empty());
  EXPECT_TRUE(restart) << "the viewer drops what it shows";
  log.RecordTcp(Tx, Bytes{0, 1, 0, 0, 0, 6, 0xFE, 0x03, 0x01, 0x86, 0x00, 0x01});
  fresh = log.TakeNew(cursor, restart);
  ASSERT_EQ(fresh.size(), 1u);
  EXPECT_FALSE(restart);
  const std::string line = TrafficLog::FormatLine(fresh[0]);
  // "hh:mm:ss.mmm  TX  00 01 ...  read 1 register from 390, unit 254"
  ASSERT_GT(line.size(), 14u);
  EXPECT_EQ(line[2], ':');
  EXPECT_EQ(line[8], '.');
  EXPECT_EQ(line.substr(12),
            "  TX  00 01 00 00 00 06 FE 03 01 86 00 01  read 1 register from 390, unit 254");
  EXPECT_EQ(log.Text(), line + "\n");
}

TEST(TrafficLog, HoldsTenThousandLinesByDefault) {
  TrafficLog log;
  const Bytes ack{0x10, 0x06};
  for (int i = 0; i < 10050; ++i) log.RecordSerial(Rx, ack);
  EXPECT_EQ(log.Size(), 10000u);
}

// Link threads record while the viewer takes: every line is taken once, in
// the order it was recorded per thread.
TEST(TrafficLog, ThreadsRecordWhileTheViewerTakes) {
  TrafficLog log(100000);
  log.SetSerialProtocol(ProtocolKind::Df1);
  auto record = [&log](std::uint8_t station) {
    for (int i = 0; i < 2000; ++i) {
      log.RecordSerial(Tx, Bytes{0x10, 0x05, station, static_cast<std::uint8_t>(-station), 0xFF});
    }
  };
  std::thread a(record, 1), b(record, 2);
  TrafficLog::Cursor cursor;
  std::size_t taken = 0;
  bool restart = false;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (taken < 4000 && std::chrono::steady_clock::now() < until) {
    taken += log.TakeNew(cursor, restart).size();
    EXPECT_FALSE(restart);
  }
  a.join();
  b.join();
  EXPECT_EQ(taken, 4000u);
  EXPECT_TRUE(log.TakeNew(cursor, restart).empty());
}

}  // namespace
}  // namespace kvx
