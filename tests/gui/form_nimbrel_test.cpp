// The main window with the station played by an in-memory serial device: the polling cycle,
// the status indicator, recording on and off, the log file choices, the command line as the
// window applies it, the settings hand-off and the help box. Modal windows are answered by
// TestDialogs(); the poll's one-second wait is recorded instead of waited.
#include "app/form_nimbrel.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/circle_shape.h"
#include "app/com_port_options.h"
#include "app/interval_spin_edit.h"
#include "app/nimbrel_application.h"
#include "app/platform_message_pump.h"
#include "serial/exceptions.h"
#include "tests/gui/fake_user_dialogs.h"
#include "tests/gui/gui_lookup.h"
#include "tests/support/modal_answer.h"
#include "tests/support/memory_serial_device.h"
#include "tests/support/scratch_dir.h"

namespace nimbrel {
namespace {

constexpr char kReply[] =
    "BARO 1013.2 mbar QNH 1015.0 mbar ALTI 85 m HUMI 45 %rF TEMP1 21.3 degC TEMP2 20.1 degC DEW "
    "9.1 degC x\r\n";
constexpr platform::LocalDateTime kNow{2006, 6, 28, 14, 5, 9};
const std::vector<std::string> kHeaderAndRecord{
    "\"THOMMEN HM30\",1.0,2562",
    "28.06.06,1 h (95.8 dy),BARO[mbar], QNH[mbar], ALTI[m], HUMI[%rF], Temp1[\xB0"
    "C], Temp2[\xB0"
    "C]",
    "\"Init=\",#2006-06-28 14:05:09#,9,76,49151,65283,\"DUMMY-HEADER!\"",
    "#2006-06-28 14:05:09#,1013.2,1015.0,85,45,21.3,20.1"};

// The seven controls that recording disables, in the order it does.
const char* const kRecordingLocked[] = {
    "SpinEditInterval", "LabeledEditFile", "ButtonChooseNewFile", "ButtonChooseAppendFile",
    "ButtonRefresh",    "ButtonConfig",    "ButtonInfo"};

struct Look {
  QString caption;
  QColor background;
  QColor text;
};
const Look kNoConnection{"keine Verb.", QColor(128, 128, 128), QColor(192, 192, 192)};
const Look kWaiting{" warten... ", QColor(255, 255, 0), QColor(0, 128, 0)};
const Look kOk{" Status ok. ", QColor(0, 255, 0), QColor(0, 128, 0)};
const Look kNoAnswer{"keine Antw.!", QColor(255, 0, 0), QColor(255, 255, 0)};

std::vector<std::string> FileLines(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  std::vector<std::string> lines;
  std::string all = text.str();
  for (std::size_t start = 0, end; start < all.size(); start = end + 2) {
    end = all.find("\r\n", start);
    if (end == std::string::npos) end = all.size();
    lines.push_back(all.substr(start, end - start));
  }
  return lines;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

NimbrelApplication& Application() {
  return *static_cast<NimbrelApplication*>(QCoreApplication::instance());
}

class FormNimbrelTest : public testing::Test {
 protected:
  FormNimbrelTest() { TestDialogs().Reset(); }

  // The window as the program creates it: FormCreate runs with the error box around it.
  TFormNimbrel& Create(std::vector<std::string> arguments) {
    form_ = std::make_unique<TFormNimbrel>(
        std::move(arguments),
        FormNimbrelServices{TestDialogs(), [this](uint32_t ms) { waits_.push_back(ms); },
                            [] { return kNow; }});
    Application().RunHandler([this] { form_->FormCreate(); });
    return *form_;
  }

  // The station's reply arrives on the line.
  void Answer(const std::string& reply) { device_->Receive(reply); }

  bool WaitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 10000); }
  bool WaitForPolls(std::size_t polls) {
    return device_->WaitUntil([&] { return Count(device_->Sent(), "readall\r") == polls; });
  }

