// Trigger matching and event delivery of the dispatcher.
#include <algorithm>

#include "platform/char_upper.h"
#include "serial/dispatcher.h"
#include "serial/error_strings.h"

namespace sio {

namespace {

constexpr uint32_t kSendTimeoutMs = 3000;
constexpr uint16_t kMaxTriggerSerial = 0x1FFF;  // handles are serial << 3 | kind, 16 bits

// Dispatch log vocabulary.
enum : uint8_t { kLogTrigger = 2, kLogHandlerAdded = 7, kLogHandlerRemoved = 8, kLogDataChanged = 9 };
enum : uint8_t { kSubAvail = 5, kSubTimer = 6, kSubData = 7, kSubStatus = 8, kSubAvailLength = 16, kSubWindow = 17 };

template <class List>
bool ContainsHandle(const List& list, uint16_t handle) {
  return std::any_of(list.begin(), list.end(), [handle](const auto& t) { return t.Handle == handle; });
}

template <class List>
bool EraseHandle(List& list, uint16_t handle) {
  const auto it = std::find_if(list.begin(), list.end(), [handle](const auto& t) { return t.Handle == handle; });
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

}  // namespace

// --- Delivery ------------------------------------------------------------------------------

bool TSioBaseDispatcher::NotifyHandlers(uint32_t msg, uint32_t trigger, uint32_t data) {
  if (!HandlersPresent) return true;
  {
    platform::Lock lock(DataLock);
    InDispatch_ = true;
  }
  {
    platform::Lock in(InputLock);
    MaxTakenCount = 0;
    InAvailDispatch = msg == TriggerAvailMsg || msg == TriggerDataMsg;
  }
  const uint32_t lParam = (static_cast<uint32_t>(DispatcherHandle_) << 16) + data;
  bool result = DeliverToWindows(msg, trigger, lParam);
  if (result) FinishAvailDelivery(msg, trigger, result);
  {
    platform::Lock lock(DataLock);
    InDispatch_ = false;
    if (HandlersDeleted) FreeDeletedHandlers();
  }
  return result;
}

// Sends the message to each window handler in turn; false when a close became pending.
bool TSioBaseDispatcher::DeliverToWindows(uint32_t msg, uint32_t trigger, uint32_t lParam) {
  for (std::size_t i = 0;; ++i) {
    TWindowHandler handler;
    {
      platform::Lock lock(DataLock);
      if (i >= WindowHandlers.size()) return true;
      if (WindowHandlers.size() <= 1 && !PortHandlerFlag) return true;
      handler = WindowHandlers[i];
    }
    {
      platform::Lock in(InputLock);
      TakenCount = 0;
    }
    if (!handler.Deleted) {
      platform::LRESULT ignored = 0;
      platform::SendMessageTimeout(handler.Window, msg, trigger, static_cast<platform::LPARAM>(lParam),
                                   platform::kSmtoBlock, kSendTimeoutMs, &ignored);
    }
    if (ClosePending_) return false;
    platform::Lock in(InputLock);
    MaxTakenCount = std::max(MaxTakenCount, TakenCount);
  }
}

// Moves the ring tail by what the most eager handler took.
void TSioBaseDispatcher::FinishAvailDelivery(uint32_t msg, uint32_t offered, bool& result) {
  platform::Lock in(InputLock);
  if (!InAvailDispatch) return;
  InAvailDispatch = false;
  InTail = (InTail + MaxTakenCount) % kInRingSize;
  if (MaxTakenCount > 0) InRingFull = false;
  if (msg == TriggerAvailMsg && MaxTakenCount != offered) result = false;
}

void TSioBaseDispatcher::FreeDeletedHandlers() {
  std::erase_if(WindowHandlers, [](const TWindowHandler& h) { return h.Deleted; });
  HandlersDeleted = false;
  UpdateHandlerFlags(0);
}

void TSioBaseDispatcher::RegisterWindowHandler(platform::HWND window) {
  platform::Lock lock(DataLock);
  WindowHandlers.push_back({window, false});
  HandlersPresent = true;
  AddDispatchEntry(kLogHandlerAdded, kSubWindow, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)),
                   nullptr, 0);
}

