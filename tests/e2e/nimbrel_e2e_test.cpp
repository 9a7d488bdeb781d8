// The real nimbrel program against the real station simulator on a pseudo-terminal, on Qt's
// offscreen platform, with its error boxes printed to stderr (NIMBREL_ERRORS_TO_STDERR).
// Every run polls once at start (int=1 -record), so each test lasts a few seconds.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/qt_application_environment.h"
#include "tests/support/scratch_dir.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

constexpr int kStartMs = 5000;

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QThread::msleep(20);
  }
  return true;
}

std::string FileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The lines of a CR LF text file.
std::vector<std::string> FileLines(const std::string& path) {
  const std::string all = FileText(path);
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; start < all.size(); start = end + 2) {
    end = all.find("\r\n", start);
    if (end == std::string::npos) end = all.size();
    lines.push_back(all.substr(start, end - start));
  }
  return lines;
}

// Ends the process when it goes out of scope: politely first.
void Stop(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.terminate();
  if (!process.waitForFinished(3000)) {
    process.kill();
    process.waitForFinished(3000);
  }
}

// station-sim on a new pseudo-terminal.
class Station {
 public:
  explicit Station(const QStringList& options) {
    process_.start(QStringLiteral(STATION_SIM_PATH), options);
    if (process_.waitForReadyRead(kStartMs))
      pty_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
  }
  ~Station() { Stop(process_); }
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  const QString& Pty() const { return pty_; }

 private:
  QProcess process_;
  QString pty_;
};

// nimbrel with COM1 on the station's terminal, working in `folder`.
class Logger {
 public:
  Logger(const Station& station, const QStringList& arguments,
         const test_support::ScratchDir& folder)
      : stderrPath_(folder.File("stderr.txt")) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SIO_COM1"), station.Pty());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("NIMBREL_ERRORS_TO_STDERR"), QStringLiteral("1"));
    process_.setProcessEnvironment(environment);
    process_.setWorkingDirectory(QString::fromStdString(folder.File("")));
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.setStandardErrorFile(QString::fromStdString(stderrPath_));
    process_.start(QStringLiteral(NIMBREL_PATH), arguments);
    process_.waitForStarted(kStartMs);
  }
  ~Logger() { Stop(process_); }
  Logger(const Logger&) = delete;
  Logger& operator=(const Logger&) = delete;

  bool Running() const { return process_.state() == QProcess::Running; }

  // The texts of the error boxes shown so far.
  std::vector<std::string> Errors() const {
    std::vector<std::string> errors;
    std::istringstream text(FileText(stderrPath_));
    for (std::string line; std::getline(text, line);) {
      if (line.starts_with("Nimbrel: ")) errors.push_back(line.substr(9));
    }
    return errors;
  }

 private:
  std::string stderrPath_;
  QProcess process_;
};

bool IsRecordLine(const std::string& line) {
  static const QRegularExpression kRecord(
      QStringLiteral("^#\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d#(,[^,]+){6}$"));
  return kRecord.match(QString::fromLatin1(line)).hasMatch();
}

class NimbrelE2e : public testing::Test {
 protected:
  // The usual unattended start: log, flag, one minute, recording at once.
  QStringList Recording() const {
    return {"port=1", "file=" + QString::fromStdString(log_), "int=1", "-record",
            "flag=" + QString::fromStdString(flag_)};
  }
  bool RecordLogged() {
    return Eventually([this] { return FileLines(log_).size() >= 4; });
  }

  test_support::ScratchDir folder_;
  const std::string log_ = folder_.File("wetter.txt");
  const std::string flag_ = folder_.File("nimbrel.flag");
};