  template <typename Widget = QWidget>
  Widget& Control(const char* name) {
    return Child<Widget>(*form_, name);
  }

  void ExpectStatus(const Look& look) {
    const auto& status = Control<QLabel>("StaticTextStatus");
    EXPECT_EQ(status.text(), look.caption);
    EXPECT_EQ(status.palette().color(QPalette::Window), look.background)
        << look.caption.toStdString();
    EXPECT_EQ(status.palette().color(QPalette::WindowText), look.text)
        << look.caption.toStdString();
    EXPECT_FALSE(status.isHidden());
  }
  bool StatusIs(const Look& look) {
    return Control<QLabel>("StaticTextStatus").text() == look.caption;
  }

  QTimer& Timer() { return Control<QTimer>("Timer"); }
  QTimer& TimerTimeout() { return Control<QTimer>("TimerTimeout"); }
  IntervalSpinEdit& Interval() { return Control<IntervalSpinEdit>("SpinEditInterval"); }
  QString FileField() { return Control<QLineEdit>("LabeledEditFile").text(); }
  bool StartEnabled() { return Control<QPushButton>("ButtonStartStop").isEnabled(); }

  test_support::MemorySerialProvider provider_;
  std::shared_ptr<test_support::MemorySerialDevice> device_ = provider_.AddDevice("\\\\.\\COM1");
  PlatformMessagePump pump_;
  test_support::ScratchDir dir_;
  const std::string log_ = dir_.File("wetter.txt");
  const std::string flag_ = dir_.File("nimbrel.flag");
  std::vector<uint32_t> waits_;
  std::unique_ptr<TFormNimbrel> form_;
};

TEST_F(FormNimbrelTest, StartPollsAtOnceLocksTheSettingsAndStopLeavesTheTimeoutRunning) {
  TFormNimbrel& form = Create({"port=1", "file=" + log_, "int=45"});
  ASSERT_TRUE(StartEnabled());

  form.ButtonStartStopClick();
  EXPECT_TRUE(Timer().isActive());
  EXPECT_EQ(Timer().interval(), 45 * 60000);
  EXPECT_EQ(waits_, std::vector<uint32_t>{1000}) << "one poll at once";
  EXPECT_TRUE(WaitForPolls(1));
  EXPECT_EQ(device_->Sent(), "remote\rreadall\r");
  EXPECT_TRUE(TimerTimeout().isActive());
  EXPECT_EQ(TimerTimeout().interval(), 5000);
  ExpectStatus(kWaiting);
  for (const char* name : kRecordingLocked) EXPECT_FALSE(Control(name).isEnabled()) << name;
  EXPECT_TRUE(StartEnabled());
  EXPECT_EQ(Control<QPushButton>("ButtonStartStop").text(), "Aufzeichnung unterbrechen");
  EXPECT_EQ(Control<CircleShape>("ShapeStatus").BrushColor(), QColor(255, 0, 0));

  form.ButtonStartStopClick();
  EXPECT_FALSE(Timer().isActive());
  EXPECT_TRUE(TimerTimeout().isActive()) << "a pending timeout still takes effect";
  for (const char* name : kRecordingLocked) EXPECT_TRUE(Control(name).isEnabled()) << name;
  EXPECT_EQ(Control<QPushButton>("ButtonStartStop").text(), "Aufzeichnung starten");
  EXPECT_EQ(Control<CircleShape>("ShapeStatus").BrushColor(),
            form.palette().color(QPalette::Button));
  EXPECT_EQ(waits_.size(), 1u) << "stopping does not poll";
}

TEST_F(FormNimbrelTest, ACompleteReplyIsShownAndLoggedAlsoWhenRecordingIsStopped) {
  TFormNimbrel& form = Create({"port=1", "file=" + log_, "flag=" + flag_});
  form.ButtonRefreshClick();
  ASSERT_TRUE(WaitForPolls(1));
  Answer(kReply);
  ASSERT_TRUE(WaitFor([&] { return StatusIs(kOk); }));
  ExpectStatus(kOk);
  EXPECT_FALSE(TimerTimeout().isActive());
  EXPECT_EQ(Control<QLabel>("LabelValBARO").text(), "1013.2 mbar");
  EXPECT_EQ(Control<QLabel>("LabelValHUMI").text(), "45 %rF");
  EXPECT_EQ(Control<QLabel>("LabelValDEW").text(), "9.1 degC");
  EXPECT_TRUE(Control<QLabel>("LabelTIME").text().startsWith("Stand: "));
  EXPECT_NE(Control<QLabel>("LabelTIME").text(), "Stand: N/A");
  EXPECT_EQ(FileLines(log_), kHeaderAndRecord);
  ASSERT_TRUE(std::filesystem::exists(flag_));
  EXPECT_EQ(std::filesystem::file_size(flag_), 0u);
}

TEST_F(FormNimbrelTest, AReplyOnItsWayWhenRecordingStopsIsStillSaved) {
  TFormNimbrel& form = Create({"port=1", "file=" + log_});
  form.ButtonStartStopClick();
  form.ButtonStartStopClick();
  ASSERT_TRUE(WaitForPolls(1));
  Answer(kReply);
  EXPECT_TRUE(WaitFor([&] { return FileLines(log_).size() == 4; }));
}

TEST_F(FormNimbrelTest, WithoutACompleteReplyTheTimeoutShowsNoAnswerUntilTheNextPoll) {
  TFormNimbrel& form = Create({"port=1"});
  form.ButtonRefreshClick();
  ExpectStatus(kWaiting);
  ASSERT_TRUE(WaitForPolls(1));
  Answer("BARO 1013.2 mbar QNH 1015.0 mbar\r");  // incomplete: nothing changes
  QTest::qWait(50);
  ExpectStatus(kWaiting);

  form.TimerTimeoutTimer();
  ExpectStatus(kNoAnswer);
  EXPECT_TRUE(TimerTimeout().isActive()) << "it keeps firing every 5 s";
  form.TimerTimeoutTimer();
  ExpectStatus(kNoAnswer);

  form.ButtonRefreshClick();
  ExpectStatus(kWaiting);
}

TEST_F(FormNimbrelTest, AnIntervalThatIsNoNumberIsReportedAndRecordsEveryMinute) {
  TFormNimbrel& form = Create({"port=1", "file=" + log_});
  Interval().findChild<QLineEdit*>()->setText("");  // as if emptied by the user
  form.ButtonStartStopClick();
  ASSERT_EQ(TestDialogs().messages.size(), 1u);
  EXPECT_EQ(TestDialogs().messages[0].title, "Info");
  EXPECT_EQ(TestDialogs().messages[0].text,
            "Fehler: ungültiges Zeit-Intervall, verwende 1 min stattdessen...");
  EXPECT_EQ(Timer().interval(), 60000);
  EXPECT_TRUE(Timer().isActive());
}

TEST_F(FormNimbrelTest, TheCommandLineIntervalIsBroughtIntoRange) {
  const std::pair<const char*, const char*> cases[] = {{"int=0", "1"},     {"int=121", "120"},
                                                       {"int=500", "120"}, {"int=abc", "60"},
                                                       {"int=-3", "1"},    {"int=45", "45"}};
  for (const auto& [argument, shown] : cases) {
    Create({argument});
    EXPECT_EQ(Interval().text(), shown) << argument;
  }
}

TEST_F(FormNimbrelTest, RecordSwitchStartsRecordingWithAnImmediatePoll) {
  Create({"-record", "port=1", "file=" + log_, "int=30"});
  EXPECT_TRUE(Timer().isActive());
  EXPECT_EQ(Timer().interval(), 30 * 60000);
  EXPECT_TRUE(WaitForPolls(1));
  EXPECT_EQ(FileLines(log_).size(), 3u) << "a missing file is created with its header";
  EXPECT_EQ(FileField(), QString::fromStdString(log_));
}

TEST_F(FormNimbrelTest, AnExistingLogFileIsContinuedWithoutWritingAtStartUp) {
  std::ofstream(log_) << "earlier\r\n";
  Create({"file=" + log_});
  EXPECT_EQ(FileLines(log_), std::vector<std::string>{"earlier"});
  EXPECT_TRUE(form_->fileChosen());
  EXPECT_TRUE(StartEnabled());
}

TEST_F(FormNimbrelTest, AFailingLogFileAtStartUpIsReportedAndEndsTheCommandLine) {
  const std::string folder = dir_.File("");  // a folder cannot be written as a file
  Create({"port=1", "file=" + folder, "int=45", "-record"});
  EXPECT_EQ(TestDialogs().errors, QStringList{"Dateizugriff verweigert."});
  EXPECT_TRUE(form_->fileChosen());
  EXPECT_EQ(form_->logFileName(), folder);
  EXPECT_EQ(FileField(), "N/A");
  EXPECT_FALSE(StartEnabled());
  EXPECT_EQ(Interval().text(), "60") << "later arguments are not applied";
  EXPECT_FALSE(Timer().isActive());
}

TEST_F(FormNimbrelTest, APortThatCannotOpenEndsThePollAfterTheWaitingStatus) {
  TFormNimbrel& form = Create({"port=2", "file=" + log_, "-record"});  // there is no COM2
  EXPECT_EQ(TestDialogs().errors, QStringList{"ie_BadId - Specified comport doesn't exist."});
  ExpectStatus(kWaiting);
  EXPECT_FALSE(TimerTimeout().isActive());
  EXPECT_TRUE(Timer().isActive()) << "recording stays on and polls again after the interval";

  // A click runs its handler as a queued call; the application shows the error.
  TestDialogs().Reset();
  form.ButtonStartStopClick();
  Control<QPushButton>("ButtonRefresh").click();
  EXPECT_TRUE(WaitFor([] { return !TestDialogs().errors.isEmpty(); }));
  EXPECT_EQ(TestDialogs().errors, QStringList{"ie_BadId - Specified comport doesn't exist."});
}

TEST_F(FormNimbrelTest, FileDialogsChooseCancelAndRememberTheirLastFile) {
  TFormNimbrel& form = Create({"port=1"});
  const std::string other = dir_.File("other.txt");
  std::ofstream(other).close();

  TestDialogs().fileAnswers = {QString::fromStdString(log_)};
  form.ButtonChooseNewFileClick();
  EXPECT_EQ(FileLines(log_).size(), 3u);
  EXPECT_TRUE(form.fileChosen());
  EXPECT_EQ(FileField(), QString::fromStdString(log_));
  EXPECT_TRUE(StartEnabled());

  TestDialogs().fileAnswers = {QString::fromStdString(other)};
  form.ButtonChooseAppendFileClick();
  EXPECT_EQ(std::filesystem::file_size(other), 0u) << "continuing writes no header";
  EXPECT_EQ(form.logFileName(), other);

  form.ButtonChooseNewFileClick();  // cancelled
  EXPECT_FALSE(form.fileChosen());
  EXPECT_EQ(form.logFileName(), "");
  EXPECT_EQ(FileField(), "");
  EXPECT_FALSE(StartEnabled());

  const auto& requests = TestDialogs().fileRequests;
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].kind, LogFileDialogKind::kNewFile);
  EXPECT_EQ(requests[0].proposedPath, "wetter.txt");
  EXPECT_EQ(requests[1].kind, LogFileDialogKind::kContinueFile);
  EXPECT_EQ(requests[1].proposedPath, "wetter.txt");
  EXPECT_EQ(requests[2].proposedPath, QString::fromStdString(log_))
      << "the last file chosen in that dialog";
}

