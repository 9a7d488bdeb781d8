#include "platform/serial_api.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/system_error.h"
#include "tests/support/memory_serial_device.h"

namespace platform {
namespace {

using test_support::MemorySerialDevice;
using test_support::MemorySerialProvider;
using test_support::SerialCall;

const std::string kCom1 = "\\\\.\\COM1";
constexpr uint32_t kAllEvents = kEvRxChar | kEvCts | kEvDsr | kEvRlsd | kEvBreak | kEvErr |
                                kEvRing | kEvRing2;

// An OVERLAPPED record with its own manual-reset event.
struct Request {
  Request() { overlapped.hEvent = CreateEvent(true, false); }
  ~Request() { CloseHandle(overlapped.hEvent); }
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;

  bool Signalled() const { return WaitForSingleObject(overlapped.hEvent, 0) == kWaitObject0; }

  OVERLAPPED overlapped;
};

// The call failed and set the last error to `error`.
::testing::AssertionResult FailedWith(bool result, uint32_t error) {
  const uint32_t lastError = GetLastError();
  if (!result && lastError == error) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "result " << result << ", last error " << lastError
                                       << ", expected failure with " << error;
}

TEST(SerialCreateFile, FailsWithTheErrorOfTheMissingRefusedOrBusyDevice) {
  struct Case {
    const char* what;
    std::function<void(MemorySerialProvider&, MemorySerialDevice&)> arrange;
    std::string name;
    uint32_t error;
  };
  const std::vector<Case> cases = {
      {"unknown name", [](auto&, auto&) {}, "\\\\.\\COM9", kErrorFileNotFound},
      {"refused", [](auto&, auto& d) { d.SetOpenError(kErrorAccessDenied); }, kCom1,
       kErrorAccessDenied},
      {"refused otherwise", [](auto&, auto& d) { d.SetOpenError(kErrorSharingViolation); },
       kCom1, kErrorSharingViolation},
      {"unplugged", [](auto&, auto& d) { d.Vanish(); }, kCom1, kErrorFileNotFound},
  };
  for (const Case& c : cases) {
    MemorySerialProvider provider;
    auto device = provider.AddDevice(kCom1);
    c.arrange(provider, *device);
    SetLastError(kErrorSuccess);
    EXPECT_EQ(CreateFileA(c.name), nullptr) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
    EXPECT_FALSE(device->IsOpen()) << c.what;
  }
}

TEST(SerialCreateFile, OpensForExclusiveUseUntilClosed) {
  MemorySerialProvider provider;
  auto device = provider.AddDevice(kCom1);

  SerialHandle first = CreateFileA(kCom1);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(device->IsOpen());
  EXPECT_EQ(CreateFileA(kCom1), nullptr);
  EXPECT_EQ(GetLastError(), kErrorAccessDenied);

  EXPECT_TRUE(CloseHandle(first));
  EXPECT_FALSE(device->IsOpen());
  SerialHandle second = CreateFileA(kCom1);
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(CloseHandle(second));
}

TEST(SerialCreateFile, WithoutAnInstalledProviderUsesTheSystemDevices) {
  { MemorySerialProvider provider; }  // installs itself and uninstalls again
  SetLastError(kErrorSuccess);
  EXPECT_EQ(CreateFileA("\\\\.\\COM250"), nullptr);
  EXPECT_EQ(GetLastError(), kErrorFileNotFound);
}

TEST(SerialCloseHandle, CallsOnAHandleThatIsNotOpenFail) {
  MemorySerialProvider provider;
  provider.AddDevice(kCom1);
  SerialHandle handle = CreateFileA(kCom1);
  ASSERT_NE(handle, nullptr);
  ASSERT_TRUE(CloseHandle(handle));

  DCB dcb;
  for (SerialHandle stale : {handle, SerialHandle{nullptr}}) {
    EXPECT_TRUE(FailedWith(GetCommState(stale, dcb), kErrorInvalidHandle));
    EXPECT_TRUE(FailedWith(SetCommMask(stale, kEvRxChar), kErrorInvalidHandle));
    EXPECT_TRUE(FailedWith(CloseHandle(stale), kErrorInvalidHandle));
  }
}

// Another thread closes the handle while this one blocks in a call on it.
TEST(SerialCloseHandle, EndsPendingRequestsOfCallsStillRunning) {
  MemorySerialProvider provider;
  auto device = provider.AddDevice(kCom1);
  SerialHandle handle = CreateFileA(kCom1);
  ASSERT_NE(handle, nullptr);
  ASSERT_TRUE(SetCommMask(handle, kEvRxChar));
  Request request;
  uint32_t mask = 0;
  ASSERT_FALSE(WaitCommEvent(handle, mask, request.overlapped));

  std::thread closer([&] {
    device->WaitUntil([&] { return device->Calls(SerialCall::kGetOverlappedResult) == 1; });
    CloseHandle(handle);
  });
  uint32_t transferred = 0;
  EXPECT_TRUE(FailedWith(GetOverlappedResult(handle, request.overlapped, transferred, true),
                         kErrorOperationAborted));
  closer.join();
  EXPECT_FALSE(device->IsOpen());
}

class OpenSerialDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    handle = CreateFileA(kCom1);
    ASSERT_NE(handle, nullptr);
  }
  void TearDown() override {
    if (handle != nullptr) {
      EXPECT_TRUE(CloseHandle(handle));
    }
  }

