#include "serial/trace_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/error_strings.h"
#include "tests/support/scratch_dir.h"
#include "tests/trace/file_bytes.h"
#include "tests/trace/repeat.h"

namespace sio {
namespace {

using testing_support::Exists;
using testing_support::ReadWholeFile;
using testing_support::Repeat;
using testing_support::WriteWholeFile;

constexpr uint8_t kSent = TraceRecorder::kTransmitted;
constexpr uint8_t kReceived = TraceRecorder::kReceived;

class TraceRecorderTest : public testing::Test {
 protected:
  void Add(uint8_t kind, const std::string& bytes) {
    for (char c : bytes) trace.AddTraceEntry(kind, static_cast<uint8_t>(c));
  }

  // Dumps with InHex on, AllHex off, and gives the file's bytes.
  std::string Dump() {
    EXPECT_EQ(trace.DumpTrace(path, true, false), 0);
    return ReadWholeFile(path);
  }

  test_support::ScratchDir folder;
  std::string path = folder.File("SIO.TRC");
  TraceRecorder trace;
};

TEST_F(TraceRecorderTest, WritesTheSentAndReceivedExampleByteForByte) {
  ASSERT_EQ(trace.InitTracing(10000), 0);
  Add(kSent, "remote\r");
  Add(kReceived, "10\r");
  EXPECT_EQ(Dump(), "Transmit: \r\nremote[0D]\r\n\r\nReceive: \r\n10[0D]");
}

TEST_F(TraceRecorderTest, WrappedRingWritesTheLastEntriesOldestFirst) {
  ASSERT_EQ(trace.InitTracing(5), 0);
  Add(kSent, "abcdefg");
  EXPECT_EQ(Dump(), "Transmit: \r\ncdefg");
}

TEST_F(TraceRecorderTest, EveryChangeOfKindStartsAHeaderAfterAnEmptyLine) {
  ASSERT_EQ(trace.InitTracing(100), 0);
  Add(kSent, "ab");
  Add(kReceived, "c");
  Add(kSent, "d");
  Add('X', "e");
  EXPECT_EQ(
      Dump(),
      "Transmit: \r\nab\r\n\r\nReceive: \r\nc\r\n\r\nTransmit: \r\nd\r\n\r\nSpecial-X: \r\ne");
}

TEST_F(TraceRecorderTest, BreaksLinesPastColumn78AndRestartsTheCountAtEachHeader) {
  ASSERT_EQ(trace.InitTracing(1000), 0);
  Add(kSent, std::string(80, 'a'));
  Add(kReceived, std::string(70, 'b'));  // counted from 0 again, so no break
  Add(kSent, std::string(20, '\r'));     // 19 of width 4 fit in 78 columns
  EXPECT_EQ(Dump(), "Transmit: \r\n" + std::string(78, 'a') + "\r\naa\r\n\r\nReceive: \r\n" +
                        std::string(70, 'b') + "\r\n\r\nTransmit: \r\n" + Repeat("[0D]", 19) +
                        "\r\n[0D]");
}

TEST_F(TraceRecorderTest, RenderingSwitchesReachTheFile) {
  struct Case {
    bool inHex;
    bool allHex;
    const char* data;
  };
  const Case cases[] = {{false, false, "a [13][0][200]"},
                        {true, false, "a[20][0D][00][C8]"},
                        {false, true, "[61][20][0D][00][C8]"}};
  for (const Case& c : cases) {
    ASSERT_EQ(trace.InitTracing(10), 0);
    Add(kReceived, std::string("a \r\0\xC8", 5));
    EXPECT_EQ(trace.DumpTrace(path, c.inHex, c.allHex), 0);
    EXPECT_EQ(ReadWholeFile(path), std::string("Receive: \r\n") + c.data)
        << "inHex " << c.inHex << " allHex " << c.allHex;
  }
}

TEST_F(TraceRecorderTest, DumpTruncatesAndAppendAddsOrCreates) {
  WriteWholeFile(path, "old contents");
  ASSERT_EQ(trace.InitTracing(10), 0);
  Add(kSent, "x");
  EXPECT_EQ(Dump(), "Transmit: \r\nx");

  ASSERT_EQ(trace.InitTracing(10), 0);
  Add(kSent, "y");
  EXPECT_EQ(trace.AppendTrace(path, true, false), 0);
  EXPECT_EQ(ReadWholeFile(path), "Transmit: \r\nxTransmit: \r\ny");

  const std::string fresh = folder.File("new.trc");
  ASSERT_EQ(trace.InitTracing(10), 0);
  Add(kSent, "z");
  EXPECT_EQ(trace.AppendTrace(fresh, true, false), 0);
  EXPECT_EQ(ReadWholeFile(fresh), "Transmit: \r\nz");
}

TEST_F(TraceRecorderTest, DumpingEndsTracingAndFreesTheRing) {
  ASSERT_EQ(trace.InitTracing(10), 0);
  Add(kSent, "x");
  ASSERT_EQ(trace.DumpTrace(path, true, false), 0);
  EXPECT_FALSE(trace.TraceOn());
  EXPECT_FALSE(trace.HasBuffer());
  Add(kSent, "y");  // ignored without a ring
  EXPECT_EQ(trace.DumpTrace(folder.File("again.trc"), true, false), 0);
  EXPECT_FALSE(Exists(folder.File("again.trc")));
}

TEST_F(TraceRecorderTest, EmptyRingWritesNoFileAndIsFreed) {
  for (bool append : {false, true}) {
    ASSERT_EQ(trace.InitTracing(10), 0);
    const int32_t result =
        append ? trace.AppendTrace(path, true, false) : trace.DumpTrace(path, true, false);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(trace.HasBuffer());
    EXPECT_FALSE(trace.TraceOn());
  }
}

TEST_F(TraceRecorderTest, ClearEmptiesTheRingAndKeepsItsSizeAndState) {
  ASSERT_EQ(trace.InitTracing(5), 0);
  Add(kSent, "abcdefg");
  trace.ClearTracing();
  EXPECT_TRUE(trace.TraceOn());
  EXPECT_EQ(trace.TraceCapacity(), 5u);
  Add(kSent, "xy");
  EXPECT_EQ(Dump(), "Transmit: \r\nxy");
}

TEST_F(TraceRecorderTest, InitWithARingOnlyClearsIt) {
  ASSERT_EQ(trace.InitTracing(5), 0);
  Add(kSent, "abc");
  trace.StopTracing();
  ASSERT_EQ(trace.InitTracing(TraceRecorder::kMaxTraceSize + 1), 0);
  EXPECT_TRUE(trace.TraceOn());
  EXPECT_EQ(trace.TraceCapacity(), 5u);
  Add(kSent, "abcdefg");
  EXPECT_EQ(Dump(), "Transmit: \r\ncdefg");
}

TEST_F(TraceRecorderTest, RejectsASizeAboveTheLimit) {
  EXPECT_EQ(trace.InitTracing(TraceRecorder::kMaxTraceSize + 1), kErrBadArgument);
  EXPECT_FALSE(trace.HasBuffer());
  EXPECT_FALSE(trace.TraceOn());
  EXPECT_EQ(trace.InitTracing(TraceRecorder::kMaxTraceSize), 0);
}

TEST_F(TraceRecorderTest, PausedTraceIgnoresBytesUntilStarted) {
  ASSERT_EQ(trace.InitTracing(10), 0);
  Add(kSent, "a");
  trace.StopTracing();
  Add(kSent, "b");
  trace.StartTracing();
  Add(kSent, "c");
  EXPECT_EQ(Dump(), "Transmit: \r\nac");
}

TEST_F(TraceRecorderTest, RingOfSizeZeroHoldsNothing) {
  ASSERT_EQ(trace.InitTracing(0), 0);
  Add(kSent, "abc");
  EXPECT_EQ(trace.DumpTrace(path, true, false), 0);
  EXPECT_FALSE(Exists(path));
}

TEST_F(TraceRecorderTest, FailedDumpReturnsTheNegatedErrorAndFreesTheRing) {
  struct Case {
    std::string path;
    int32_t error;
  };
  std::vector<Case> cases{{folder.File("missing/SIO.TRC"), -3}, {folder.File(""), -5}};
  if (Exists("/dev/full")) cases.push_back({"/dev/full", -112});  // fails on writing
  for (const Case& c : cases) {
    ASSERT_EQ(trace.InitTracing(10), 0);
    Add(kSent, "abc");
    EXPECT_EQ(trace.DumpTrace(c.path, true, false), c.error) << c.path;
    EXPECT_FALSE(trace.HasBuffer());
    EXPECT_FALSE(trace.TraceOn());
  }
}

}  // namespace
}  // namespace sio