void TSioBaseDispatcher::DeregisterWindowHandler(platform::HWND window) {
  platform::Lock lock(DataLock);
  const auto it = std::find_if(WindowHandlers.begin(), WindowHandlers.end(),
                               [window](const TWindowHandler& h) { return h.Window == window; });
  if (it == WindowHandlers.end()) {
    UpdateHandlerFlags(0);
    return;
  }
  AddDispatchEntry(kLogHandlerRemoved, kSubWindow,
                   static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)), nullptr, 0);
  if (InDispatch_) {
    it->Deleted = true;
    HandlersDeleted = true;
  } else {
    WindowHandlers.erase(it);
  }
}

void TSioBaseDispatcher::UpdateHandlerFlags(int kind) {
  platform::Lock lock(DataLock);
  const bool others = WindowHandlers.size() > 1;
  switch (kind) {
    case 0: HandlersPresent = others || PortHandlerFlag; break;
    case 1: PortHandlerFlag = true; HandlersPresent = true; break;
    case 2: PortHandlerFlag = false; HandlersPresent = others; break;
    default: break;
  }
}

void TSioBaseDispatcher::SetAvailLength(uint32_t length) {
  platform::Lock lock(DataLock);
  AvailLength = length;
  AddDispatchEntry(kLogDataChanged, kSubAvailLength, length, nullptr, 0);
}

// --- Received data -------------------------------------------------------------------------

// Waiting bytes from InTail up to the position `matchStart` (not included), less what a
// running delivery has taken. A match that starts at InTail has no bytes before it.
int32_t TSioBaseDispatcher::ReadAvailCount(uint32_t matchStart) const {
  const uint32_t before = (matchStart + kInRingSize - InTail) % kInRingSize;
  const uint32_t taken = InAvailDispatch ? TakenCount : 0;
  return static_cast<int32_t>(before) - static_cast<int32_t>(taken);
}

bool TSioBaseDispatcher::NotifyAvail(uint32_t count) {
  AddDispatchEntry(kLogTrigger, kSubAvail, count, nullptr, 0);
  const bool result = NotifyHandlers(TriggerAvailMsg, count, 0);
  AvailAnnounced = true;
  return result;
}

// Delivers every data trigger that the current byte completed, last to first.
bool TSioBaseDispatcher::NotifyMatchedDataTriggers() {
  bool result = true;
  platform::Lock lock(DataLock);
  for (std::size_t i = DataTriggers.size(); i-- > 0;) {
    if (i >= DataTriggers.size()) break;
    TDataTrigger& t = DataTriggers[i];
    if (!t.Matched) continue;
    AddDispatchEntry(kLogTrigger, kSubData, t.Handle, nullptr, 0);
    t.Matched = false;
    const uint16_t handle = t.Handle;
    const uint32_t length = t.MatchLength;
    DataLock.Leave();
    result = NotifyHandlers(TriggerDataMsg, handle, length);
    DataLock.Enter();
  }
  return result;
}

void TSioBaseDispatcher::AdvanceScan() {
  ScanPos = (ScanPos + 1) % kInRingSize;
  AvailAnnounced = false;
}

// InHead moves only on the dispatch thread, which runs the scan: it holds still meanwhile.
bool TSioBaseDispatcher::ScanForMatch(uint32_t& longest) {
  platform::Lock lock(DataLock);
  for (; ScanPos != InHead; AdvanceScan()) {
    const uint8_t byte = InRing[ScanPos];
    bool anyMatched = false;
    for (TDataTrigger& t : DataTriggers) {
      if (t.MatchLength == 0) continue;
      if (!t.Matched) t.Matched = MatchChar(t.MatchState, byte, t.MatchLength, t.IgnoreCase, t.MatchString);
      if (t.Matched) {
        anyMatched = true;
        longest = std::max(longest, t.MatchLength);
      }
    }
    if (anyMatched) return true;
  }
  return false;
}