  // Enables `mask` and arms a wait; true when it pends.
  bool ArmWait(uint32_t mask) {
    EXPECT_TRUE(SetCommMask(handle, mask));
    return FailedWith(WaitCommEvent(handle, events, wait.overlapped), kErrorIoPending);
  }

  // The wait completed with `expected` events.
  ::testing::AssertionResult WaitCompletedWith(uint32_t expected) {
    uint32_t transferred = 0;
    if (!wait.Signalled()) return ::testing::AssertionFailure() << "wait still pending";
    if (!GetOverlappedResult(handle, wait.overlapped, transferred, false)) {
      return ::testing::AssertionFailure() << "wait failed with " << GetLastError();
    }
    if (events != expected) {
      return ::testing::AssertionFailure() << "events 0x" << std::hex << events;
    }
    return ::testing::AssertionSuccess();
  }

  uint32_t ReadAll(std::string& text) {
    char buffer[64] = {};
    uint32_t read = 0;
    Request request;
    EXPECT_TRUE(ReadFile(handle, buffer, sizeof buffer, read, request.overlapped));
    text.assign(buffer, read);
    return read;
  }

  COMSTAT Status(uint32_t& errors) {
    COMSTAT status;
    EXPECT_TRUE(ClearCommError(handle, errors, status));
    return status;
  }

  MemorySerialProvider provider;
  std::shared_ptr<MemorySerialDevice> device = provider.AddDevice(kCom1);
  SerialHandle handle = nullptr;
  Request wait;
  uint32_t events = 0xFFFFFFFF;
};

using SerialWaitCommEvent = OpenSerialDevice;

TEST_F(SerialWaitCommEvent, PendsUntilAnEnabledEventHappens) {
  ASSERT_TRUE(ArmWait(kEvRxChar));
  EXPECT_TRUE(device->WaitPending());
  EXPECT_FALSE(wait.Signalled());

  device->SetModemLines(kMsCtsOn);  // not enabled
  EXPECT_FALSE(wait.Signalled());

  device->Receive("ab");
  EXPECT_TRUE(WaitCompletedWith(kEvRxChar));
  EXPECT_FALSE(device->WaitPending());
}