TEST_F(FormNimbrelTest, ANewFileThatFailsLeavesThePreviousChoiceInForce) {
  TFormNimbrel& form = Create({"file=" + log_});
  const std::string folder = dir_.File("");
  TestDialogs().fileAnswers = {QString::fromStdString(folder)};
  EXPECT_THROW(form.ButtonChooseNewFileClick(), sio::EInOutError);
  EXPECT_EQ(form.logFileName(), log_) << "records keep going to the file shown";
  EXPECT_TRUE(StartEnabled());
  EXPECT_TRUE(form.fileChosen());
  EXPECT_EQ(FileField(), QString::fromStdString(log_));
}

TEST_F(FormNimbrelTest, AFailingFirstChoiceOffersNoRecording) {
  TFormNimbrel& form = Create({"port=1"});
  TestDialogs().fileAnswers = {QString::fromStdString(dir_.File(""))};
  EXPECT_THROW(form.ButtonChooseAppendFileClick(), sio::EInOutError);
  EXPECT_FALSE(StartEnabled());
  EXPECT_FALSE(form.fileChosen());
  EXPECT_EQ(form.logFileName(), "");
}

TEST_F(FormNimbrelTest, WithoutALogFileRecordsAreShownButNothingIsWritten) {
  TFormNimbrel& form = Create({"port=1", "flag=" + flag_});
  form.ButtonRefreshClick();
  ASSERT_TRUE(WaitForPolls(1));
  Answer(kReply);
  ASSERT_TRUE(WaitFor([&] { return StatusIs(kOk); }));
  EXPECT_FALSE(std::filesystem::exists(flag_));
}