TEST_F(NimbrelE2e, RecordingFromTheCommandLineLogsTheHeaderARecordAndTheFlag) {
  Station station({"--seed", "7"});
  ASSERT_FALSE(station.Pty().isEmpty());
  Logger logger(station, Recording(), folder_);
  ASSERT_TRUE(RecordLogged());
  const std::vector<std::string> lines = FileLines(log_);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "\"THOMMEN HM30\",1.0,2562");
  EXPECT_TRUE(lines[2].starts_with("\"Init=\",#")) << lines[2];
  EXPECT_TRUE(IsRecordLine(lines[3])) << lines[3];
  ASSERT_TRUE(std::filesystem::exists(flag_));
  EXPECT_EQ(std::filesystem::file_size(flag_), 0u);
  EXPECT_TRUE(logger.Errors().empty());
  EXPECT_TRUE(logger.Running());
}

TEST_F(NimbrelE2e, ASilentStationGivesNoRecordAndNoFlag) {
  Station station({"--silent"});
  Logger logger(station, Recording(), folder_);
  ASSERT_TRUE(Eventually([this] { return FileLines(log_).size() == 3; }));
  QThread::msleep(2500);  // the poll is long done by now
  EXPECT_EQ(FileLines(log_).size(), 3u);
  EXPECT_FALSE(std::filesystem::exists(flag_));
  EXPECT_TRUE(logger.Errors().empty());
}

TEST_F(NimbrelE2e, AMissingSensorIsLoggedAsMinus20000) {
  Station station({"--missing", "TEMP2", "--seed", "3"});
  Logger logger(station, Recording(), folder_);
  ASSERT_TRUE(RecordLogged());
  const std::string record = FileLines(log_)[3];
  EXPECT_TRUE(record.ends_with(",-20000")) << record;
  EXPECT_TRUE(IsRecordLine(record)) << record;
}

TEST_F(NimbrelE2e, NoiseOrAReplyInSmallPiecesStillGivesExactlyOneRecordPerPoll) {
  const QStringList variants[] = {
      {"--garbage", "--seed", "5"}, {"--chunks", "3"}, {"--delay", "300"}};
  for (const QStringList& options : variants) {
    SCOPED_TRACE(options.join(' ').toStdString());
    test_support::ScratchDir folder;
    const std::string log = folder.File("wetter.txt");
    Station station(options);
    Logger logger(station, {"port=1", "file=" + QString::fromStdString(log), "int=1", "-record"},
                  folder);
    ASSERT_TRUE(Eventually([&log] { return FileLines(log).size() >= 4; }));
    QThread::msleep(1000);  // a second record would come in this time
    const std::vector<std::string> written = FileLines(log);
    ASSERT_EQ(written.size(), 4u);
    EXPECT_TRUE(IsRecordLine(written[3])) << written[3];
  }
}

TEST_F(NimbrelE2e, ALogFileThatCannotBeWrittenIsReportedAndTheProgramGoesOn) {
  // A folder cannot be opened as a file, also not by root.
  Station station({});
  const QString folderAsFile = QString::fromStdString(folder_.File(""));
  Logger logger(station, {"port=1", "file=" + folderAsFile, "int=1", "-record"}, folder_);
  ASSERT_TRUE(Eventually([&logger] { return !logger.Errors().empty(); }));
  EXPECT_EQ(logger.Errors(), std::vector<std::string>{"Dateizugriff verweigert."});
  QThread::msleep(500);
  EXPECT_TRUE(logger.Running());
}

TEST_F(NimbrelE2e, AFlagFileThatCannotBeWrittenIsReportedAfterTheRecordIsLogged) {
  Station station({});
  Logger logger(station,
                {"port=1", "file=" + QString::fromStdString(log_), "int=1", "-record",
                 "flag=" + QString::fromStdString(folder_.File(""))},
                folder_);
  ASSERT_TRUE(RecordLogged());
  ASSERT_TRUE(Eventually([&logger] { return !logger.Errors().empty(); }));
  EXPECT_EQ(logger.Errors(), std::vector<std::string>{"Dateizugriff verweigert."});
  EXPECT_TRUE(logger.Running());
}

[[maybe_unused]] const testing::Environment* const kCoreApplication =
    testing::AddGlobalTestEnvironment(new test_support::QtApplicationEnvironment<QCoreApplication>);

}  // namespace
}  // namespace nimbrel