TEST_F(SerialWaitCommEvent, CompletesAtOnceWithTheEventsSinceTheLastWait) {
  ASSERT_TRUE(SetCommMask(handle, kAllEvents));
  device->Receive("a");
  device->SetModemLines(kMsDsrOn);

  EXPECT_TRUE(WaitCommEvent(handle, events, wait.overlapped));
  EXPECT_EQ(events, kEvRxChar | kEvDsr);

  // Reported once: the next wait pends.
  EXPECT_TRUE(FailedWith(WaitCommEvent(handle, events, wait.overlapped), kErrorIoPending));
}

TEST_F(SerialWaitCommEvent, ChangingTheMaskForgetsUnreportedEvents) {
  ASSERT_TRUE(SetCommMask(handle, kEvRxChar));
  device->Receive("a");
  ASSERT_TRUE(ArmWait(kEvRxChar));
}

TEST_F(SerialWaitCommEvent, RefusesAWaitWithoutMaskAndASecondWait) {
  EXPECT_TRUE(FailedWith(WaitCommEvent(handle, events, wait.overlapped), kErrorInvalidParameter));
  ASSERT_TRUE(ArmWait(kEvRxChar));
  Request second;
  uint32_t secondEvents = 0;
  EXPECT_TRUE(FailedWith(WaitCommEvent(handle, secondEvents, second.overlapped),
                         kErrorInvalidParameter));
  EXPECT_TRUE(device->WaitPending());
}

// Another thread ends the wait while this one blocks in GetOverlappedResult.
TEST_F(SerialWaitCommEvent, ABlockedWaiterWakesOnEventsMaskChangeAndUnplugging) {
  struct Case {
    const char* what;
    std::function<void(SerialHandle, MemorySerialDevice&)> act;
    bool succeeds;
    uint32_t eventsOrError;
  };
  const std::vector<Case> cases = {
      {"bytes", [](auto, auto& d) { d.Receive("x"); }, true, kEvRxChar},
      {"mask 0", [](auto h, auto&) { SetCommMask(h, 0); }, true, 0},
      {"other mask", [](auto h, auto&) { SetCommMask(h, kEvCts); }, true, 0},
      {"unplugged", [](auto, auto& d) { d.Vanish(); }, false, kErrorDeviceNotConnected},
  };
  for (const Case& c : cases) {
    auto device = provider.AddDevice("\\\\.\\COM2");
    SerialHandle port = CreateFileA("\\\\.\\COM2");
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(SetCommMask(port, kEvRxChar));
    Request request;
    uint32_t mask = 0xFFFF;
    ASSERT_FALSE(WaitCommEvent(port, mask, request.overlapped));

    std::thread other([&] { c.act(port, *device); });
    uint32_t transferred = 0;
    const bool ok = GetOverlappedResult(port, request.overlapped, transferred, true);
    const uint32_t error = GetLastError();
    other.join();

    EXPECT_EQ(ok, c.succeeds) << c.what;
    EXPECT_EQ(c.succeeds ? mask : error, c.eventsOrError) << c.what;
    EXPECT_TRUE(request.Signalled()) << c.what;
    EXPECT_TRUE(CloseHandle(port));
  }
}

TEST_F(SerialWaitCommEvent, ModemLineChangesRaiseTheirEvents) {
  struct Case {
    uint32_t from;
    uint32_t to;
    uint32_t events;
  };
  const std::vector<Case> cases = {
      {0, kMsCtsOn, kEvCts},
      {kMsCtsOn, 0, kEvCts},
      {0, kMsDsrOn, kEvDsr},
      {0, kMsRlsdOn, kEvRlsd},
      {0, kMsRingOn, kEvRing},
      {kMsRingOn, 0, kEvRing2},
      {kMsCtsOn, kMsCtsOn | kMsDsrOn, kEvDsr},
  };
  for (const Case& c : cases) {
    device->SetModemLines(c.from);
    ASSERT_TRUE(ArmWait(kAllEvents));
    device->SetModemLines(c.to);
    EXPECT_TRUE(WaitCompletedWith(c.events)) << c.from << " -> " << c.to;
    uint32_t lines = 0;
    EXPECT_TRUE(GetCommModemStatus(handle, lines));
    EXPECT_EQ(lines, c.to);
  }
}

