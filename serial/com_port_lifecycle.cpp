// The port object's life: opening, closing (also while an event is being delivered) and the
// hidden notification window that turns the dispatcher's trigger messages into events on the
// thread that opened the port.
#include <cstdio>
#include <exception>

#include "platform/messages.h"
#include "platform/thread.h"
#include "serial/check_exception.h"
#include "serial/com_port.h"
#include "serial/dispatcher_registry.h"
#include "serial/error_strings.h"
#include "serial/exception_handler.h"
#include "serial/exceptions.h"
#include "serial/port_selection.h"
#include "serial/win32_dispatcher.h"

namespace sio {

namespace {

constexpr const char* kNotifyClassName = "sioComWindow";

std::string ComName(const char* format, uint16_t number) {
  char text[16];
  std::snprintf(text, sizeof text, format, static_cast<unsigned>(number));
  return text;
}

// The error codes of a failed device open that the port reports in its own terms.
int32_t MapOpenResult(int32_t result) {
  if (result == -5) return kErrAlreadyOpen;
  if (result == -2 || result == -3) return kErrBadId;
  return result;
}

platform::LPARAM HandleParam(int32_t dispatcherHandle) {
  return static_cast<platform::LPARAM>(static_cast<uint32_t>(dispatcherHandle) << 16);
}

}  // namespace

TSioCustomComPort::~TSioCustomComPort() {
  try {
    if (State_ == cpsOpen) ClosePort();
    // A close deferred by a delivery is completed here, so that no ClosePendingMsg ever
    // reaches a destroyed port: wait for the dispatcher's threads while handling messages.
    if (State_ == cpsClosing && ActiveDispatcher_) ActiveDispatcher_->AwaitThreadsEnded();
    if (State_ == cpsClosing) {
      ReopenAfterClose_ = false;
      CompleteClose();
    }
  } catch (const std::exception& error) {
    HandleException(error);
  }
  TSioBaseDispatcher::FreeSavedTriggers(SavedTriggers_);
}

// While a close is deferred, Open still reads True; a request then only decides whether the
// port opens again once the close has completed (Open := True would otherwise be lost, and
// with it the port after a port-number change made inside an event).
void TSioCustomComPort::SetOpen(bool value) {
  if (State_ == cpsClosing && !Loading() && !Designing()) {
    ReopenAfterClose_ = value;
    return;
  }
  if (value == Open_) return;
  if (Loading() || Designing()) {
    Open_ = value;
    if (value) OpenAfterLoad_ = true;
    return;
  }
  if (value) {
    OpenPort();
  } else {
    ClosePort();
  }
}

void TSioCustomComPort::Loaded() {
  TSioBaseComponent::Loaded();
  if (Designing()) return;
  if (OpenAfterLoad_) Open_ = true;
  if (!Open_) return;
  OpenAfterLoad_ = false;
  try {
    OpenPort();
  } catch (const std::exception& error) {
    Open_ = false;
    HandleException(error);
  }
}

void TSioCustomComPort::ResolveComNumber() {
  if (ComNumber_ != 0) return;
  if (!PromptForPort_) RaiseSioError(kErrNoPortSelected);
  const std::optional<int32_t> chosen = PromptForPortNumber();
  if (!chosen) RaiseSioError(kErrNoPortSelected);
  SetComNumber(static_cast<uint16_t>(*chosen));
}

// There is no telephony layer: a port in telephony mode has no device layer either.
std::unique_ptr<TSioBaseDispatcher> TSioCustomComPort::MakeDispatcher() {
  if (DeviceLayer_ != dlWin32 || TapiMode_ == tmOn) RaiseSioError(kErrNullApi);
  return std::make_unique<TSioWin32Dispatcher>(this);
}

int32_t TSioCustomComPort::StartDevice() {
  const uint8_t options = static_cast<uint8_t>((DTR_ ? kOptDtrOn : 0) | (RTS_ ? kOptRtsOn : 0) |
                                               (HWFlowOptions_.Contains(hwfUseDTR) ? kOptDtrByFlow : 0) |
                                               (HWFlowOptions_.Contains(hwfUseRTS) ? kOptRtsByFlow : 0));
  return AcquireDispatcher()->InitPort(ComName("\\\\.\\COM%u", ComNumber_), static_cast<uint32_t>(Baud_),
                                       static_cast<uint8_t>(Parity_), static_cast<uint8_t>(DataBits_),
                                       static_cast<uint8_t>(StopBits_), InSize_, OutSize_, options);
}

void TSioCustomComPort::OpenPort() {
  if (TapiMode_ != tmOn) ResolveComNumber();
  ActiveDispatcher_ = MakeDispatcher();
  ActiveDispatcher_->SetLogDeviceName(ComName("COM%u", ComNumber_));
  try {
    const int32_t result = MapOpenResult(StartDevice());
    if (result != 0) {
      Check(result);
      RaiseSioError(result);  // loading never reaches an open: a failure always ends it
    }
    State_ = cpsOpen;
    UpdateHandlerRegistration();
    ReapplyAllSettings();
    Open_ = true;
    AttachNotifyWindow(true);
    if (RestoreTriggersOnOpen_) {
      RestoreTriggersOnOpen_ = false;
      ActiveDispatcher_->RestoreTriggers(SavedTriggers_);
    }
    NotifyPortOpened();
  } catch (...) {
    Open_ = false;
    State_ = cpsClosed;
    if (NotifyWindow_ != nullptr) AttachNotifyWindow(false);
    ActiveDispatcher_.reset();
    throw;
  }
}

// Every setting marked for re-application is set to its own value once, in this order: the
// port's own flow characters are the last written, and RS-485 ends with RTS low.
void TSioCustomComPort::ReapplyAllSettings() {
  ReapplySettings_ = true;
  try {
    SetTracing(Tracing_);
    SetLogging(Logging_);
    SetHWFlowOptions(HWFlowOptions_);
    SetSWFlowOptions(SWFlowOptions_);
    SetXOnChar(XOnChar_);
    SetXOffChar(XOffChar_);
    SetAvailTriggerLength(AvailTriggerLength_);
    SetDTR(DTR_);
    SetRTS(RTS_);
    SetUseEventWord(UseEventWord_);
    SetRS485Mode(RS485Mode_);
    SetPriorityBoost(PriorityBoost_);
  } catch (...) {
    ReapplySettings_ = false;
    throw;
  }
  ReapplySettings_ = false;
}

void TSioCustomComPort::NotifyPortOpened() {
  if (OnPortOpen_) OnPortOpen_(this);
}

void TSioCustomComPort::NotifyPortClosed() {
  if (OnPortClose_) OnPortClose_(this);
}

void TSioCustomComPort::UpdateHandlerRegistration() {
  if (State_ == cpsOpen) ActiveDispatcher_->UpdateHandlerFlags(HasTriggerEvents() ? 1 : 2);
}

void TSioCustomComPort::AttachNotifyWindow(bool attach) {
  static const bool registered = platform::RegisterClass(kNotifyClassName, &NotifyWindowProc);
  (void)registered;
  if (attach) {
    NotifyWindow_ = platform::CreateWindow(kNotifyClassName);
    ActiveDispatcher_->RegisterWindowHandler(NotifyWindow_);
  } else {
    ActiveDispatcher_->DeregisterWindowHandler(NotifyWindow_);
    platform::DestroyWindow(NotifyWindow_);
    NotifyWindow_ = nullptr;
  }
}

// The dumps of a running trace or log may fail (a file error); the port is closed all the
// same and the error is raised afterwards, so a failed dump never leaves the port half open.
void TSioCustomComPort::ClosePort() {
  if (State_ != cpsOpen) return;
  std::exception_ptr dumpError;
  try {
    SetTracing(tlDump);
  } catch (...) {
    dumpError = std::current_exception();
  }
  try {
    SetLogging(tlDump);
  } catch (...) {
    if (!dumpError) dumpError = std::current_exception();
  }
  State_ = cpsClosing;
  NotifyPortClosing();
  ActiveDispatcher_->SaveTriggers(SavedTriggers_);
  RestoreTriggersOnOpen_ = true;
  ActiveDispatcher_->DonePort();
  if (ActiveDispatcher_->ClosePending()) {
    platform::PostMessage(NotifyWindow_, ClosePendingMsg, 0, HandleParam(ActiveDispatcher_->DispatcherHandle()));
    platform::PumpOneMessage();
  } else {
    CompleteClose();
  }
  NotifyPortClosed();
  if (dumpError) std::rethrow_exception(dumpError);
}

void TSioCustomComPort::CompleteClose() {
  AttachNotifyWindow(false);
  ActiveDispatcher_.reset();
  State_ = cpsClosed;
  Open_ = false;
}

void TSioCustomComPort::ChangeComNumberWhileOpen(uint16_t number) {
  AcquireDispatcher()->SaveTriggers(SavedTriggers_);
  const TTraceLogState tracing = Tracing_;
  const TTraceLogState logging = Logging_;
  SetOpen(false);
  ComNumber_ = number;
  SetTracing(tracing);
  SetLogging(logging);
  SetOpen(true);
  if (TSioBaseDispatcher* d = AcquireDispatcher()) d->RestoreTriggers(SavedTriggers_);
}

// --- The notification window -----------------------------------------------------------------

platform::LRESULT TSioCustomComPort::NotifyWindowProc(platform::HWND window, uint32_t msg,
                                                      platform::WPARAM wParam, platform::LPARAM lParam) {
  const bool ours = (msg >= TriggerAvailMsg && msg <= TriggerStatusMsg) || msg == ClosePendingMsg;
  if (!ours) return platform::DefWindowProc(window, msg, wParam, lParam);
  DispatcherRegistry& registry = DispatcherRegistry::Instance();
  platform::Lock lock(registry.RegistryLock());
  const auto handle = static_cast<int32_t>((static_cast<uint32_t>(lParam) >> 16) & 0xFFFF);
  TSioBaseDispatcher* dispatcher = registry.Find(handle);
  auto* port = dispatcher != nullptr ? dynamic_cast<TSioCustomComPort*>(dispatcher->Owner()) : nullptr;
  if (port == nullptr) return 0;
  try {
    port->HandleTriggerMessage(msg, wParam, lParam);
  } catch (const std::exception& error) {
    if (platform::IsMainThread()) HandleException(error);
  }
  return 0;
}

void TSioCustomComPort::HandleTriggerMessage(uint32_t msg, platform::WPARAM wParam, platform::LPARAM lParam) {
  const auto w = static_cast<uint16_t>(wParam);
  const auto data = msg == TriggerAvailMsg ? w : static_cast<uint16_t>(lParam & 0xFFFF);
  FireTrigger(static_cast<uint16_t>(msg), w, data);
  switch (msg) {
    case TriggerAvailMsg: FireTriggerAvail(w); break;
    case TriggerDataMsg: FireTriggerData(w); break;
    case TriggerTimerMsg: FireTriggerTimer(w); break;
    case TriggerStatusMsg: {
      FireTriggerStatus(w);
      TSioBaseDispatcher* d = AcquireDispatcher();
      switch (d != nullptr ? TSioBaseDispatcher::StatusTriggerKind(w) : kStatusNotActive) {
        case kStatusModem: FireTriggerModemStatus(); break;
        case kStatusLineError: {
          const bool lineBreak = LineBreakSeen();
          FireTriggerLineError(CurrentLineError(), lineBreak);
          break;
        }
        case kStatusOutbuffFree: FireTriggerOutbuffFree(); break;
        case kStatusOutbuffUsed: FireTriggerOutbuffUsed(); break;
        case kStatusOutSent: FireTriggerOutSent(); break;
        default: break;
      }
      break;
    }
    case ClosePendingMsg:
      // While the threads run, the message comes again when the last of them has ended.
      if (ActiveDispatcher_ && ActiveDispatcher_->CallWhenThreadsEnded([window = NotifyWindow_, lParam] {
            platform::PostMessage(window, ClosePendingMsg, 0, lParam);
          })) {
        break;
      }
      if (State_ != cpsClosing) break;
      CompleteClose();
      if (ReopenAfterClose_) {
        ReopenAfterClose_ = false;  // cleared first, so a failed reopen is not repeated later
        OpenPort();
      }
      break;
    default: break;
  }
}

}  // namespace sio
