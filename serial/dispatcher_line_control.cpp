// Line control of the dispatcher: line settings, DTR/RTS, flow control, line errors, modem
// status, RS-485 and thread priorities. Every DCB change starts from a copy read afresh from
// the device.
#include <algorithm>
#include <array>
#include <mutex>
#include <utility>

#include "platform/sync.h"
#include "serial/dispatcher.h"
#include "serial/error_strings.h"

namespace sio {

namespace {

constexpr uint32_t kDrainPollMs = 2;
constexpr uint32_t kDrainPolls = 5000;
constexpr uint8_t kNormalPriority = 3;

constexpr std::array<std::pair<uint32_t, uint32_t>, 13> kBaudCodes{{
    {0xFF10, 110}, {0xFF11, 300}, {0xFF12, 600}, {0xFF13, 1200}, {0xFF14, 2400},
    {0xFF15, 4800}, {0xFF16, 9600}, {0xFF17, 14400}, {0xFF18, 19200}, {0xFF1B, 38400},
    {0xFF1F, 56000}, {0xFF23, 128000}, {0xFF27, 256000},
}};

// The DCB stop-bits code for the wanted stop bits (3: keep) and the resulting byte size.
uint8_t StopBitsCode(uint8_t stopBits, uint8_t current, uint8_t dataBitsGiven, uint8_t byteSize) {
  if (stopBits > 2 && stopBits != kKeepStopBits) stopBits = 2;
  if (stopBits == 0) stopBits = 1;
  uint8_t code = current;
  if (stopBits != kKeepStopBits) code = stopBits == 1 ? platform::kOneStopBit : platform::kTwoStopBits;
  if (dataBitsGiven == 5 || (stopBits != kKeepStopBits && byteSize == 5)) code = platform::kOne5StopBits;
  return code;
}

// Priority levels run from idle (0) to time-critical (6); a boost beyond that saturates.
platform::ThreadPriority ToPriority(int level) {
  return static_cast<platform::ThreadPriority>(std::min(level, 6));
}

}  // namespace

uint32_t TSioBaseDispatcher::BaudFromCode(uint32_t code) {
  if (code == 0xFEFF) return 115200;
  for (const auto& [c, bps] : kBaudCodes) {
    if (c == code) return bps;
  }
  return code;
}

int32_t TSioBaseDispatcher::SetLine(uint32_t baud, uint8_t parity, uint8_t dataBits, uint8_t stopBits) {
  platform::DCB wanted;
  {
    platform::Lock lock(DataLock);
    GetDeviceState(Dcb);
    wanted = Dcb;
    if (baud != kKeepBaud) wanted.BaudRate = baud;
    if (parity != kKeepParity) wanted.Parity = parity;
    if (dataBits != kKeepDataBits) wanted.ByteSize = dataBits;
    wanted.StopBits = StopBitsCode(stopBits, Dcb.StopBits, dataBits, wanted.ByteSize);
    if (wanted.BaudRate == Dcb.BaudRate && wanted.Parity == Dcb.Parity &&
        wanted.ByteSize == Dcb.ByteSize && wanted.StopBits == Dcb.StopBits) {
      return kOk;
    }
  }
  WaitForOutputDrain();
  platform::Lock lock(DataLock);
  GetDeviceState(Dcb);
  Dcb.BaudRate = wanted.BaudRate;
  Dcb.Parity = wanted.Parity;
  Dcb.ByteSize = wanted.ByteSize;
  Dcb.StopBits = wanted.StopBits;
  return ApplyLineRecord(Dcb);
}

// Polls the output count until the ring is sent, then waits the time of 18 characters.
void TSioBaseDispatcher::WaitForOutputDrain() {
  for (uint32_t i = 0; i < kDrainPolls && OutCount() > 0; ++i) platform::Sleep(kDrainPollMs);
  platform::DCB dcb;
  {
    platform::Lock lock(DataLock);
    GetDeviceState(dcb);
  }
  const uint32_t bits = dcb.ByteSize + 2u + (dcb.Parity != platform::kNoParity ? 1u : 0u) +
                        (dcb.StopBits != platform::kOneStopBit ? 1u : 0u);
  const uint32_t bps = std::max<uint32_t>(BaudFromCode(CurrentBaud), 1);
  uint64_t d = uint64_t{10000000 / bps} * bits * 18;
  if (d < 10000) d *= 2;
  platform::Sleep(static_cast<uint32_t>(d / 10000 + (d % 10000 != 0 ? 1 : 0)));
}

int32_t TSioBaseDispatcher::ApplyLineRecord(platform::DCB& dcb) {
  if (!DtrByFlow) dcb.fDtrControl = DtrOn ? platform::kDtrControlEnable : platform::kDtrControlDisable;
  if (!RtsByFlow) dcb.fRtsControl = RtsOn ? platform::kRtsControlEnable : platform::kRtsControlDisable;
  const int32_t result = SetDeviceState(dcb);
  CurrentBaud = dcb.BaudRate;
  SetDTR(DtrOn);
  if (!RS485Active) SetRTS(RtsOn);
  return result;
}

void TSioBaseDispatcher::GetLine(uint32_t& baud, uint16_t& parity, uint8_t& dataBits, uint8_t& stopBits) {
  platform::Lock lock(DataLock);
  GetDeviceState(Dcb);
  baud = BaudFromCode(Dcb.BaudRate);
  parity = Dcb.Parity;
  dataBits = Dcb.ByteSize;
  stopBits = Dcb.StopBits == platform::kOneStopBit ? 1 : 2;
}

int32_t TSioBaseDispatcher::SetDTR(bool on) {
  if (DtrByFlow) return 1;
  const int32_t r = EscapeCom(on ? platform::kSetDtr : platform::kClrDtr);
  DtrOn = on;
  return r < 0 ? kErrBadArgument : r;
}

int32_t TSioBaseDispatcher::SetRTS(bool on) {
  if (RtsByFlow) return 1;
  const int32_t r = EscapeCom(on ? platform::kSetRts : platform::kClrRts);
  RtsOn = on;
  return r < 0 ? kErrBadArgument : r;
}

int32_t TSioBaseDispatcher::SetHardwareFlow(uint32_t bufferFull, uint32_t bufferResume, uint32_t options) {
  if (bufferResume > bufferFull || bufferFull > InQueueSize) return kErrBadArgument;
  platform::Lock lock(DataLock);
  GetDeviceState(Dcb);
  Dcb.fOutxCtsFlow = false;
  Dcb.fOutxDsrFlow = false;
  Dcb.fDtrControl = platform::kDtrControlDisable;
  Dcb.fRtsControl = platform::kRtsControlDisable;
  DtrByFlow = RtsByFlow = false;
  if (options & kHwDtrHandshake) {
    Dcb.fDtrControl = platform::kDtrControlHandshake;
    DtrByFlow = true;
  } else if (DtrOn) {
    Dcb.fDtrControl = platform::kDtrControlEnable;
  }
  if (options & kHwRtsHandshake) {
    Dcb.fRtsControl = platform::kRtsControlHandshake;
    RtsByFlow = true;
  } else if (RtsOn) {
    Dcb.fRtsControl = platform::kRtsControlEnable;
  }
  if (RS485Active) {  // both supported platforms belong to the NT family
    Dcb.fRtsControl = platform::kRtsControlToggle;
    RtsByFlow = true;
  }
  Dcb.XoffLim = static_cast<uint16_t>(InQueueSize - bufferFull);
  Dcb.XonLim = static_cast<uint16_t>(bufferResume);
  Dcb.fOutxDsrFlow = (options & kHwRequireDsr) != 0;
  Dcb.fOutxCtsFlow = (options & kHwRequireCts) != 0;
  return ApplyLineRecord(Dcb);
}

int32_t TSioBaseDispatcher::SetSoftwareFlow(uint32_t bufferFull, uint32_t bufferResume, uint32_t options) {
  if (bufferResume > bufferFull || bufferFull > InQueueSize) return kErrBadArgument;
  platform::Lock lock(DataLock);
  GetDeviceState(Dcb);
  if (options & (kSwSendXoff | kSwObeyXoff)) {
    Dcb.XonChar = 0x11;
    Dcb.XoffChar = 0x13;
  }
  if (options & kSwSendXoff) {
    Dcb.fInX = true;
    Dcb.XoffLim = static_cast<uint16_t>(InQueueSize - bufferFull);
    Dcb.XonLim = static_cast<uint16_t>(bufferResume);
  }
  if (options & kSwObeyXoff) Dcb.fOutX = true;
  return ApplyLineRecord(Dcb);
}

int32_t TSioBaseDispatcher::SoftwareFlowOff() {
  platform::Lock lock(DataLock);
  GetDeviceState(Dcb);
  Dcb.fInX = Dcb.fOutX = false;
  return ApplyLineRecord(Dcb);
}

int32_t TSioBaseDispatcher::SetFlowChars(char xOn, char xOff) {
  platform::Lock lock(DataLock);
  GetDeviceState(Dcb);
  Dcb.XonChar = xOn;
  Dcb.XoffChar = xOff;
  return ApplyLineRecord(Dcb);
}

void TSioBaseDispatcher::GetFlowOptions(uint32_t& hw, uint32_t& sw, char& xOn, char& xOff) {
  platform::Lock lock(DataLock);
  GetDeviceState(Dcb);
  hw = (Dcb.fDtrControl == platform::kDtrControlHandshake ? kHwDtrHandshake : 0) |
       (Dcb.fRtsControl == platform::kRtsControlHandshake || Dcb.fRtsControl == platform::kRtsControlToggle
            ? kHwRtsHandshake : 0) |
       (Dcb.fOutxDsrFlow ? kHwRequireDsr : 0) | (Dcb.fOutxCtsFlow ? kHwRequireCts : 0);
  sw = (Dcb.fInX ? kSwSendXoff : 0) | (Dcb.fOutX ? kSwObeyXoff : 0);
  xOn = Dcb.XonChar;
  xOff = Dcb.XoffChar;
}

// --- Line errors and modem status ----------------------------------------------------------

void TSioBaseDispatcher::RefreshLineErrors() { LineErrorBits |= ReadDeviceStatus() & 0x1F; }

int32_t TSioBaseDispatcher::GetLineError() {
  platform::Lock lock(DataLock);
  constexpr std::array<std::pair<uint32_t, int32_t>, 5> kOrder{{
      {platform::kCeRxOver, 1}, {platform::kCeOverrun, 2}, {platform::kCeRxParity, 3},
      {platform::kCeFrame, 4}, {platform::kCeBreak, 9}}};
  const uint32_t bits = LineErrorBits;
  for (const auto& [bit, code] : kOrder) {
    if ((bits & bit) == 0) continue;
    LineErrorBits &= ~0x0Fu;
    return code;
  }
  return 0;
}

bool TSioBaseDispatcher::CheckLineBreak() {
  platform::Lock lock(DataLock);
  return (LineErrorBits.fetch_and(~uint32_t{platform::kCeBreak}) & platform::kCeBreak) != 0;
}

uint8_t TSioBaseDispatcher::ReadModemStatus(uint8_t clearMask) {
  platform::Lock lock(DataLock);
  uint32_t lines = 0;
  if (!platform::GetCommModemStatus(DeviceHandle, lines)) lines = 0;
  uint8_t state = static_cast<uint8_t>((lines & 0xF0) | (ModemState & 0x0F));
  if (RingEventSeen.exchange(false)) state |= 0x04;
  ModemState = state & clearMask;
  return state;
}

void TSioBaseDispatcher::UpdateModemDeltas() {
  platform::Lock lock(DataLock);
  const uint8_t old = ModemState;
  const uint8_t now = ReadModemStatus(0xFF);
  ModemState = static_cast<uint8_t>(ModemState | (((now ^ old) & 0xF0) >> 4));
}

// --- RS-485 and thread priorities ----------------------------------------------------------

void TSioBaseDispatcher::SetRS485Mode(bool on) {
  platform::Lock lock(DataLock);
  RS485Active = on;
  SetOutputThreadPriority(static_cast<uint8_t>(BoostLevel + (on ? 4 : kNormalPriority)));
}

void TSioBaseDispatcher::ApplyThreadBoost(uint8_t boost) {
  platform::Lock lock(DataLock);
  if (boost == BoostLevel) return;
  BoostLevel = boost;
  const auto priority = ToPriority(BoostLevel + kNormalPriority);
  {
    std::lock_guard guard(ThreadBook);
    for (const ThreadKind kind : {ThreadKind::kCom, ThreadKind::kDispatch}) {
      if (const auto& thread = Threads[static_cast<size_t>(kind)]) thread->SetPriority(priority);
    }
  }
  SetOutputThreadPriority(static_cast<uint8_t>(BoostLevel + (RS485Active ? 4 : kNormalPriority)));
}

void TSioBaseDispatcher::SetOutputThreadPriority(uint8_t level) {
  std::lock_guard guard(ThreadBook);
  if (const auto& thread = Threads[static_cast<size_t>(ThreadKind::kOutput)]) {
    thread->SetPriority(ToPriority(level));
  }
}

}  // namespace sio