bool TSioBaseDispatcher::CheckReceivedData() {
  if (uint32_t longest = 0; ScanForMatch(longest)) {
    bool result = true;
    if (AvailLength > 0 && !AvailAnnounced) {
      int32_t before;
      {
        platform::Lock in(InputLock);
        before = ReadAvailCount((ScanPos + 1 + kInRingSize - longest) % kInRingSize);
      }
      if (before >= static_cast<int32_t>(AvailLength)) result = NotifyAvail(static_cast<uint32_t>(before));
    }
    if (ClosePending_) return result;
    result = NotifyMatchedDataTriggers() && result;
    AdvanceScan();
    return result;
  }
  const uint32_t count = InCount();
  if (AvailLength > 0 && !AvailAnnounced && count >= AvailLength) return NotifyAvail(count);
  return false;
}

void TSioBaseDispatcher::ResetDataMatchers() {
  platform::Lock lock(DataLock);
  for (TDataTrigger& t : DataTriggers) t.MatchState.fill(0);
}

// --- Status and timer triggers -------------------------------------------------------------

bool TSioBaseDispatcher::CheckStatusTriggers() {
  platform::Lock lock(DataLock);
  for (std::size_t i = 0; i < StatusTriggers.size(); ++i) {
    TStatusTrigger& t = StatusTriggers[i];
    if (!t.Armed || t.FiredThisPass) continue;
    uint32_t value = 0;
    bool fires = false;
    switch (t.Kind) {
      case kStatusModem:
        fires = (((t.Value & 0xFF) ^ ModemState) & (t.Value >> 8)) != 0;
        break;
      case kStatusLineError:
        fires = (t.Value & LineErrorBits) != 0;
        if (fires) t.Value = static_cast<uint16_t>(LineErrorBits & 0xFFFF);
        break;
      case kStatusOutbuffFree:
        value = OutFree();
        fires = value >= t.Value;
        break;
      case kStatusOutbuffUsed:
        value = OutCount();
        fires = value <= t.Value;
        break;
      case kStatusOutSent:
        fires = OutputSent.exchange(false);
        break;
      default:
        break;
    }
    if (!fires) continue;
    t.Armed = false;
    t.FiredThisPass = true;
    StatusHitThisPass = true;
    const uint16_t handle = t.Handle;
    AddDispatchEntry(kLogTrigger, kSubStatus, handle, nullptr, 0);
    DataLock.Leave();
    const bool result = NotifyHandlers(TriggerStatusMsg, handle, value);
    DataLock.Enter();
    return result;
  }
  return false;
}

void TSioBaseDispatcher::ResetStatusHits() {
  platform::Lock lock(DataLock);
  for (TStatusTrigger& t : StatusTriggers) t.FiredThisPass = false;
  StatusHitThisPass = false;
}

bool TSioBaseDispatcher::CheckTimerTriggers() {
  platform::Lock lock(DataLock);
  for (TTimerTrigger& t : TimerTriggers) {
    if (!t.Armed || !platform::TickTimerExpired(t.Timer)) continue;
    t.Armed = false;
    const uint16_t handle = t.Handle;
    AddDispatchEntry(kLogTrigger, kSubTimer, handle, nullptr, 0);
    DataLock.Leave();
    const bool result = NotifyHandlers(TriggerTimerMsg, handle, 0);
    DataLock.Enter();
    return result;
  }
  return false;
}

// --- Trigger sets and management -----------------------------------------------------------

void TSioBaseDispatcher::ClearAllTriggers() {
  platform::Lock lock(DataLock);
  AvailLength = 0;
  TimerTriggers.clear();
  DataTriggers.clear();
  StatusTriggers.clear();
}

void TSioBaseDispatcher::SaveTriggers(TSavedTriggers& saved) {
  platform::Lock lock(DataLock);
  FreeSavedTriggers(saved);
  saved.AvailLength = AvailLength;
  saved.Timers = TimerTriggers;
  saved.Data = DataTriggers;
  saved.Status = StatusTriggers;
}

