#pragma once
// The port object: the one part of the serial component that the application touches. Its
// published settings are pushed into the dispatcher while the port is open (and re-pushed at
// every open); its events arrive on the thread that opened the port, through a hidden window.
// Every failure reaches the caller as an exception.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/messages.h"
#include "serial/com_port_types.h"
#include "serial/component.h"
#include "serial/trigger_records.h"

namespace sio {

class TSioBaseDispatcher;

class TSioCustomComPort : public TSioBaseComponent {
 public:
  explicit TSioCustomComPort(TComponent* owner = nullptr);
  ~TSioCustomComPort() override;

  // --- Published settings ---
  TDeviceLayer DeviceLayer() const { return DeviceLayer_; }
  void SetDeviceLayer(TDeviceLayer value);
  uint16_t ComNumber() const { return ComNumber_; }
  void SetComNumber(uint16_t value);
  int32_t Baud() const { return Baud_; }
  void SetBaud(int32_t value);
  bool PromptForPort() const { return PromptForPort_; }
  void SetPromptForPort(bool value) { PromptForPort_ = value; }
  TParity Parity() const { return Parity_; }
  void SetParity(TParity value);
  uint16_t DataBits() const { return DataBits_; }
  void SetDataBits(uint16_t value);
  uint16_t StopBits() const { return StopBits_; }
  void SetStopBits(uint16_t value);
  uint16_t InSize() const { return InSize_; }
  void SetInSize(uint16_t value);
  uint16_t OutSize() const { return OutSize_; }
  void SetOutSize(uint16_t value);
  bool AutoOpen() const { return AutoOpen_; }
  void SetAutoOpen(bool value) { AutoOpen_ = value; }
  bool Open() const { return Open_; }
  void SetOpen(bool value);
  bool DTR() const { return DTR_; }
  void SetDTR(bool value);
  bool RTS() const { return RTS_; }
  void SetRTS(bool value);
  THWFlowOptionSet HWFlowOptions() const { return HWFlowOptions_; }
  void SetHWFlowOptions(THWFlowOptionSet value);
  TSWFlowOptions SWFlowOptions() const { return SWFlowOptions_; }
  void SetSWFlowOptions(TSWFlowOptions value);
  char XOnChar() const { return XOnChar_; }
  void SetXOnChar(char value);
  char XOffChar() const { return XOffChar_; }
  void SetXOffChar(char value);
  uint16_t BufferFull() const { return BufferFull_; }
  void SetBufferFull(uint16_t value);
  uint16_t BufferResume() const { return BufferResume_; }
  void SetBufferResume(uint16_t value);
  TTraceLogState Tracing() const { return Tracing_; }
  void SetTracing(TTraceLogState value);
  uint32_t TraceSize() const { return TraceSize_; }
  void SetTraceSize(uint32_t value);
  const TPassString& TraceName() const { return TraceName_; }
  void SetTraceName(const TPassString& value) { TraceName_ = value; }
  bool TraceHex() const { return TraceHex_; }
  void SetTraceHex(bool value) { TraceHex_ = value; }
  bool TraceAllHex() const { return TraceAllHex_; }
  void SetTraceAllHex(bool value) { TraceAllHex_ = value; }
  TTraceLogState Logging() const { return Logging_; }
  void SetLogging(TTraceLogState value);
  uint32_t LogSize() const { return LogSize_; }
  void SetLogSize(uint32_t value);
  const TPassString& LogName() const { return LogName_; }
  void SetLogName(const TPassString& value) { LogName_ = value; }
  bool LogHex() const { return LogHex_; }
  void SetLogHex(bool value) { LogHex_ = value; }
  bool LogAllHex() const { return LogAllHex_; }
  void SetLogAllHex(bool value) { LogAllHex_ = value; }
  bool UseMSRShadow() const { return UseMSRShadow_; }
  virtual void SetUseMSRShadow(bool value);
  bool UseEventWord() const { return UseEventWord_; }
  void SetUseEventWord(bool value);
  uint16_t CommNotificationLevel() const { return CommNotificationLevel_; }
  void SetCommNotificationLevel(uint16_t value);
  TTapiMode TapiMode() const { return TapiMode_; }
  void SetTapiMode(TTapiMode value) { TapiMode_ = value; }
  bool RS485Mode() const { return RS485Mode_; }
  void SetRS485Mode(bool value);

  // --- Published events ---
  void SetOnPortClose(TNotifyEvent e) { OnPortClose_ = std::move(e); }
  void SetOnPortOpen(TNotifyEvent e) { OnPortOpen_ = std::move(e); }
  void SetOnTrigger(TTriggerEvent e);
  void SetOnTriggerAvail(TTriggerAvailEvent e);
  void SetOnTriggerData(TTriggerDataEvent e);
  void SetOnTriggerStatus(TTriggerStatusEvent e);
  void SetOnTriggerTimer(TTriggerTimerEvent e);
  void SetOnTriggerLineError(TTriggerLineErrorEvent e);
  void SetOnTriggerModemStatus(TNotifyEvent e);
  void SetOnTriggerOutbuffFree(TNotifyEvent e);
  void SetOnTriggerOutbuffUsed(TNotifyEvent e);
  void SetOnTriggerOutSent(TNotifyEvent e);
  const TTriggerLineErrorEvent& OnTriggerLineError() const { return OnTriggerLineError_; }

