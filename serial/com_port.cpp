// The port object's settings, data operations and Assign.
#include "serial/com_port.h"

#include <algorithm>

#include "serial/check_exception.h"
#include "serial/dispatcher.h"
#include "serial/error_strings.h"

namespace sio {

namespace {

constexpr uint32_t kUseEventWordFlag = 4;

uint32_t SoftwareWord(TSWFlowOptions v) {
  switch (v) {
    case swfReceive: return kSwSendXoff;
    case swfTransmit: return kSwObeyXoff;
    case swfBoth: return kSwSendXoff | kSwObeyXoff;
    default: return 0;
  }
}

// While closed only "on" and "off" are kept.
TTraceLogState ClosedState(TTraceLogState v) { return v == tlOn ? tlOn : tlOff; }

bool Active(TTraceLogState v) { return v == tlOn || v == tlPause; }

}  // namespace

TSioCustomComPort::TSioCustomComPort(TComponent* owner) : TSioBaseComponent(owner) {}

void TSioCustomComPort::Check(int32_t code) const { CheckException(this, code); }

// --- Line settings ---------------------------------------------------------------------------

void TSioCustomComPort::SetDeviceLayer(TDeviceLayer value) {
  if (State_ != cpsClosed || value != dlWin32) return;  // dlWin32 is the one supported layer
  DeviceLayer_ = value;
  DeviceLayerChanged();
}

void TSioCustomComPort::SetComNumber(uint16_t value) {
  if (value == ComNumber_) return;
  if (IsOpenState()) {
    ChangeComNumberWhileOpen(value);
  } else {
    ComNumber_ = value;
  }
}

void TSioCustomComPort::ApplyLine() {
  if (!IsOpenState()) return;
  Check(ActiveDispatcher_->SetLine(static_cast<uint32_t>(Baud_), static_cast<uint8_t>(Parity_),
                                   static_cast<uint8_t>(DataBits_), static_cast<uint8_t>(StopBits_)));
}

void TSioCustomComPort::SetBaud(int32_t value) {
  if (value == Baud_) return;
  Baud_ = value;
  ApplyLine();
}

void TSioCustomComPort::SetParity(TParity value) {
  if (value == Parity_) return;
  Parity_ = value;
  ApplyLine();
}

void TSioCustomComPort::SetDataBits(uint16_t value) {
  if (value == DataBits_) return;
  DataBits_ = value;
  ApplyLine();
}

void TSioCustomComPort::SetStopBits(uint16_t value) {
  if (value == StopBits_) return;
  StopBits_ = value;
  ApplyLine();
}

void TSioCustomComPort::SetInSize(uint16_t value) {
  if (value == InSize_) return;
  InSize_ = value;
  if (IsOpenState()) ActiveDispatcher_->ResizeQueues(InSize_, OutSize_);
}

void TSioCustomComPort::SetOutSize(uint16_t value) {
  if (value == OutSize_) return;
  OutSize_ = value;
  if (IsOpenState()) ActiveDispatcher_->ResizeQueues(InSize_, OutSize_);
}

void TSioCustomComPort::SetDTR(bool value) {
  if (Unchanged(value == DTR_)) return;
  if (!IsOpenState()) {
    DTR_ = value;
    return;
  }
  const int32_t r = ActiveDispatcher_->SetDTR(value);
  Check(r);
  if (r == 0) DTR_ = value;  // 1: the line is under flow control, nothing changed
}

void TSioCustomComPort::SetRTS(bool value) {
  if (Unchanged(value == RTS_)) return;
  if (!IsOpenState()) {
    RTS_ = value;
    return;
  }
  const int32_t r = ActiveDispatcher_->SetRTS(value);
  Check(r);
  if (r == 0) RTS_ = value;
}

// --- Flow control ----------------------------------------------------------------------------

// Active flow control needs thresholds: missing or out-of-range ones get defaults as parts
// of InSize, in percent (products truncated).
void TSioCustomComPort::ApplyFlowDefaults(uint32_t word, int percentFull, int percentResume) {
  if (word == 0) return;
  if (BufferFull_ == 0 || BufferFull_ > InSize_) BufferFull_ = static_cast<uint16_t>(InSize_ * percentFull / 100);
  if (BufferResume_ == 0 || BufferResume_ > BufferFull_) {
    BufferResume_ = static_cast<uint16_t>(InSize_ * percentResume / 100);
  }
}

void TSioCustomComPort::SetHWFlowOptions(THWFlowOptionSet value) {
  if (Unchanged(value == HWFlowOptions_)) return;
  const uint32_t word = value.Word();
  ApplyFlowDefaults(word, 90, 10);
  if (IsOpenState()) Check(ActiveDispatcher_->SetHardwareFlow(BufferFull_, BufferResume_, word));
  HWFlowOptions_ = value;
  if (value.Contains(hwfUseRTS) || value.Contains(hwfRequireCTS)) SetRS485Mode(false);
}

void TSioCustomComPort::SetSWFlowOptions(TSWFlowOptions value) {
  if (Unchanged(value == SWFlowOptions_)) return;
  const uint32_t word = SoftwareWord(value);
  ApplyFlowDefaults(word, 75, 25);
  if (IsOpenState()) {
    Check(word != 0 ? ActiveDispatcher_->SetSoftwareFlow(BufferFull_, BufferResume_, word)
                    : ActiveDispatcher_->SoftwareFlowOff());
  }
  SWFlowOptions_ = value;
}

// Re-derives the thresholds that active flow control needs and, when open, re-sends both.
void TSioCustomComPort::ReapplyFlowSettings() {
  const bool previous = ReapplySettings_;
  ReapplySettings_ = true;
  try {
    SetHWFlowOptions(HWFlowOptions_);
    SetSWFlowOptions(SWFlowOptions_);
  } catch (...) {
    ReapplySettings_ = previous;
    throw;
  }
  ReapplySettings_ = previous;
}

void TSioCustomComPort::SetBufferFull(uint16_t value) {
  if (Unchanged(value == BufferFull_)) return;
  BufferFull_ = value > InSize_ ? static_cast<uint16_t>(value * 9 / 10) : value;
  ReapplyFlowSettings();
}

void TSioCustomComPort::SetBufferResume(uint16_t value) {
  if (Unchanged(value == BufferResume_)) return;
  BufferResume_ = value > BufferFull_ ? static_cast<uint16_t>(BufferFull_ / 10) : value;
  ReapplyFlowSettings();
}

void TSioCustomComPort::SetXOnChar(char value) {
  if (Unchanged(value == XOnChar_)) return;
  XOnChar_ = value;
  if (IsOpenState()) Check(ActiveDispatcher_->SetFlowChars(XOnChar_, XOffChar_));
}

void TSioCustomComPort::SetXOffChar(char value) {
  if (Unchanged(value == XOffChar_)) return;
  XOffChar_ = value;
  if (IsOpenState()) Check(ActiveDispatcher_->SetFlowChars(XOnChar_, XOffChar_));
}

void TSioCustomComPort::SetRS485Mode(bool value) {
  if (Unchanged(value == RS485Mode_)) return;
  RS485Mode_ = value;
  if (IsOpenState()) ActiveDispatcher_->SetRS485Mode(value);
  if (value) {
    SetHWFlowOptions(HWFlowOptions_.Without(hwfUseRTS).Without(hwfRequireCTS));
    SetRTS(false);
  }
}

// --- Trace and dispatch log ------------------------------------------------------------------

void TSioCustomComPort::SetTracing(TTraceLogState value) {
  if (Unchanged(value == Tracing_)) return;
  if (!IsOpenState() && State_ != cpsClosing) {
    Tracing_ = ClosedState(value);
    return;
  }
  if (State_ == cpsClosing) return;
  ApplyTraceState(value);
}

void TSioCustomComPort::ApplyTraceState(TTraceLogState value) {
  TSioBaseDispatcher& d = *ActiveDispatcher_;
  const TTraceLogState old = Tracing_;
  switch (value) {
    case tlOff:
      if (Active(old)) {
        d.AbortTracing();
        Tracing_ = tlOff;
      }
      break;
    case tlOn:
      if (old == tlPause) {
        d.StartTracing();
      } else {
        Check(d.InitTracing(TraceSize_));
      }
      Tracing_ = tlOn;
      break;
    case tlDump:
    case tlAppend:
      if (Active(old)) {
        d.StartTracing();
        Tracing_ = tlOff;
        const std::string& name = TraceName_.str();
        Check(value == tlDump ? d.DumpTrace(name, TraceHex_, TraceAllHex_)
                              : d.AppendTrace(name, TraceHex_, TraceAllHex_));
      }
      break;
    case tlClear:
      if (Active(old)) Check(d.ClearTracing());
      break;
    case tlPause:
      if (old == tlOn) {
        d.StopTracing();
        Tracing_ = tlPause;
      }
      break;
  }
}

void TSioCustomComPort::SetLogging(TTraceLogState value) {
  if (Unchanged(value == Logging_)) return;
  if (!IsOpenState() && State_ != cpsClosing) {
    Logging_ = ClosedState(value);
    return;
  }
  if (State_ == cpsClosing) return;
  ApplyLogState(value);
}

void TSioCustomComPort::ApplyLogState(TTraceLogState value) {
  TSioBaseDispatcher& d = *ActiveDispatcher_;
  const TTraceLogState old = Logging_;
  switch (value) {
    case tlOff:
      if (Active(old)) {
        d.AbortDispatchLog();
        Logging_ = tlOff;
      }
      break;
    case tlOn:
      if (old == tlPause) {
        d.StartDispatchLog();
      } else {
        d.InitDispatchLog(LogSize_);
      }
      Logging_ = tlOn;
      break;
    case tlDump:
    case tlAppend:
      if (Active(old)) {
        d.StartDispatchLog();
        Logging_ = tlOff;
        const std::string& name = LogName_.str();
        Check(value == tlDump ? d.DumpDispatchLog(name, LogHex_, LogAllHex_)
                              : d.AppendDispatchLog(name, LogHex_, LogAllHex_));
      }
      break;
    case tlClear:
      if (Active(old)) d.ClearDispatchLog();
      break;
    case tlPause:
      if (old == tlOn) {
        d.StopDispatchLog();
        Logging_ = tlPause;
      }
      break;
  }
}

void TSioCustomComPort::SetTraceSize(uint32_t value) {
  value = std::min(value, kMaxTraceSize);
  if (value == TraceSize_) return;
  TraceSize_ = value;
  if (IsOpenState() && Active(Tracing_)) {
    const TTraceLogState previous = Tracing_;
    SetTracing(tlOff);
    SetTracing(previous);
  }
}

void TSioCustomComPort::SetLogSize(uint32_t value) {
  value = std::min(value, kMaxLogSize);
  if (value == LogSize_) return;
  LogSize_ = value;
  if (IsOpenState() && Active(Logging_)) {
    const TTraceLogState previous = Logging_;
    SetLogging(tlOff);
    SetLogging(previous);
  }
}

// --- Other settings --------------------------------------------------------------------------

void TSioCustomComPort::SetUseMSRShadow(bool) {}  // always on

void TSioCustomComPort::SetUseEventWord(bool value) {
  if (Unchanged(value == UseEventWord_)) return;
  UseEventWord_ = value;
  if (!IsOpenState()) return;
  if (value) {
    ActiveDispatcher_->SetOptionFlags(kUseEventWordFlag);
  } else {
    ActiveDispatcher_->ClearOptionFlags(kUseEventWordFlag);
  }
}

void TSioCustomComPort::SetCommNotificationLevel(uint16_t value) {
  if (Unchanged(value == CommNotificationLevel_)) return;
  CommNotificationLevel_ = value;
}

void TSioCustomComPort::SetAvailTriggerLength(uint16_t n) {
  if (Unchanged(n == AvailTriggerLength_)) return;
  AvailTriggerLength_ = n;
  if (IsOpenState()) ActiveDispatcher_->SetAvailLength(n);
}

void TSioCustomComPort::SetPriorityBoost(uint8_t b) {
  if (Unchanged(b == PriorityBoost_)) return;
  PriorityBoost_ = b;
  if (IsOpenState()) ActiveDispatcher_->ApplyThreadBoost(b);
}

// --- Events ----------------------------------------------------------------------------------

void TSioCustomComPort::SetOnTrigger(TTriggerEvent e) {
  OnTrigger_ = std::move(e);
  UpdateHandlerRegistration();
}

void TSioCustomComPort::SetOnTriggerAvail(TTriggerAvailEvent e) {
  OnTriggerAvail_ = std::move(e);
  UpdateHandlerRegistration();
}

void TSioCustomComPort::SetOnTriggerData(TTriggerDataEvent e) {
  OnTriggerData_ = std::move(e);
  UpdateHandlerRegistration();
}

void TSioCustomComPort::SetOnTriggerStatus(TTriggerStatusEvent e) {
  OnTriggerStatus_ = std::move(e);
  UpdateHandlerRegistration();
}

void TSioCustomComPort::SetOnTriggerTimer(TTriggerTimerEvent e) {
  OnTriggerTimer_ = std::move(e);
  UpdateHandlerRegistration();
}

void TSioCustomComPort::SetOnTriggerLineError(TTriggerLineErrorEvent e) {
  OnTriggerLineError_ = std::move(e);
  UpdateHandlerRegistration();
}

void TSioCustomComPort::SetOnTriggerModemStatus(TNotifyEvent e) {
  OnTriggerModemStatus_ = std::move(e);
  UpdateHandlerRegistration();
}

void TSioCustomComPort::SetOnTriggerOutbuffFree(TNotifyEvent e) {
  OnTriggerOutbuffFree_ = std::move(e);
  UpdateHandlerRegistration();
}

void TSioCustomComPort::SetOnTriggerOutbuffUsed(TNotifyEvent e) {
  OnTriggerOutbuffUsed_ = std::move(e);
  UpdateHandlerRegistration();
}

void TSioCustomComPort::SetOnTriggerOutSent(TNotifyEvent e) {
  OnTriggerOutSent_ = std::move(e);
  UpdateHandlerRegistration();
}

bool TSioCustomComPort::HasTriggerEvents() const {
  return OnTrigger_ || OnTriggerAvail_ || OnTriggerData_ || OnTriggerStatus_ || OnTriggerTimer_ ||
         OnTriggerLineError_ || OnTriggerModemStatus_ || OnTriggerOutbuffFree_ ||
         OnTriggerOutbuffUsed_ || OnTriggerOutSent_;
}

void TSioCustomComPort::FireTrigger(uint16_t msg, uint16_t triggerHandle, uint16_t data) {
  if (OnTrigger_) OnTrigger_(this, msg, triggerHandle, data);
}

void TSioCustomComPort::FireTriggerAvail(uint16_t count) {
  if (OnTriggerAvail_) OnTriggerAvail_(this, count);
}

void TSioCustomComPort::FireTriggerData(uint16_t triggerHandle) {
  if (OnTriggerData_) OnTriggerData_(this, triggerHandle);
}

void TSioCustomComPort::FireTriggerStatus(uint16_t triggerHandle) {
  if (OnTriggerStatus_) OnTriggerStatus_(this, triggerHandle);
}

void TSioCustomComPort::FireTriggerTimer(uint16_t triggerHandle) {
  if (OnTriggerTimer_) OnTriggerTimer_(this, triggerHandle);
}

void TSioCustomComPort::FireTriggerLineError(uint16_t error, bool lineBreak) {
  if (OnTriggerLineError_) OnTriggerLineError_(this, error, lineBreak);
}

void TSioCustomComPort::FireTriggerModemStatus() {
  if (OnTriggerModemStatus_) OnTriggerModemStatus_(this);
}

void TSioCustomComPort::FireTriggerOutbuffFree() {
  if (OnTriggerOutbuffFree_) OnTriggerOutbuffFree_(this);
}

void TSioCustomComPort::FireTriggerOutbuffUsed() {
  if (OnTriggerOutbuffUsed_) OnTriggerOutbuffUsed_(this);
}

void TSioCustomComPort::FireTriggerOutSent() {
  if (OnTriggerOutSent_) OnTriggerOutSent_(this);
}

// --- Data ------------------------------------------------------------------------------------

TSioBaseDispatcher* TSioCustomComPort::AcquireDispatcher() {
  if (!ActiveDispatcher_ && !Designing() && !Loading() && State_ != cpsOpen && AutoOpen_) SetOpen(true);
  return ActiveDispatcher_.get();
}

TSioBaseDispatcher* TSioCustomComPort::CheckedDispatcher() {
  if (AcquireDispatcher() == nullptr) Check(kErrCommNotOpen);
  return AcquireDispatcher();
}

void TSioCustomComPort::WriteString(const std::string& s) {
  if (State_ == cpsClosing) return;
  TSioBaseDispatcher* d = CheckedDispatcher();
  if (d == nullptr) return;  // only while loading, when no check raises
  Check(d->PutBlock(reinterpret_cast<const uint8_t*>(s.data()), static_cast<uint32_t>(s.size())));
}

char TSioCustomComPort::ReadChar() {
  if (State_ == cpsClosing) return '\0';
  TSioBaseDispatcher* d = CheckedDispatcher();
  if (d == nullptr) return '\0';
  uint8_t ch = 0;
  const int32_t r = d->GetChar(ch);
  if (r == 0) return static_cast<char>(ch);
  Check(r);
  return '\0';
}

uint16_t TSioCustomComPort::CurrentLineError() {
  return IsOpenState() ? static_cast<uint16_t>(ActiveDispatcher_->GetLineError()) : 0;
}

bool TSioCustomComPort::LineBreakSeen() { return IsOpenState() && ActiveDispatcher_->CheckLineBreak(); }

void TSioCustomComPort::ServiceDevice() {
  if (State_ != cpsClosing) Check(CheckedDispatcher()->ProcessDevice());
}

// Copies the serial settings; the copied settings reach the device at the next open.
void TSioCustomComPort::Assign(const TSioCustomComPort& source) {
  if (&source == this) return;
  if (source.State_ == cpsOpen) {
    source.ActiveDispatcher_->SaveTriggers(SavedTriggers_);
    RestoreTriggersOnOpen_ = true;
  }
  ReapplySettings_ = source.ReapplySettings_;
  DeviceLayer_ = source.DeviceLayer_;
  ComNumber_ = source.ComNumber_;
  Baud_ = source.Baud_;
  Parity_ = source.Parity_;
  DataBits_ = source.DataBits_;
  StopBits_ = source.StopBits_;
  InSize_ = source.InSize_;
  OutSize_ = source.OutSize_;
  Open_ = false;
  AutoOpen_ = source.AutoOpen_;
  PromptForPort_ = source.PromptForPort_;
  RS485Mode_ = source.RS485Mode_;
  PriorityBoost_ = source.PriorityBoost_;
  DTR_ = source.DTR_;
  RTS_ = source.RTS_;
  BufferFull_ = source.BufferFull_;
  BufferResume_ = source.BufferResume_;
  HWFlowOptions_ = source.HWFlowOptions_;
  SWFlowOptions_ = source.SWFlowOptions_;
  XOnChar_ = source.XOnChar_;
  XOffChar_ = source.XOffChar_;
  Tracing_ = source.Tracing_;
  TraceSize_ = source.TraceSize_;
  TraceName_ = source.TraceName_;
  TraceHex_ = source.TraceHex_;
  TraceAllHex_ = source.TraceAllHex_;
  Logging_ = source.Logging_;
  LogSize_ = source.LogSize_;
  LogName_ = source.LogName_;
  LogHex_ = source.LogHex_;
  LogAllHex_ = source.LogAllHex_;
  AvailTriggerLength_ = source.AvailTriggerLength_;
  SetOnTrigger(source.OnTrigger_);
  SetOnTriggerAvail(source.OnTriggerAvail_);
  SetOnTriggerData(source.OnTriggerData_);
  SetOnTriggerStatus(source.OnTriggerStatus_);
  SetOnTriggerTimer(source.OnTriggerTimer_);
  OnPortOpen_ = source.OnPortOpen_;
  OnPortClose_ = source.OnPortClose_;
  TapiMode_ = source.TapiMode_;
}

}  // namespace sio