TEST_F(SerialWaitCommEvent, LineErrorsRaiseErrOrBreakAndAreReportedOnce) {
  struct Case {
    uint32_t ceBits;
    uint32_t events;  // 0: the wait stays pending
  };
  const std::vector<Case> cases = {
      {kCeOverrun, kEvErr},
      {kCeRxParity, kEvErr},
      {kCeFrame, kEvErr},
      {kCeBreak, kEvBreak},
      {kCeFrame | kCeBreak, kEvErr | kEvBreak},
      {kCeRxOver, 0},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(ArmWait(kAllEvents));
    device->RaiseLineErrors(c.ceBits);
    if (c.events != 0) {
      EXPECT_TRUE(WaitCompletedWith(c.events)) << c.ceBits;
    } else {
      EXPECT_FALSE(wait.Signalled()) << c.ceBits;
    }

    uint32_t errors = 0;
    Status(errors);
    EXPECT_EQ(errors, c.ceBits);
    Status(errors);
    EXPECT_EQ(errors, 0u);
  }
}

TEST_F(SerialWaitCommEvent, ADriverWithoutRing2RefusesTheMaskAndTheWait) {
  device->SetRejectRing2(true);
  EXPECT_TRUE(FailedWith(SetCommMask(handle, 0x21F9), kErrorInvalidParameter));
  EXPECT_TRUE(FailedWith(WaitCommEvent(handle, events, wait.overlapped), kErrorInvalidParameter));

  ASSERT_TRUE(ArmWait(0x01F9));
  EXPECT_EQ(device->EventMask(), 0x01F9u);
}

using SerialReadFile = OpenSerialDevice;

TEST_F(SerialReadFile, TakesWhatHasArrivedWithoutWaiting) {
  std::string text;
  EXPECT_EQ(ReadAll(text), 0u);

  device->Receive(std::string(100, 'x'));
  uint32_t errors = 0;
  EXPECT_EQ(Status(errors).cbInQue, 100u);
  EXPECT_EQ(ReadAll(text), 64u);
  EXPECT_EQ(Status(errors).cbInQue, 36u);
  EXPECT_EQ(ReadAll(text), 36u);
  EXPECT_EQ(device->InQueue(), 0u);
}

TEST_F(SerialReadFile, APendingReadHasItsBytesAtOnce) {
  device->SetReadsPend(true);
  device->Receive("abc");
  char buffer[8] = {};
  uint32_t read = 0;
  Request request;
  EXPECT_TRUE(FailedWith(ReadFile(handle, buffer, sizeof buffer, read, request.overlapped),
                         kErrorIoPending));
  EXPECT_TRUE(GetOverlappedResult(handle, request.overlapped, read, true));
  EXPECT_EQ(std::string(buffer, read), "abc");
}

TEST_F(SerialReadFile, AScriptedFailureKeepsTheBytes) {
  device->Receive("abc");
  device->FailCall(SerialCall::kReadFile, kErrorIoDevice);
  char buffer[8];
  uint32_t read = 0;
  Request request;
  EXPECT_TRUE(FailedWith(ReadFile(handle, buffer, sizeof buffer, read, request.overlapped),
                         kErrorIoDevice));
  device->FailCall(SerialCall::kReadFile, kErrorSuccess);
  std::string text;
  ReadAll(text);
  EXPECT_EQ(text, "abc");
}

TEST_F(SerialReadFile, PurgingTheReceiveSideDropsTheBytes) {
  device->Receive("abc");
  EXPECT_TRUE(PurgeComm(handle, kPurgeRxAbort | kPurgeRxClear));
  EXPECT_EQ(device->InQueue(), 0u);
}