TEST_F(FormNimbrelTest, ALogFileGoneMissingIsReportedFromThePortEventAndTheTimeStaysOld) {
  TFormNimbrel& form = Create({"port=1", "file=" + log_, "flag=" + flag_});
  std::filesystem::remove(log_);
  form.ButtonRefreshClick();
  ASSERT_TRUE(WaitForPolls(1));
  Answer(kReply);
  ASSERT_TRUE(WaitFor([] { return !TestDialogs().errors.isEmpty(); }));
  EXPECT_EQ(TestDialogs().errors, QStringList{"Datei nicht gefunden."});
  ExpectStatus(kOk);
  EXPECT_EQ(Control<QLabel>("LabelValBARO").text(), "1013.2 mbar");
  EXPECT_EQ(Control<QLabel>("LabelTIME").text(), "Stand: N/A");
  EXPECT_FALSE(std::filesystem::exists(log_)) << "not re-created";
  EXPECT_FALSE(std::filesystem::exists(flag_));
}

TEST_F(FormNimbrelTest, TheSettingsDialogCancelledChangesNothingAndAcceptedReopensThePort) {
  TFormNimbrel& form = Create({"port=1"});
  TComPortOptions options;
  form.SetComPortOptions(&options);
  form.ButtonRefreshClick();  // opens the port
  ASSERT_TRUE(form.SioComPort().Open());

  test_support::WhenModalShown<TComPortOptions>([](TComPortOptions& dialog) {
    Child<QRadioButton>(dialog, "BaudsItem9").setChecked(true);
    dialog.reject();
  });
  form.ButtonConfigClick();
  EXPECT_TRUE(form.SioComPort().Open());
  EXPECT_EQ(form.SioComPort().Baud(), 9600);
  EXPECT_EQ(device_->Dcb().BaudRate, 9600u);

  test_support::WhenModalShown<TComPortOptions>([](TComPortOptions& dialog) {
    Child<QRadioButton>(dialog, "BaudsItem9").setChecked(true);
    dialog.accept();
  });
  form.ButtonConfigClick();
  EXPECT_TRUE(form.SioComPort().Open());
  EXPECT_EQ(form.SioComPort().Baud(), 115200);
  EXPECT_EQ(form.SioComPort().ComNumber(), 1);
  EXPECT_EQ(device_->Dcb().BaudRate, 115200u);
}

