#pragma once
// The records of the dispatcher's handler and trigger lists, the saved-trigger set and the
// trigger event messages.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "platform/messages.h"

namespace sio {

// Trigger event messages; the high word of lParam is the dispatcher handle.
enum : uint32_t {
  TriggerAvailMsg = 0x7E01,
  TriggerDataMsg = 0x7E02,
  TriggerTimerMsg = 0x7E03,
  TriggerStatusMsg = 0x7E04,
  ClosePendingMsg = 0x7E0A,
};

struct TWindowHandler {
  platform::HWND Window = nullptr;
  bool Deleted = false;
};

// A data trigger matches a byte string of at most kMaxMatchLength bytes, one counter per
// position so that overlapping occurrences are found.
constexpr uint32_t kMaxMatchLength = 22;

struct TDataTrigger {
  uint16_t Handle = 0;
  uint32_t MatchLength = 0;  // 0: inactive
  std::array<uint32_t, kMaxMatchLength> MatchState{};
  bool Matched = false;
  bool IgnoreCase = false;
  std::array<uint8_t, 24> MatchString{};  // upper case when IgnoreCase
};

struct TTimerTrigger {
  uint16_t Handle = 0;
  platform::TTickTimer Timer;
  bool Armed = false;
};

// Status trigger kinds; a status trigger's handle carries its kind in the low 3 bits.
enum : uint32_t {
  kStatusNotActive = 0,
  kStatusModem = 1,
  kStatusLineError = 2,
  kStatusOutbuffFree = 3,
  kStatusOutbuffUsed = 4,
  kStatusOutSent = 5,
};

struct TStatusTrigger {
  uint16_t Handle = 0;
  uint32_t Kind = kStatusNotActive;
  // Modem: low byte the reference lines, high byte the watched bits. Line error: the watched
  // CE_ bits. Output free / used: a byte count.
  uint16_t Value = 0;
  bool Armed = false;
  bool FiredThisPass = false;
};

// What a port keeps of its dispatcher's triggers across a close and reopen.
struct TSavedTriggers {
  uint32_t AvailLength = 0;
  std::optional<std::vector<TTimerTrigger>> Timers;
  std::optional<std::vector<TDataTrigger>> Data;
  std::optional<std::vector<TStatusTrigger>> Status;
};

// Consumes one received byte for a data trigger; true when it completes a match.
bool MatchChar(std::array<uint32_t, kMaxMatchLength>& state, uint8_t ch, uint32_t length,
               bool ignoreCase, const std::array<uint8_t, 24>& matchString);

}  // namespace sio