class SerialWriteFile : public OpenSerialDevice {
 protected:
  bool Write(const std::string& text, Request& request, uint32_t& written) {
    return WriteFile(handle, text.data(), static_cast<uint32_t>(text.size()), written,
                             request.overlapped);
  }
  uint32_t OutQueue() {
    uint32_t errors = 0;
    return Status(errors).cbOutQue;
  }
  Request request;
  uint32_t written = 0xFFFF;
  uint32_t transferred = 0xFFFF;
};

TEST_F(SerialWriteFile, CompletesAtOnce) {
  EXPECT_TRUE(Write("remote\r", request, written));
  EXPECT_EQ(written, 7u);
  EXPECT_TRUE(request.Signalled());
  EXPECT_EQ(device->Sent(), "remote\r");
}

TEST_F(SerialWriteFile, PendsUntilTheTestCompletesIt) {
  device->SetWritesPend(true);
  EXPECT_TRUE(FailedWith(Write("readall\r", request, written), kErrorIoPending));
  EXPECT_FALSE(request.Signalled());
  EXPECT_EQ(OutQueue(), 8u);
  EXPECT_TRUE(FailedWith(GetOverlappedResult(handle, request.overlapped, transferred, false),
                         kErrorIoIncomplete));
  EXPECT_EQ(device->Sent(), "");

  ASSERT_TRUE(device->CompleteWrite());
  EXPECT_TRUE(request.Signalled());
  EXPECT_TRUE(GetOverlappedResult(handle, request.overlapped, transferred, false));
  EXPECT_EQ(transferred, 8u);
  EXPECT_EQ(device->Sent(), "readall\r");
  EXPECT_EQ(OutQueue(), 0u);
  EXPECT_FALSE(device->CompleteWrite());
}

TEST_F(SerialWriteFile, APartialCompletionSendsTheFirstBytes) {
  device->SetWritesPend(true);
  Write("abcdef", request, written);
  ASSERT_TRUE(device->CompleteWrite(2));
  EXPECT_TRUE(GetOverlappedResult(handle, request.overlapped, transferred, true));
  EXPECT_EQ(transferred, 2u);
  EXPECT_EQ(device->Sent(), "ab");
}

TEST_F(SerialWriteFile, WritesGoOutInOrderEvenWhenTheFirstPends) {
  device->SetWritesPend(true);
  Write("ab", request, written);
  device->SetWritesPend(false);
  Request second;
  EXPECT_TRUE(FailedWith(Write("cd", second, written), kErrorIoPending));
  EXPECT_EQ(OutQueue(), 4u);

  ASSERT_TRUE(device->CompleteWrite());
  ASSERT_TRUE(device->CompleteWrite());
  EXPECT_EQ(device->Sent(), "abcd");
  EXPECT_TRUE(second.Signalled());
}

TEST_F(SerialWriteFile, PurgingTheTransmitSideAbortsAWriteThatNeverCompletes) {
  device->SetWritesPend(true);
  Write("remote\r", request, written);

  // The purge comes from another thread while this one blocks in the result.
  std::thread purger([&] { PurgeComm(handle, kPurgeTxAbort | kPurgeTxClear); });
  EXPECT_TRUE(FailedWith(GetOverlappedResult(handle, request.overlapped, transferred, true),
                         kErrorOperationAborted));
  purger.join();

  EXPECT_TRUE(request.Signalled());
  EXPECT_EQ(device->Sent(), "");
  EXPECT_EQ(OutQueue(), 0u);
  EXPECT_FALSE(device->CompleteWrite());
}

TEST_F(SerialWriteFile, AScriptedFailureSendsNothing) {
  device->FailCall(SerialCall::kWriteFile, kErrorGenFailure);
  EXPECT_TRUE(FailedWith(Write("abc", request, written), kErrorGenFailure));
  EXPECT_EQ(device->Sent(), "");
  EXPECT_EQ(device->Calls(SerialCall::kWriteFile), 1u);
}