void TSioBaseDispatcher::RestoreTriggers(const TSavedTriggers& saved) {
  platform::Lock lock(DataLock);
  AvailLength = saved.AvailLength;
  TimerTriggers = saved.Timers.value_or(std::vector<TTimerTrigger>{});
  DataTriggers = saved.Data.value_or(std::vector<TDataTrigger>{});
  StatusTriggers = saved.Status.value_or(std::vector<TStatusTrigger>{});
}

void TSioBaseDispatcher::FreeSavedTriggers(TSavedTriggers& saved) {
  saved.Timers.reset();
  saved.Data.reset();
  saved.Status.reset();
}

bool TSioBaseDispatcher::TriggerHandleInUse(uint16_t handle) const {
  return ContainsHandle(TimerTriggers, handle) || ContainsHandle(DataTriggers, handle) ||
         ContainsHandle(StatusTriggers, handle);
}

// The lowest free handle serial << 3 | kind; 0 when every serial is taken.
uint16_t TSioBaseDispatcher::NextTriggerHandle(uint32_t kind) const {
  for (uint16_t serial = 1; serial <= kMaxTriggerSerial; ++serial) {
    const auto handle = static_cast<uint16_t>((serial << 3) | kind);
    if (!TriggerHandleInUse(handle) && !TriggerHandleInUse(static_cast<uint16_t>(serial << 3))) {
      return handle;
    }
  }
  return 0;
}

int32_t TSioBaseDispatcher::AddDataTrigger(const uint8_t* matchString, uint32_t length, bool ignoreCase) {
  if (length > kMaxMatchLength) return kErrTriggerTooLong;
  if (length == 0 || matchString == nullptr) return kErrBadArgument;
  platform::Lock lock(DataLock);
  const uint16_t handle = NextTriggerHandle(0);
  if (handle == 0) return kErrNoMoreTriggers;
  TDataTrigger t;
  t.Handle = handle;
  t.MatchLength = length;
  t.IgnoreCase = ignoreCase;
  for (uint32_t i = 0; i < length; ++i) {
    t.MatchString[i] = ignoreCase ? platform::CharUpper(matchString[i]) : matchString[i];
  }
  DataTriggers.push_back(t);
  return handle;
}

int32_t TSioBaseDispatcher::AddTimerTrigger() {
  platform::Lock lock(DataLock);
  const uint16_t handle = NextTriggerHandle(0);
  if (handle == 0) return kErrNoMoreTriggers;
  TimerTriggers.push_back({handle, {}, false});
  return handle;
}

int32_t TSioBaseDispatcher::SetTimerTrigger(uint16_t handle, int32_t ticks, bool arm) {
  platform::Lock lock(DataLock);
  for (TTimerTrigger& t : TimerTriggers) {
    if (t.Handle != handle) continue;
    platform::SetTickTimer(t.Timer, ticks);
    t.Armed = arm;
    return kOk;
  }
  return kErrBadTriggerHandle;
}

int32_t TSioBaseDispatcher::AddStatusTrigger(uint32_t kind) {
  if (kind < kStatusModem || kind > kStatusOutSent) return kErrBadArgument;
  platform::Lock lock(DataLock);
  const uint16_t handle = NextTriggerHandle(kind);
  if (handle == 0) return kErrNoMoreTriggers;
  StatusTriggers.push_back({handle, kind, 0, false, false});
  return handle;
}

int32_t TSioBaseDispatcher::SetStatusTrigger(uint16_t handle, uint16_t value, bool arm) {
  platform::Lock lock(DataLock);
  for (TStatusTrigger& t : StatusTriggers) {
    if (t.Handle != handle) continue;
    t.Value = value;
    t.Armed = arm;
    return kOk;
  }
  return kErrBadTriggerHandle;
}

int32_t TSioBaseDispatcher::RemoveTrigger(uint16_t handle) {
  platform::Lock lock(DataLock);
  if (EraseHandle(TimerTriggers, handle) || EraseHandle(DataTriggers, handle) ||
      EraseHandle(StatusTriggers, handle)) {
    return kOk;
  }
  return kErrBadTriggerHandle;
}

}  // namespace sio
