#pragma once
// The settings types and event types of the port object.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace sio {

class TComponent;

enum TDeviceLayer { dlWin32, dlWinsock };
enum TParity { pNone, pOdd, pEven, pMark, pSpace };
enum THWFlowOptions { hwfUseDTR, hwfUseRTS, hwfRequireDSR, hwfRequireCTS };
enum TSWFlowOptions { swfNone, swfReceive, swfTransmit, swfBoth };
enum TTraceLogState { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };
enum TTapiMode { tmNone, tmAuto, tmOn, tmOff };
enum TComPortState { cpsClosed, cpsClosing, cpsOpen };

// A set of THWFlowOptions.
class THWFlowOptionSet {
 public:
  constexpr THWFlowOptionSet() = default;
  constexpr THWFlowOptionSet(std::initializer_list<THWFlowOptions> options) {
    for (THWFlowOptions o : options) bits_ |= Bit(o);
  }
  constexpr bool Contains(THWFlowOptions o) const { return (bits_ & Bit(o)) != 0; }
  constexpr THWFlowOptionSet With(THWFlowOptions o) const { return FromBits(bits_ | Bit(o)); }
  constexpr THWFlowOptionSet Without(THWFlowOptions o) const { return FromBits(bits_ & ~Bit(o)); }
  constexpr bool Empty() const { return bits_ == 0; }
  // The option word of the dispatcher: 1 DTR, 2 RTS, 4 require DSR, 8 require CTS.
  constexpr uint32_t Word() const { return bits_; }
  constexpr bool operator==(const THWFlowOptionSet&) const = default;

 private:
  static constexpr uint8_t Bit(THWFlowOptions o) { return static_cast<uint8_t>(1u << o); }
  static constexpr THWFlowOptionSet FromBits(unsigned bits) {
    THWFlowOptionSet s;
    s.bits_ = static_cast<uint8_t>(bits);
    return s;
  }
  uint8_t bits_ = 0;
};

// A file name of at most 255 characters; longer texts are cut.
class TPassString {
 public:
  static constexpr std::size_t kCapacity = 255;
  TPassString() = default;
  TPassString(std::string_view text) : text_(text.substr(0, kCapacity)) {}  // NOLINT: implicit like a string
  TPassString(const char* text) : TPassString(std::string_view(text)) {}    // NOLINT
  TPassString(const std::string& text) : TPassString(std::string_view(text)) {}  // NOLINT
  const std::string& str() const { return text_; }
  bool operator==(const TPassString&) const = default;

 private:
  std::string text_;
};

// Events: callables bound to their object; CP / Sender is the port.
using TNotifyEvent = std::function<void(TComponent* Sender)>;
using TTriggerEvent = std::function<void(TComponent* CP, uint16_t Msg, uint16_t TriggerHandle, uint16_t Data)>;
using TTriggerAvailEvent = std::function<void(TComponent* CP, uint16_t Count)>;
using TTriggerDataEvent = std::function<void(TComponent* CP, uint16_t TriggerHandle)>;
using TTriggerStatusEvent = std::function<void(TComponent* CP, uint16_t TriggerHandle)>;
using TTriggerTimerEvent = std::function<void(TComponent* CP, uint16_t TriggerHandle)>;
using TTriggerLineErrorEvent = std::function<void(TComponent* CP, uint16_t Error, bool LineBreak)>;

}  // namespace sio