  // --- Operations ---
  // Queues all of `s` for sending, opening the port first when AutoOpen allows.
  void WriteString(const std::string& s);
  // The next received character (#0 while closing).
  char ReadChar();
  // Copies the settings of another port object (see the .cpp for what and how).
  void Assign(const TSioCustomComPort& source);
  TSioBaseDispatcher* AcquireDispatcher();
  TSioBaseDispatcher* CheckedDispatcher();
  uint16_t CurrentLineError();
  bool LineBreakSeen();
  void SetAvailTriggerLength(uint16_t n);
  uint16_t AvailTriggerLength() const { return AvailTriggerLength_; }
  void SetPriorityBoost(uint8_t b);
  uint8_t PriorityBoost() const { return PriorityBoost_; }
  TComPortState State() const { return State_; }
  bool RestoreTriggersOnOpen() const { return RestoreTriggersOnOpen_; }
  void Loaded() override;

  // The window procedure of the "sioComWindow" class.
  static platform::LRESULT NotifyWindowProc(platform::HWND window, uint32_t msg, platform::WPARAM wParam,
                                            platform::LPARAM lParam);

 protected:
  virtual std::unique_ptr<TSioBaseDispatcher> MakeDispatcher();
  virtual void DeviceLayerChanged() {}
  virtual int32_t StartDevice();
  virtual void AttachNotifyWindow(bool attach);
  virtual void ResolveComNumber();
  virtual void FireTrigger(uint16_t msg, uint16_t triggerHandle, uint16_t data);
  virtual void FireTriggerAvail(uint16_t count);
  virtual void FireTriggerData(uint16_t triggerHandle);
  virtual void FireTriggerStatus(uint16_t triggerHandle);
  virtual void FireTriggerTimer(uint16_t triggerHandle);
  virtual void UpdateHandlerRegistration();
  virtual void FireTriggerLineError(uint16_t error, bool lineBreak);
  virtual void FireTriggerModemStatus();
  virtual void FireTriggerOutbuffFree();
  virtual void FireTriggerOutbuffUsed();
  virtual void FireTriggerOutSent();
  virtual void ClosePort();
  virtual void ServiceDevice();
  virtual void NotifyPortOpened();
  virtual void NotifyPortClosed();
  virtual void NotifyPortClosing() {}
  virtual void OpenPort();

 private:
  void Check(int32_t code) const;
  bool IsOpenState() const { return State_ == cpsOpen; }
  bool Unchanged(bool same) const { return same && !ReapplySettings_; }
  void ApplyLine();
  void ApplyFlowDefaults(uint32_t word, int percentFull, int percentResume);
  void ReapplyFlowSettings();
  void ApplyTraceState(TTraceLogState value);
  void ApplyLogState(TTraceLogState value);
  void ReapplyAllSettings();
  void ChangeComNumberWhileOpen(uint16_t number);
  void CompleteClose();
  void HandleTriggerMessage(uint32_t msg, platform::WPARAM wParam, platform::LPARAM lParam);
  bool HasTriggerEvents() const;

  // Unpublished state.
  bool ReapplySettings_ = false;
  TComPortState State_ = cpsClosed;
  bool ReopenAfterClose_ = false;
  bool OpenAfterLoad_ = false;
  bool RestoreTriggersOnOpen_ = false;
  TSavedTriggers SavedTriggers_;
  platform::HWND NotifyWindow_ = nullptr;
  std::unique_ptr<TSioBaseDispatcher> ActiveDispatcher_;

  // Settings.
  TDeviceLayer DeviceLayer_ = dlWin32;
  uint16_t ComNumber_ = 0;
  int32_t Baud_ = 19200;
  TParity Parity_ = pNone;
  uint16_t DataBits_ = 8;
  uint16_t StopBits_ = 1;
  uint16_t InSize_ = 4096;
  uint16_t OutSize_ = 4096;
  bool Open_ = false;
  bool PromptForPort_ = true;
  bool AutoOpen_ = true;
  uint16_t CommNotificationLevel_ = 10;
  TTapiMode TapiMode_ = tmAuto;
  bool RS485Mode_ = false;
  uint8_t PriorityBoost_ = 0;
  bool DTR_ = true;
  bool RTS_ = true;
  uint16_t BufferFull_ = 0;
  uint16_t BufferResume_ = 0;
  THWFlowOptionSet HWFlowOptions_;
  TSWFlowOptions SWFlowOptions_ = swfNone;
  char XOnChar_ = 17;
  char XOffChar_ = 19;
  TTraceLogState Tracing_ = tlOff;
  uint32_t TraceSize_ = 10000;
  TPassString TraceName_ = "SIO.TRC";
  bool TraceHex_ = true;
  bool TraceAllHex_ = false;
  TTraceLogState Logging_ = tlOff;
  uint32_t LogSize_ = 10000;
  TPassString LogName_ = "SIO.LOG";
  bool LogHex_ = true;
  bool LogAllHex_ = false;
  bool UseMSRShadow_ = true;
  bool UseEventWord_ = true;
  uint16_t AvailTriggerLength_ = 1;

  TTriggerEvent OnTrigger_;
  TTriggerAvailEvent OnTriggerAvail_;
  TTriggerDataEvent OnTriggerData_;
  TTriggerStatusEvent OnTriggerStatus_;
  TTriggerTimerEvent OnTriggerTimer_;
  TTriggerLineErrorEvent OnTriggerLineError_;
  TNotifyEvent OnTriggerModemStatus_;
  TNotifyEvent OnTriggerOutbuffFree_;
  TNotifyEvent OnTriggerOutbuffUsed_;
  TNotifyEvent OnTriggerOutSent_;
  TNotifyEvent OnPortOpen_;
  TNotifyEvent OnPortClose_;
};

// The same class with its settings published.
class TSioComPort : public TSioCustomComPort {
 public:
  using TSioCustomComPort::TSioCustomComPort;
};

constexpr uint32_t kMaxTraceSize = 4000000;
constexpr uint32_t kMaxLogSize = 16000000;

}  // namespace sio