TEST_F(SerialWriteFile, BytesWrittenOnAnotherThreadCanBeAwaited) {
  std::thread writer([&] {
    Request own;
    uint32_t count = 0;
    for (const char* text : {"remote\r", "readall\r"}) Write(text, own, count);
  });
  EXPECT_TRUE(device->WaitUntil([&] { return device->Sent() == "remote\rreadall\r"; }));
  writer.join();
}

TEST_F(SerialWriteFile, ClosingAbortsPendingRequests) {
  device->SetWritesPend(true);
  Write("abc", request, written);
  ASSERT_TRUE(ArmWait(kEvRxChar));

  EXPECT_TRUE(CloseHandle(handle));
  handle = nullptr;
  EXPECT_EQ(request.overlapped.Internal, kErrorOperationAborted);
  EXPECT_EQ(wait.overlapped.Internal, kErrorOperationAborted);
  EXPECT_TRUE(request.Signalled());
  EXPECT_TRUE(wait.Signalled());
  EXPECT_EQ(device->Sent(), "");
}

using SerialLineControl = OpenSerialDevice;

TEST_F(SerialLineControl, KeepsTheLineSettingsItAccepts) {
  DCB dcb;
  ASSERT_TRUE(GetCommState(handle, dcb));
  dcb.BaudRate = 19200;
  dcb.Parity = kEvenParity;
  dcb.ByteSize = 7;
  dcb.StopBits = kTwoStopBits;
  dcb.fOutxCtsFlow = true;
  EXPECT_TRUE(SetCommState(handle, dcb));
  EXPECT_EQ(device->Dcb(), dcb);
  DCB read;
  ASSERT_TRUE(GetCommState(handle, read));
  EXPECT_EQ(read, dcb);
  EXPECT_EQ(device->Calls(SerialCall::kSetCommState), 1u);
}

TEST_F(SerialLineControl, RefusesLineSettingsADriverRefuses) {
  const std::vector<std::function<void(DCB&)>> invalid = {
      [](DCB& d) { d.BaudRate = 0; },
      [](DCB& d) { d.ByteSize = 4; },
      [](DCB& d) { d.ByteSize = 9; },
      [](DCB& d) { d.Parity = 5; },
      [](DCB& d) { d.StopBits = 3; },
      [](DCB& d) { d.ByteSize = 5, d.StopBits = kTwoStopBits; },
      [](DCB& d) { d.ByteSize = 8, d.StopBits = kOne5StopBits; },
  };
  const DCB before = device->Dcb();
  for (size_t i = 0; i < invalid.size(); ++i) {
    DCB dcb = before;
    invalid[i](dcb);
    EXPECT_TRUE(FailedWith(SetCommState(handle, dcb), kErrorInvalidParameter)) << i;
    EXPECT_EQ(device->Dcb(), before) << i;
  }
  DCB fiveBits = before;
  fiveBits.ByteSize = 5;
  fiveBits.StopBits = kOne5StopBits;
  EXPECT_TRUE(SetCommState(handle, fiveBits));
}

TEST_F(SerialLineControl, ScriptedFailuresOfEachCall) {
  DCB dcb;
  uint32_t value = 0;
  COMSTAT status;
  const std::vector<std::pair<SerialCall, std::function<bool()>>> calls = {
      {SerialCall::kSetCommState, [&] { return SetCommState(handle, dcb); }},
      {SerialCall::kGetCommState, [&] { return GetCommState(handle, dcb); }},
      {SerialCall::kEscapeCommFunction, [&] { return EscapeCommFunction(handle, kSetDtr); }},
      {SerialCall::kClearCommError, [&] { return ClearCommError(handle, value, status); }},
      {SerialCall::kGetCommModemStatus, [&] { return GetCommModemStatus(handle, value); }},
      {SerialCall::kSetupComm, [&] { return SetupComm(handle, 4096, 4096); }},
      {SerialCall::kPurgeComm, [&] { return PurgeComm(handle, kPurgeRxClear); }},
  };
  for (const auto& [call, invoke] : calls) {
    device->FailCall(call, kErrorGenFailure);
    EXPECT_TRUE(FailedWith(invoke(), kErrorGenFailure)) << static_cast<int>(call);
    device->FailCall(call, kErrorSuccess);
    EXPECT_TRUE(invoke()) << static_cast<int>(call);
  }
}

