#include "serial/dispatch_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"
#include "tests/trace/file_bytes.h"
#include "tests/trace/repeat.h"

namespace sio {
namespace {

using testing_support::Exists;
using testing_support::ReadWholeFile;
using testing_support::Repeat;
using testing_support::WriteWholeFile;

constexpr int kHeaderLines = 7;
const std::string kIndent(44, ' ');

// The file split at CR LF; a final line end gives no empty last element.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

class DispatchLogTest : public testing::Test {
 protected:
  DispatchLogTest() {
    log.SetQueueSizes(4096, 2048);
    log.SetLogStartTicks(1000);
    log.SetLogDeviceName("COM3");
  }

  void Add(uint8_t type, uint8_t subType, uint32_t otherData, const std::string& data = "") {
    log.AddDispatchEntry(type, subType, otherData, reinterpret_cast<const uint8_t*>(data.data()),
                         static_cast<uint32_t>(data.size()));
  }

  // The entry lines of a dump with the given switches (header lines checked elsewhere).
  std::vector<std::string> DumpEntries(bool inHex = true, bool allHex = false) {
    EXPECT_EQ(log.DumpDispatchLog(path, inHex, allHex), 0);
    std::vector<std::string> lines = Lines(ReadWholeFile(path));
    if (lines.size() < kHeaderLines) return {};
    return {lines.begin() + kHeaderLines, lines.end()};
  }

  uint32_t nowMs = 2500;
  DispatchLog log{[this] { return nowMs; },
                  [] { return platform::LocalDateTime{2006, 6, 28, 14, 5, 9}; }};
  test_support::ScratchDir folder;
  std::string path = folder.File("SIO.LOG");
};

TEST_F(DispatchLogTest, WritesTheHeaderAndTheWriteExampleByteForByte) {
  ASSERT_EQ(log.InitDispatchLog(10000), 0);
  Add(1, 2, 7, "remote\r");
  ASSERT_EQ(log.DumpDispatchLog(path, true, false), 0);
  const std::string text = ReadWholeFile(path);
  const std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "SIO v1.00");
  EXPECT_EQ(lines[1].rfind("Compiler : ", 0), 0u);
  EXPECT_EQ(lines[2].rfind("Operating System : ", 0), 0u);
  EXPECT_EQ(lines[3], "Device: COM3");
  EXPECT_EQ(lines[4], "Date/time: 28/06/06, 14:05:09");  // the C locale's separators
  EXPECT_EQ(lines[5], "Time      Type      SubType       Data      OtherData");
  EXPECT_EQ(lines[6], "--------  --------  ------------  --------  ---------");
  const std::string entry = "0001.500  Dispatch  WriteCom      00000007  remote[0D]\r\n";
  EXPECT_EQ(text.substr(text.size() - entry.size()), entry);
}

TEST_F(DispatchLogTest, TimeColumnShowsSecondsAndWidensPast9999) {
  struct Case {
    uint32_t ms;
    const char* line;
  };
  const Case cases[] = {
      {0, "0000.000  Trigger   Avail         00000005  "},
      {1234, "0001.234  Trigger   Avail         00000005  "},
      {10000, "0010.000  Trigger   Avail         00000005  "},
      {10000000, "10000.000  Trigger   Avail         00000005  "},
      {4294967295u, "4294967.295  Trigger   Avail         00000005  "},
  };
  ASSERT_EQ(log.InitDispatchLog(10000), 0);
  for (const Case& c : cases) {
    nowMs = 1000 + c.ms;
    Add(2, 5, 5);
  }
  const std::vector<std::string> lines = DumpEntries();
  ASSERT_EQ(lines.size(), std::size(cases));
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], cases[i].line);
}

TEST_F(DispatchLogTest, LongDataContinuesUnderTheDataColumn) {
  ASSERT_EQ(log.InitDispatchLog(10000), 0);
  Add(1, 1, 70, std::string(70, 'a'));
  Add(1, 1, 9, std::string(9, '\r'));
  const std::string prefix1 = "0001.500  Dispatch  ReadCom       00000046  ";
  const std::string prefix2 = "0001.500  Dispatch  ReadCom       00000009  ";
  EXPECT_EQ(DumpEntries(), (std::vector<std::string>{
                               prefix1 + std::string(33, 'a'), kIndent + std::string(33, 'a'),
                               kIndent + "aaaa", prefix2 + Repeat("[0D]", 8), kIndent + "[0D]"}));
}