TEST_F(FormNimbrelTest, TheHelpBoxHasItsTwentyThreeLines) {
  Create({}).ButtonInfoClick();
  ASSERT_EQ(TestDialogs().messages.size(), 1u);
  EXPECT_EQ(TestDialogs().messages[0].title, "Nimbrel Version 2.0.060628");
  const QStringList lines = TestDialogs().messages[0].text.split('\n');
  ASSERT_EQ(lines.size(), 23);
  EXPECT_EQ(lines[0], "Datalogging für Thommen-Wetterstation");
  EXPECT_EQ(lines[2], QString(79, '_'));
  EXPECT_EQ(
      lines[5],
      "   nimbrel [port=Portnummer] [file=Dateiname] [int=Intervall] [flag=Semaphore] [-record] ");
  for (int empty : {1, 3, 6, 10, 13, 18, 21}) EXPECT_TRUE(lines[empty].isEmpty()) << empty + 1;
  EXPECT_EQ(lines[22],
            "Beispiel: nimbrel port=2 file=c:\\wetter.txt int=45 -record flag=c:\\nimbrel.flag");
}

TEST_F(FormNimbrelTest, InitialLookAndLayout) {
  TFormNimbrel& form = Create({});
  EXPECT_EQ(form.windowTitle(), "Nimbrel 2.0");
  EXPECT_EQ(form.size(), QSize(390, 234));
  ExpectStatus(kNoConnection);
  EXPECT_EQ(form.SioComPort().Baud(), 9600);
  EXPECT_EQ(form.SioComPort().ComNumber(), 0);
  EXPECT_EQ(form.SioComPort().TraceName().str(), "SIO.TRC");
  EXPECT_EQ(form.SioComPort().LogName().str(), "Nimbrel.LOG");
  EXPECT_FALSE(form.SioComPort().Open());
  EXPECT_FALSE(StartEnabled());
  EXPECT_FALSE(Timer().isActive());
  EXPECT_EQ(FileField(), "N/A");
  EXPECT_TRUE(Control<QLineEdit>("LabeledEditFile").isReadOnly());
  EXPECT_EQ(Interval().text(), "60");
  EXPECT_TRUE(Control<QLabel>("LabelValTEMP2").font().bold());
  EXPECT_EQ(Control<QLabel>("LabelBARO").font().pointSize(), 7);
  EXPECT_EQ(Control<QLabel>("StaticTextStatus").font().family(), "Small Fonts");

  const std::pair<const char*, QRect> placed[] = {
      {"GroupBox1", QRect(4, 4, 169, 222)},
      {"LabelDEW", QRect(16, 119, 54, 13)},
      {"LabelValBARO", QRect(72, 23, 93, 13)},
      {"LabelTIME", QRect(8, 156, 157, 13)},
      {"ButtonRefresh", QRect(16, 176, 81, 27)},
      {"GroupBox3", QRect(4, 4, 201, 101)},
      {"ButtonChooseNewFile", QRect(12, 25, 45, 24)},
      {"ButtonChooseAppendFile", QRect(64, 24, 97, 25)},
      {"LabeledEditFile", QRect(8, 72, 185, 21)},
      {"GroupBox2", QRect(4, 105, 201, 87)},
      {"SpinEditInterval", QRect(80, 16, 49, 22)},
      {"ButtonStartStop", QRect(8, 48, 161, 25)},
      {"ShapeStatus", QRect(176, 56, 9, 9)},
      {"Panel2", QRect(4, 192, 201, 34)},
      {"ButtonConfig", QRect(8, 8, 89, 25)},
      {"ButtonInfo", QRect(104, 8, 89, 25)},
  };
  form.show();  // lays the panels out
  for (const auto& [name, geometry] : placed) EXPECT_EQ(Control(name).geometry(), geometry) << name;
  EXPECT_EQ(Control<QLabel>("StaticTextStatus").pos(), QPoint(104, 184));
}

}  // namespace
}  // namespace nimbrel