TEST_F(SerialLineControl, EscapeFunctionsDriveDtrAndRts) {
  EXPECT_TRUE(device->Dtr());  // raised on open, as the DCB asks
  EXPECT_TRUE(device->Rts());
  struct Case {
    uint32_t function;
    bool dtr;
    bool rts;
  };
  for (const Case& c : std::vector<Case>{{kClrDtr, false, true},
                                         {kClrRts, false, false},
                                         {kSetDtr, true, false},
                                         {kSetRts, true, true}}) {
    EXPECT_TRUE(EscapeCommFunction(handle, c.function));
    EXPECT_EQ(device->Dtr(), c.dtr) << c.function;
    EXPECT_EQ(device->Rts(), c.rts) << c.function;
  }
  EXPECT_TRUE(FailedWith(EscapeCommFunction(handle, kGetBaseAddress), kErrorInvalidParameter));
}

TEST_F(SerialLineControl, KeepsTheTimeouts) {
  const COMMTIMEOUTS timeouts{0xFFFFFFFF, 0, 0, 0, 0};
  EXPECT_TRUE(SetCommTimeouts(handle, timeouts));
  EXPECT_EQ(device->Timeouts().ReadIntervalTimeout, 0xFFFFFFFFu);
}

using SerialUnplugged = OpenSerialDevice;

TEST_F(SerialUnplugged, PendingRequestsAndLaterCallsFailButClosingWorks) {
  device->SetWritesPend(true);
  Request write;
  uint32_t count = 0;
  WriteFile(handle, "ab", 2, count, write.overlapped);
  ASSERT_TRUE(ArmWait(kEvRxChar));

  device->Vanish();
  uint32_t transferred = 0;
  EXPECT_TRUE(FailedWith(GetOverlappedResult(handle, wait.overlapped, transferred, true),
                         kErrorDeviceNotConnected));
  EXPECT_TRUE(FailedWith(GetOverlappedResult(handle, write.overlapped, transferred, true),
                         kErrorDeviceNotConnected));

  DCB dcb;
  uint32_t value = 0;
  COMSTAT status;
  char buffer[4];
  const std::vector<std::function<bool()>> calls = {
      [&] { return GetCommState(handle, dcb); },
      [&] { return SetCommMask(handle, 0); },
      [&] { return ReadFile(handle, buffer, sizeof buffer, value, wait.overlapped); },
      [&] { return WriteFile(handle, "x", 1, value, write.overlapped); },
      [&] { return ClearCommError(handle, value, status); },
      [&] { return EscapeCommFunction(handle, kSetDtr); },
  };
  for (size_t i = 0; i < calls.size(); ++i) {
    EXPECT_TRUE(FailedWith(calls[i](), kErrorDeviceNotConnected)) << i;
  }

  EXPECT_TRUE(CloseHandle(handle));
  handle = nullptr;
  EXPECT_EQ(CreateFileA(kCom1), nullptr);
  EXPECT_EQ(GetLastError(), kErrorFileNotFound);
}

TEST_F(SerialUnplugged, APluggedInDeviceOpensAgain) {
  device->Vanish(kErrorBadCommand);
  EXPECT_TRUE(FailedWith(SetCommMask(handle, kEvRxChar), kErrorBadCommand));
  EXPECT_TRUE(CloseHandle(handle));

  auto replugged = provider.AddDevice(kCom1);
  handle = CreateFileA(kCom1);
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(replugged->IsOpen());
  EXPECT_TRUE(SetCommMask(handle, kEvRxChar));
}

}  // namespace
}  // namespace platform