TEST_F(DispatchLogTest, EntryKindsAddTheirOwnText) {
  struct Case {
    uint8_t type;
    uint8_t subType;
    uint32_t otherData;
    std::string data;
    bool allHex;
    const char* line;
  };
  const Case cases[] = {
      {2, 7, 3, "", false, "0001.500  Trigger   Data          00000003  "},
      {7, 17, 0x1234, "", false, "0001.500  TrgHdAlc  Window        00001234  "},
      {9, 16, 0xABCDEF01, "", false, "0001.500  TrDatChg  Avail         ABCDEF01  "},
      {1, 0, 0, "", false, "0001.500  Dispatch                00000000  "},
      {3, 4, 0x91, "x", false, "0001.500  Error     Modem status  00000091  x(DCTS CTS DCD)"},
      {3, 4, 0, "x", false, "0001.500  Error     Modem status  00000000  x()"},
      {5, 15, 0, std::string(1, '\3'), false,
       "0001.500  TrigAllc  Status        00000000  (Output buffer free)"},
      {6, 15, 0, std::string(1, '\0'), false,
       "0001.500  TrigDisp  Status        00000000  (Not active)"},
      {2, 15, 0, std::string(1, '\3'), false, "0001.500  Trigger   Status        00000000  [03]"},
      {19, 13, 0, "ab", true, "0001.500  User      Data          00000000  ab"},
      {1, 2, 0, "ab", true, "0001.500  Dispatch  WriteCom      00000000  [61][62]"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(log.InitDispatchLog(10000), 0);
    Add(c.type, c.subType, c.otherData, c.data);
    EXPECT_EQ(DumpEntries(true, c.allHex), std::vector<std::string>{c.line});
  }
}

TEST_F(DispatchLogTest, FullLogKeepsTheNewestWholeEntries) {
  ASSERT_EQ(log.InitDispatchLog(100), 0);  // room for three entries of 26 bytes
  for (uint32_t n = 1; n <= 5; ++n) Add(1, 1, n, std::string(10, static_cast<char>('0' + n)));
  const std::string prefix = "0001.500  Dispatch  ReadCom       0000000";
  EXPECT_EQ(DumpEntries(),
            (std::vector<std::string>{prefix + "3  3333333333", prefix + "4  4444444444",
                                      prefix + "5  5555555555"}));
}

// A header that fits with data that does not would leave the ring describing missing data;
// such data is cut to what one entry can carry instead, and the log stays readable.
TEST_F(DispatchLogTest, DataTooBigForTheRingIsCutAndTheLogStaysConsistent) {
  ASSERT_EQ(log.InitDispatchLog(64), 0);  // an entry carries at most 47 bytes
  Add(1, 2, 200, std::string(200, 'a'));
  EXPECT_EQ(DumpEntries(),
            (std::vector<std::string>{
                "0001.500  Dispatch  WriteCom      000000C8  " + std::string(33, 'a'),
                kIndent + std::string(14, 'a')}));

  ASSERT_EQ(log.InitDispatchLog(64), 0);
  Add(1, 2, 64, std::string(64, 'a'));
  Add(2, 6, 1);
  Add(2, 6, 2);
  EXPECT_EQ(DumpEntries(),
            (std::vector<std::string>{"0001.500  Trigger   Timer         00000001  ",
                                      "0001.500  Trigger   Timer         00000002  "}));
}

TEST_F(DispatchLogTest, DataIsCutToTheLargerQueueSize) {
  log.SetQueueSizes(4, 8);
  ASSERT_EQ(log.InitDispatchLog(10000), 0);
  Add(1, 1, 20, std::string(20, 'z'));
  EXPECT_EQ(DumpEntries(),
            std::vector<std::string>{"0001.500  Dispatch  ReadCom       00000014  zzzzzzzz"});
}

TEST_F(DispatchLogTest, EmptyOrMissingLogWritesNoFileAndIsFreed) {
  for (bool append : {false, true}) {
    EXPECT_EQ(log.DumpDispatchLog(path, true, false), 0);  // no ring
    ASSERT_EQ(log.InitDispatchLog(100), 0);
    const int32_t result =
        append ? log.AppendDispatchLog(path, true, false) : log.DumpDispatchLog(path, true, false);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(log.HasBuffer());
    EXPECT_FALSE(log.LogOn());
  }
}

TEST_F(DispatchLogTest, DumpTruncatesAndAppendAddsAFullLog) {
  WriteWholeFile(path, "old contents");
  ASSERT_EQ(log.InitDispatchLog(100), 0);
  Add(2, 8, 1);
  EXPECT_EQ(DumpEntries(),
            std::vector<std::string>{"0001.500  Trigger   Status        00000001  "});

  ASSERT_EQ(log.InitDispatchLog(100), 0);
  Add(2, 8, 2);
  ASSERT_EQ(log.AppendDispatchLog(path, true, false), 0);
  const std::vector<std::string> lines = Lines(ReadWholeFile(path));
  ASSERT_EQ(lines.size(), 2u * (kHeaderLines + 1));
  EXPECT_EQ(lines[kHeaderLines + 1], "SIO v1.00");
  EXPECT_EQ(lines.back(), "0001.500  Trigger   Status        00000002  ");
}

TEST_F(DispatchLogTest, PausedLogIgnoresEntriesUntilStarted) {
  ASSERT_EQ(log.InitDispatchLog(100), 0);
  Add(2, 6, 1);
  log.StopDispatchLog();
  Add(2, 6, 2);
  log.StartDispatchLog();
  Add(2, 6, 3);
  EXPECT_EQ(DumpEntries(),
            (std::vector<std::string>{"0001.500  Trigger   Timer         00000001  ",
                                      "0001.500  Trigger   Timer         00000003  "}));
}

TEST_F(DispatchLogTest, ClearAndRepeatedInitEmptyTheRingAndKeepItsSize) {
  ASSERT_EQ(log.InitDispatchLog(100), 0);
  Add(2, 6, 1);
  log.ClearDispatchLog();
  EXPECT_TRUE(log.LogOn());
  Add(2, 6, 2);
  log.StopDispatchLog();
  ASSERT_EQ(log.InitDispatchLog(100000), 0);
  EXPECT_TRUE(log.LogOn());
  Add(2, 6, 3);
  Add(1, 2, 90, std::string(90, 'q'));  // cut to the 83 bytes a 100-byte ring takes
  EXPECT_EQ(DumpEntries(),
            (std::vector<std::string>{
                "0001.500  Dispatch  WriteCom      0000005A  " + std::string(33, 'q'),
                kIndent + std::string(33, 'q'), kIndent + std::string(17, 'q')}));
}

TEST_F(DispatchLogTest, FailedOpenKeepsTheEntriesWithLoggingOff) {
  struct Case {
    std::string path;
    int32_t error;
  };
  const Case cases[] = {{folder.File("missing/SIO.LOG"), -3}, {folder.File(""), -5}};
  for (const Case& c : cases) {
    ASSERT_EQ(log.InitDispatchLog(100), 0);
    Add(2, 6, 1);
    EXPECT_EQ(log.DumpDispatchLog(c.path, true, false), c.error) << c.path;
    EXPECT_TRUE(log.HasBuffer());
    EXPECT_FALSE(log.LogOn());
    Add(2, 6, 2);  // logging is off
    EXPECT_EQ(DumpEntries(),
              std::vector<std::string>{"0001.500  Trigger   Timer         00000001  "});
  }
}

TEST_F(DispatchLogTest, FailedWriteIsReportedAndFreesTheLog) {
  if (!Exists("/dev/full")) GTEST_SKIP() << "needs /dev/full";
  ASSERT_EQ(log.InitDispatchLog(100), 0);
  Add(2, 6, 1);
  EXPECT_EQ(log.DumpDispatchLog("/dev/full", true, false), -112);
  EXPECT_FALSE(log.HasBuffer());
}

}  // namespace
}  // namespace sio
