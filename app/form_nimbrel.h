#pragma once
// The logger's main window: shows the last measurement and the link status, polls the station
// on request or at the recording interval, starts and stops recording, and lets the user choose
// the log file, the serial settings and see the help text. It owns the port object, the two
// timers, the line buffer, the measurement record and the log file state.
//
// Every handler runs on the main thread; an exception ends the handler and is shown by the
// application's error box, and what the handler changed before stays changed.
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/core/line_buffer.h"
#include "app/core/measurement_log.h"
#include "app/core/measurement_record.h"
#include "app/user_dialogs.h"
#include "platform/local_time.h"
#include "platform/sync.h"
#include "serial/com_port.h"

class QTimer;

namespace Ui {
class TFormNimbrel;
}

namespace nimbrel {

class TComPortOptions;

// What the window uses of its surroundings; tests replace them.
struct FormNimbrelServices {
  UserDialogs& dialogs;
  // The poll's wait between "remote" and "readall": blocks and handles nothing meanwhile.
  std::function<void(uint32_t ms)> blockingWait = platform::Sleep;
  // The time stamps of the log file.
  MeasurementLog::Clock clock = platform::NowLocal;
};

class TFormNimbrel : public QWidget, private CommandLineTarget {
  Q_OBJECT

 public:
  static constexpr int kTimeoutMs = 5000;
  static constexpr uint32_t kPollWaitMs = 1000;

  // `arguments`: the command line without the program name, applied by FormCreate.
  TFormNimbrel(std::vector<std::string> arguments, FormNimbrelServices services,
               QWidget* parent = nullptr);
  ~TFormNimbrel() override;

  // The settings dialog of "Konfiguration"; it is created after the window.
  void SetComPortOptions(TComPortOptions* dialog) { ComPortOptions_ = dialog; }

  // Start-up: empties the line buffer, then applies the command line (which may choose the
  // log file and start recording).
  void FormCreate();
  void parseCommandLine();

  // Receiving: feeds the announced characters to the line buffer and parses it at every CR.
  void SioComPortTriggerAvail(sio::TComponent* Sender, uint16_t Count);
  // Parses one copy of the line buffer; a complete record is shown and saved.
  void processData(std::string Line);
  void clearDataRecord();
  void showRecord();

  // Appends the record to the log file while one is chosen, then re-creates the flag file.
  void saveRecord();
  // Creates (or truncates) the log file and writes the three header lines.
  void writeFileHeader();

  // One poll of the station: "remote", the blocking wait, the timeout armed, "readall".
  void ReadData();
  void TimerTimer();
  void TimerTimeoutTimer();
  void ButtonRefreshClick();
  void ButtonStartStopClick();
  void ButtonConfigClick();
  void ButtonInfoClick();
  void ButtonChooseNewFileClick();
  void ButtonChooseAppendFileClick();

  sio::TSioComPort& SioComPort() { return SioComPort_; }
  const std::string& logFileName() const { return logFileName_; }
  bool fileChosen() const { return fileChosen_; }
  const std::string& flagFileName() const { return flagFileName_; }
  const MeasurementRecord& Record() const { return record_; }

 private:
  enum class LinkStatus { kNoConnection, kWaiting, kOk, kNoAnswer };

  // CommandLineTarget
  void SetComNumber(uint16_t number) override;
  void SetIntervalMinutes(int32_t minutes) override;
  void SetFlagFileName(const std::string& path) override;
  void OpenOrCreateLogFile(const std::string& path) override;
  void StartRecording() override;

  void SetUpPort();
  void ConnectHandlers();
  void SetStatus(LinkStatus status);
  void SetRecordingControlsEnabled(bool enabled);
  int32_t IntervalMinutes();
  void ChooseLogFile(LogFileDialogKind kind, QString& dialogFileName,
                     const std::function<void()>& prepareFile);
  void ShowLogFileName();
  void ShowTime();

  std::unique_ptr<Ui::TFormNimbrel> ui_;
  UserDialogs& dialogs_;
  std::function<void(uint32_t)> blockingWait_;
  MeasurementLog log_;
  std::vector<std::string> arguments_;
  QTimer* Timer_;
  QTimer* TimerTimeout_;
  TComPortOptions* ComPortOptions_ = nullptr;

  LineBuffer lineBuffer_;
  MeasurementRecord record_;
  std::string logFileName_;
  bool fileChosen_ = false;
  std::string flagFileName_;
  // What the two file dialogs propose: "wetter.txt", then the last file chosen in each.
  QString saveDialogFileName_;
  QString openDialogFileName_;

  // Last, so that it closes first: its close may still deliver events to the members above.
  sio::TSioComPort SioComPort_;
};

}  // namespace nimbrel
