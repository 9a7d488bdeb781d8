// The log and flag files on disk: new, continued and appended logs byte for byte, and the
// runtime file errors with their German messages, including a write that runs out of space.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "app/core/measurement_log.h"
#include "app/core/reply_parser.h"
#include "serial/exceptions.h"
#include "tests/support/descriptor_exhaustion.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/privileges.h"
#include "tests/support/scratch_dir.h"

namespace nimbrel {
namespace {

// A new log created at 2006-06-28 14:05:09 with one record saved at 14:06:12.
const std::string kHeader =
    "\"THOMMEN HM30\",1.0,2562\r\n"
    "28.06.06,1 h (95.8 dy),BARO[mbar], QNH[mbar], ALTI[m], HUMI[%rF], Temp1[\xB0" "C], Temp2[\xB0" "C]\r\n"
    "\"Init=\",#2006-06-28 14:05:09#,9,76,49151,65283,\"DUMMY-HEADER!\"\r\n";
const std::string kRecordLine = "#2006-06-28 14:06:12#,1013.2,1015.0,85,45,21.3,20.1\r\n";
const std::string kExample = kHeader + kRecordLine;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class MeasurementLogTest : public ::testing::Test {
 protected:
  MeasurementLogTest() {
    ParseReply(
        "BARO 1013.2 mbar QNH 1015.0 mbar ALTI 85 m HUMI 45 %rF TEMP1 21.3 degC "
        "TEMP2 20.1 degC DEW 9.1 degC x",
        record);
  }

  // Creation at the example's first time, records at its second.
  void CreateAsInExample() {
    now = {2006, 6, 28, 14, 5, 9};
    log.CreateWithHeader(logPath);
    now = {2006, 6, 28, 14, 6, 12};
  }

  test_support::ScratchDir dir;
  std::string logPath = dir.File("wetter.txt");
  std::string flagPath = dir.File("nimbrel.flag");
  platform::LocalDateTime now{2006, 6, 28, 14, 6, 12};
  MeasurementLog log{[this] { return now; }};
  MeasurementRecord record;
};

TEST_F(MeasurementLogTest, NewFileWithOneRecordIsTheExample) {
  CreateAsInExample();
  log.SaveRecord(logPath, record, "");
  EXPECT_EQ(ReadBytes(logPath), kExample);
}

TEST_F(MeasurementLogTest, NewFileOverAnExistingOneStartsAfresh) {
  WriteBytes(logPath, "old line\r\nand more\r\n");
  CreateAsInExample();
  EXPECT_EQ(ReadBytes(logPath), kHeader);
}

TEST_F(MeasurementLogTest, ContinuingWritesNoHeader) {
  for (const std::string& existing : {std::string(), kExample}) {
    WriteBytes(logPath, existing);
    log.Continue(logPath);
    EXPECT_EQ(ReadBytes(logPath), existing);
    log.SaveRecord(logPath, record, "");
    EXPECT_EQ(ReadBytes(logPath), existing + kRecordLine);
  }
}

TEST_F(MeasurementLogTest, OpenOrCreateCreatesOnlyAMissingFile) {
  now = {2006, 6, 28, 14, 5, 9};
  log.OpenOrCreate(logPath);
  EXPECT_EQ(ReadBytes(logPath), kHeader);
  log.OpenOrCreate(logPath);
  EXPECT_EQ(ReadBytes(logPath), kHeader);
}

TEST_F(MeasurementLogTest, FlagFileIsRecreatedEmptyAfterEachRecord) {
  CreateAsInExample();
  WriteBytes(flagPath, "stale");
  log.SaveRecord(logPath, record, flagPath);
  EXPECT_TRUE(std::filesystem::exists(flagPath));
  EXPECT_EQ(std::filesystem::file_size(flagPath), 0u);
  std::filesystem::remove(flagPath);
  log.SaveRecord(logPath, record, flagPath);
  EXPECT_TRUE(std::filesystem::exists(flagPath));
  EXPECT_EQ(std::filesystem::file_size(flagPath), 0u);
  EXPECT_EQ(ReadBytes(logPath), kHeader + kRecordLine + kRecordLine);
}

void ExpectFileError(const std::function<void()>& operation, int32_t code,
                     const std::string& message) {
  try {
    operation();
    ADD_FAILURE() << "no file error raised";
  } catch (const sio::EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), code);
    EXPECT_EQ(e.Message(), message);
  }
}

// A write that runs out of room part-way must leave neither half a line in the log nor a fresh
// flag file behind; the next write after the space is back adds exactly one whole line.
TEST_F(MeasurementLogTest, ShortWriteLeavesNoPartialLineAndNoFlag) {
  CreateAsInExample();
  WriteBytes(flagPath, "stale");
  {
    test_support::ScopedFileSizeLimit limit(kHeader.size() + 10);
    ExpectFileError([&] { log.SaveRecord(logPath, record, flagPath); }, 223, "E/A-Fehler 223");
  }
  EXPECT_EQ(ReadBytes(logPath), kHeader);
  EXPECT_EQ(ReadBytes(flagPath), "stale");
  log.SaveRecord(logPath, record, flagPath);
  EXPECT_EQ(ReadBytes(logPath), kExample);
}

