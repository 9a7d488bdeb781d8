#include "app/form_nimbrel.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <array>
#include <utility>

#include "app/com_port_options.h"
#include "app/core/reply_parser.h"
#include "app/help_text.h"
#include "ui_form_nimbrel.h"

namespace nimbrel {

namespace {

constexpr int kMsPerMinute = 60000;
constexpr char kInvalidIntervalText[] =
    "Fehler: ungültiges Zeit-Intervall, verwende 1 min stattdessen...";
constexpr char kProposedFileName[] = "wetter.txt";

struct StatusLook {
  const char* caption;
  QColor background;
  QColor text;
};

const QColor kGreen(0, 128, 0);

// By LinkStatus.
const std::array<StatusLook, 4> kStatusLooks{{
    {"keine Verb.", QColor(128, 128, 128), QColor(192, 192, 192)},
    {" warten... ", QColor(255, 255, 0), kGreen},
    {" Status ok. ", QColor(0, 255, 0), kGreen},
    {"keine Antw.!", QColor(255, 0, 0), QColor(255, 255, 0)},
}};

std::string FilePath(const QString& name) { return QFile::encodeName(name).toStdString(); }
QString FileName(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

// The locale's long time format without its time zone, which a clock display does not need.
QString LongTimeFormat(const QLocale& locale) {
  QString format = locale.timeFormat(QLocale::LongFormat);
  format.remove(QRegularExpression(QStringLiteral("\\s*t+")));
  return format.trimmed();
}

}  // namespace

TFormNimbrel::TFormNimbrel(std::vector<std::string> arguments, FormNimbrelServices services,
                           QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::TFormNimbrel>()),
      dialogs_(services.dialogs),
      blockingWait_(std::move(services.blockingWait)),
      log_(std::move(services.clock)),
      arguments_(std::move(arguments)),
      Timer_(new QTimer(this)),
      TimerTimeout_(new QTimer(this)),
      saveDialogFileName_(QString::fromLatin1(kProposedFileName)),
      openDialogFileName_(QString::fromLatin1(kProposedFileName)) {
  ui_->setupUi(this);
  move(263, 197);
  QPalette fileField = ui_->LabeledEditFile->palette();
  fileField.setColor(QPalette::Base, palette().color(QPalette::Window));
  ui_->LabeledEditFile->setPalette(fileField);
  ui_->SpinEditInterval->SetValue(60);
  SetStatus(LinkStatus::kNoConnection);

  Timer_->setObjectName(QStringLiteral("Timer"));
  TimerTimeout_->setObjectName(QStringLiteral("TimerTimeout"));
  TimerTimeout_->setInterval(kTimeoutMs);
  SetUpPort();
  ConnectHandlers();
}

TFormNimbrel::~TFormNimbrel() {
  // The port closes after this; events it still delivers find no handler.
  SioComPort_.SetOnTriggerAvail({});
}

void TFormNimbrel::SetUpPort() {
  SioComPort_.BeginLoading();
  SioComPort_.SetBaud(9600);
  SioComPort_.SetTraceName("SIO.TRC");
  SioComPort_.SetLogName("Nimbrel.LOG");
  SioComPort_.SetOnTriggerAvail(
      [this](sio::TComponent* Sender, uint16_t Count) { SioComPortTriggerAvail(Sender, Count); });
  SioComPort_.Loaded();
}

// Clicks are handled as queued calls, so that an exception ending a handler leaves through the
// application's event delivery only, not through the button's own code.
void TFormNimbrel::ConnectHandlers() {
  const auto onClick = [this](QAbstractButton* button, void (TFormNimbrel::*handler)()) {
    connect(button, &QAbstractButton::clicked, this, handler, Qt::QueuedConnection);
  };
  onClick(ui_->ButtonRefresh, &TFormNimbrel::ButtonRefreshClick);
  onClick(ui_->ButtonStartStop, &TFormNimbrel::ButtonStartStopClick);
  onClick(ui_->ButtonConfig, &TFormNimbrel::ButtonConfigClick);
  onClick(ui_->ButtonInfo, &TFormNimbrel::ButtonInfoClick);
  onClick(ui_->ButtonChooseNewFile, &TFormNimbrel::ButtonChooseNewFileClick);
  onClick(ui_->ButtonChooseAppendFile, &TFormNimbrel::ButtonChooseAppendFileClick);
  connect(Timer_, &QTimer::timeout, this, &TFormNimbrel::TimerTimer);
  connect(TimerTimeout_, &QTimer::timeout, this, &TFormNimbrel::TimerTimeoutTimer);
}

// --- Start-up ---------------------------------------------------------------------------------

void TFormNimbrel::FormCreate() {
  lineBuffer_.Clear();
  parseCommandLine();
}

void TFormNimbrel::parseCommandLine() { ApplyCommandLine(arguments_, *this); }

void TFormNimbrel::SetComNumber(uint16_t number) { SioComPort_.SetComNumber(number); }

void TFormNimbrel::SetIntervalMinutes(int32_t minutes) { ui_->SpinEditInterval->SetValue(minutes); }

void TFormNimbrel::SetFlagFileName(const std::string& path) { flagFileName_ = path; }

void TFormNimbrel::OpenOrCreateLogFile(const std::string& path) {
  logFileName_ = path;
  fileChosen_ = true;
  log_.OpenOrCreate(logFileName_);
  ShowLogFileName();
  ui_->ButtonStartStop->setEnabled(true);
}

void TFormNimbrel::StartRecording() { ButtonStartStopClick(); }

// --- Receiving --------------------------------------------------------------------------------

void TFormNimbrel::SioComPortTriggerAvail(sio::TComponent*, uint16_t Count) {
  for (uint16_t i = 0; i < Count; ++i) {
    if (lineBuffer_.Feed(SioComPort_.ReadChar())) processData(lineBuffer_.Text());
  }
}

void TFormNimbrel::processData(std::string Line) {
  clearDataRecord();
  ParseReply(Line, record_);
  if (!record_.IsComplete()) return;
  TimerTimeout_->stop();
  SetStatus(LinkStatus::kOk);
  showRecord();
  saveRecord();
  ShowTime();
}

void TFormNimbrel::clearDataRecord() { record_.clearDataRecord(); }

void TFormNimbrel::showRecord() {
  const std::array<QLabel*, kQuantityCount> labels{
      ui_->LabelValBARO,  ui_->LabelValQNH,   ui_->LabelValALTI, ui_->LabelValHUMI,
      ui_->LabelValTEMP1, ui_->LabelValTEMP2, ui_->LabelValDEW};
  for (const Quantity quantity : kAllQuantities) {
    labels[static_cast<std::size_t>(quantity)]->setText(
        QString::fromLatin1(record_.DisplayText(quantity)));
  }
}

void TFormNimbrel::ShowTime() {
  const QLocale locale = QLocale::system();
  const QDateTime now = QDateTime::currentDateTime();
  ui_->LabelTIME->setText(QStringLiteral("Stand: ") +
                          locale.toString(now.date(), QLocale::ShortFormat) + QStringLiteral(", ") +
                          locale.toString(now.time(), LongTimeFormat(locale)));
}

// --- Log file ---------------------------------------------------------------------------------

void TFormNimbrel::saveRecord() {
  if (!fileChosen_) return;
  log_.SaveRecord(logFileName_, record_, flagFileName_);
}

void TFormNimbrel::writeFileHeader() { log_.CreateWithHeader(logFileName_); }

void TFormNimbrel::ButtonChooseNewFileClick() {
  ChooseLogFile(LogFileDialogKind::kNewFile, saveDialogFileName_, [this] { writeFileHeader(); });
}

void TFormNimbrel::ButtonChooseAppendFileClick() {
  ChooseLogFile(LogFileDialogKind::kContinueFile, openDialogFileName_,
                [this] { log_.Continue(logFileName_); });
}

// A cancelled dialog clears the choice. A file that fails in `prepareFile` leaves the previous
// choice in force as a whole (name, Start button, what is shown), so that the window never
// shows one file while records go to another, nor offers to record without a file.
void TFormNimbrel::ChooseLogFile(LogFileDialogKind kind, QString& dialogFileName,
                                 const std::function<void()>& prepareFile) {
  const QString chosen = dialogs_.ChooseLogFile(kind, dialogFileName);
  if (chosen.isEmpty()) {
    fileChosen_ = false;
    logFileName_.clear();
    ui_->ButtonStartStop->setEnabled(false);
  } else {
    dialogFileName = chosen;
    const std::string previousName = std::exchange(logFileName_, FilePath(chosen));
    try {
      prepareFile();
    } catch (...) {
      logFileName_ = previousName;
      throw;
    }
    ui_->ButtonStartStop->setEnabled(true);
    fileChosen_ = true;
  }
  ShowLogFileName();
}

void TFormNimbrel::ShowLogFileName() { ui_->LabeledEditFile->setText(FileName(logFileName_)); }

// --- Polling cycle ----------------------------------------------------------------------------

void TFormNimbrel::ReadData() {
  TimerTimeout_->stop();
  SetStatus(LinkStatus::kWaiting);
  SioComPort_.WriteString("remote\r");
  blockingWait_(kPollWaitMs);
  TimerTimeout_->start();
  SioComPort_.WriteString("readall\r");
}

void TFormNimbrel::TimerTimer() { ReadData(); }

// Not stopped here: it fires again every 5 s until a poll or a complete record stops it.
void TFormNimbrel::TimerTimeoutTimer() { SetStatus(LinkStatus::kNoAnswer); }

void TFormNimbrel::ButtonRefreshClick() { ReadData(); }

void TFormNimbrel::ButtonStartStopClick() {
  if (Timer_->isActive()) {
    Timer_->stop();
    SetRecordingControlsEnabled(true);
    ui_->ButtonStartStop->setText(QStringLiteral("Aufzeichnung starten"));
    ui_->ShapeStatus->SetBrushColor(palette().color(QPalette::Button));
    return;
  }
  SetRecordingControlsEnabled(false);
  ui_->ButtonStartStop->setText(QStringLiteral("Aufzeichnung unterbrechen"));
  ui_->ShapeStatus->SetBrushColor(QColor(255, 0, 0));
  Timer_->setInterval(IntervalMinutes() * kMsPerMinute);
  Timer_->start();
  TimerTimer();
}

// The interval field's number; a text that is no number is reported and counts as 1 minute.
int32_t TFormNimbrel::IntervalMinutes() {
  const auto minutes = ui_->SpinEditInterval->Value();
  if (!minutes) {
    dialogs_.ShowMessage(QStringLiteral("Info"), QString::fromUtf8(kInvalidIntervalText));
    return IntervalSpinEdit::kMinimum;
  }
  // The field clamps when it loses the focus; a text it has not clamped yet is not trusted.
  return std::clamp(*minutes, IntervalSpinEdit::kMinimum, IntervalSpinEdit::kMaximum);
}

void TFormNimbrel::SetRecordingControlsEnabled(bool enabled) {
  const std::array<QWidget*, 7> controls{ui_->SpinEditInterval,    ui_->LabeledEditFile,
                                         ui_->ButtonChooseNewFile, ui_->ButtonChooseAppendFile,
                                         ui_->ButtonRefresh,       ui_->ButtonConfig,
                                         ui_->ButtonInfo};
  for (QWidget* control : controls) control->setEnabled(enabled);
  ui_->LabeledEditFileLabel->setEnabled(enabled);
}

void TFormNimbrel::SetStatus(LinkStatus status) {
  const StatusLook& look = kStatusLooks[static_cast<std::size_t>(status)];
  QLabel& label = *ui_->StaticTextStatus;
  QPalette colours = label.palette();
  colours.setColor(QPalette::Window, look.background);
  colours.setColor(QPalette::WindowText, look.text);
  label.setPalette(colours);
  label.setText(QString::fromLatin1(look.caption));
  // Its width follows the caption, its place and height stay.
  label.resize(label.sizeHint().width(), label.height());
  label.setVisible(true);
  label.repaint();
}

// --- Settings and help ------------------------------------------------------------------------

void TFormNimbrel::ButtonConfigClick() {
  TComPortOptions& options = *ComPortOptions_;
  options.LoadFromPort(SioComPort_);
  if (!options.RunDialog()) return;
  SioComPort_.SetOpen(false);
  SioComPort_.Assign(options.ResultPort());
  SioComPort_.SetOpen(true);
}

void TFormNimbrel::ButtonInfoClick() {
  dialogs_.ShowMessage(QString::fromLatin1(kHelpTitle), HelpText());
}

}  // namespace nimbrel