TEST_F(MeasurementLogTest, FullDiskIsReportedAndFlagIsLeftAlone) {
  WriteBytes(flagPath, "stale");
  ExpectFileError([&] { log.SaveRecord("/dev/full", record, flagPath); }, 101,
                  "Zu wenig Speicherplatz");
  EXPECT_EQ(ReadBytes(flagPath), "stale");
}

TEST_F(MeasurementLogTest, DeletedLogIsNotRecreated) {
  ExpectFileError([&] { log.SaveRecord(logPath, record, flagPath); }, 2, "Datei nicht gefunden");
  EXPECT_FALSE(std::filesystem::exists(logPath));
  EXPECT_FALSE(std::filesystem::exists(flagPath));
}

// Sanitizers check a class's vtable through a pipe the first time they meet an object of it:
// one file error is raised before the descriptors run out, and they are given back while the
// error unwinds, before it is looked at.
TEST_F(MeasurementLogTest, TooManyOpenFiles) {
  WriteBytes(logPath, kExample);
  ExpectFileError([&] { log.Continue(dir.File("missing.txt")); }, 2, "Datei nicht gefunden");
  ExpectFileError(
      [&] {
        test_support::ScopedDescriptorExhaustion exhausted;
        log.Continue(logPath);
      },
      4, "Zu viele geöffnete Dateien");
}

TEST_F(MeasurementLogTest, ReadOnlyFileIsRefused) {
  if (test_support::RunningAsRoot()) GTEST_SKIP() << "file permissions do not bind root";
  WriteBytes(logPath, kExample);
  std::filesystem::permissions(logPath, std::filesystem::perms::owner_read);
  ExpectFileError([&] { log.Continue(logPath); }, 5, "Dateizugriff verweigert");
  ExpectFileError([&] { log.SaveRecord(logPath, record, ""); }, 5, "Dateizugriff verweigert");
  EXPECT_EQ(ReadBytes(logPath), kExample);
}

enum class Operation { kCreate, kContinue, kOpenOrCreate, kSave };
enum class Target { kMissingFile, kMissingFolder, kFolder, kFullDevice };

struct FailureCase {
  const char* name;
  Operation operation;
  Target target;
  int32_t code;
  std::string message;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class FileFailureTest : public MeasurementLogTest,
                        public ::testing::WithParamInterface<FailureCase> {
 protected:
  std::string PathOf(Target target) const {
    switch (target) {
      case Target::kMissingFile:
        return dir.File("missing.txt");
      case Target::kMissingFolder:
        return dir.File("no-such-folder/wetter.txt");
      case Target::kFolder:
        std::filesystem::create_directory(dir.File("folder.txt"));
        return dir.File("folder.txt");
      case Target::kFullDevice:
        return "/dev/full";
    }
    return {};
  }

  void Run(Operation operation, const std::string& path) const {
    switch (operation) {
      case Operation::kCreate:
        return log.CreateWithHeader(path);
      case Operation::kContinue:
        return log.Continue(path);
      case Operation::kOpenOrCreate:
        return log.OpenOrCreate(path);
      case Operation::kSave:
        return log.SaveRecord(path, record, flagPath);
    }
  }
};

TEST_P(FileFailureTest, RaisesRuntimeFileError) {
  const FailureCase& c = GetParam();
  const std::string path = PathOf(c.target);
  ExpectFileError([&] { Run(c.operation, path); }, c.code, c.message);
  EXPECT_FALSE(std::filesystem::exists(flagPath));
}

// On POSIX a missing folder can only be told from a missing file where the file would have
// been created: there it is "path not found", as on Windows.
INSTANTIATE_TEST_SUITE_P(
    Failures, FileFailureTest,
    ::testing::Values(
        FailureCase{"ContinueMissingFile", Operation::kContinue, Target::kMissingFile, 2,
                    "Datei nicht gefunden"},
        FailureCase{"ContinueInMissingFolder", Operation::kContinue, Target::kMissingFolder, 2,
                    "Datei nicht gefunden"},
        FailureCase{"CreateInMissingFolder", Operation::kCreate, Target::kMissingFolder, 3,
                    "Ungültiger Dateiname"},
        FailureCase{"OpenOrCreateInMissingFolder", Operation::kOpenOrCreate,
                    Target::kMissingFolder, 3, "Ungültiger Dateiname"},
        FailureCase{"CreateOverFolder", Operation::kCreate, Target::kFolder, 5,
                    "Dateizugriff verweigert"},
        FailureCase{"ContinueFolder", Operation::kContinue, Target::kFolder, 5,
                    "Dateizugriff verweigert"},
        FailureCase{"OpenOrCreateFolder", Operation::kOpenOrCreate, Target::kFolder, 5,
                    "Dateizugriff verweigert"},
        FailureCase{"SaveToFolder", Operation::kSave, Target::kFolder, 5,
                    "Dateizugriff verweigert"},
        FailureCase{"CreateOnFullDevice", Operation::kCreate, Target::kFullDevice, 101,
                    "Zu wenig Speicherplatz"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nimbrel
