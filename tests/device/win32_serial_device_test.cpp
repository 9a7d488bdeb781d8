// The system's serial devices through kernel32, on a COM port pair: the device under test is
// COM60, the test plays the far end on its partner.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/serial_api.h"
#include "platform/sync.h"
#include "platform/system_error.h"
#include "tests/support/com_far_end.h"
#include "tests/support/serial_requests.h"
#include "tests/support/wine.h"

namespace platform {
namespace {

using test_support::ComFarEnd;
using test_support::FailedWith;
using test_support::Finished;
using test_support::OpenFailsWith;
using test_support::Request;

constexpr int kComNumber = 60;

class Win32SerialDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device_ = CreateFileA(far_.DeviceName());
    ASSERT_NE(device_, nullptr) << "error " << GetLastError();
    ASSERT_TRUE(SetCommState(device_, DCB{}));
  }

  void TearDown() override {
    if (device_ != nullptr) CloseHandle(device_);
  }

  // Arms a wait for the events of `mask` that must pend.
  void ArmWait(Request& request, uint32_t events, uint32_t& mask) {
    ASSERT_TRUE(SetCommMask(device_, events));
    ASSERT_TRUE(FailedWith(WaitCommEvent(device_, mask, request.overlapped), kErrorIoPending));
  }

  // The outcome of a request that must complete.
  bool Completed(Request& request) {
    EXPECT_TRUE(request.Completes());
    uint32_t transferred = 0;
    return GetOverlappedResult(device_, request.overlapped, transferred, false);
  }

  // Reads `count` bytes once they are all queued (a read may still pend a moment under Wine).
  std::string ReadWhenQueued(size_t count) {
    for (int i = 0; i < 2000 && Queued() < count; ++i) Sleep(5);
    std::string bytes(count, '\0');
    uint32_t read = 0;
    Request request;
    const bool started =
        ReadFile(device_, bytes.data(), static_cast<uint32_t>(count), read, request.overlapped);
    EXPECT_TRUE(Finished(device_, started, request, read)) << "error " << GetLastError();
    bytes.resize(read);
    return bytes;
  }

  uint32_t Queued() {
    uint32_t errors = 0;
    COMSTAT status;
    EXPECT_TRUE(ClearCommError(device_, errors, status));
    return status.cbInQue;
  }

  ComFarEnd far_{kComNumber};
  SerialHandle device_ = nullptr;
};

TEST_F(Win32SerialDeviceTest, AnUnmappedNumberIsNotFound) {
  EXPECT_TRUE(OpenFailsWith("\\\\.\\COM49", kErrorFileNotFound));
}

TEST_F(Win32SerialDeviceTest, ASecondOpeningIsDenied) {
  if (test_support::RunningUnderWine()) GTEST_SKIP() << "Wine opens a COM port any number of times";
  EXPECT_TRUE(OpenFailsWith(far_.DeviceName(), kErrorAccessDenied));
}

TEST_F(Win32SerialDeviceTest, LineSettingsReadBack) {
  struct Case {
    const char* what;
    uint32_t baud;
    uint8_t stopBits;
  };
  // What a pseudo-terminal can hold: standard rates, 8 data bits, no parity.
  const Case cases[] = {{"9600 8N1", 9600, kOneStopBit},
                        {"115200 8N1", 115200, kOneStopBit},
                        {"19200 8N2", 19200, kTwoStopBits}};
  for (const Case& c : cases) {
    DCB wanted;
    wanted.BaudRate = c.baud;
    wanted.StopBits = c.stopBits;
    ASSERT_TRUE(SetCommState(device_, wanted)) << c.what << ": error " << GetLastError();
    DCB read;
    ASSERT_TRUE(GetCommState(device_, read)) << c.what;
    EXPECT_EQ(read.BaudRate, c.baud) << c.what;
    EXPECT_EQ(read.ByteSize, 8) << c.what;
    EXPECT_EQ(read.Parity, kNoParity) << c.what;
    EXPECT_EQ(read.StopBits, c.stopBits) << c.what;
  }
}

TEST_F(Win32SerialDeviceTest, BytesGoBothWaysAndAWaitEndsWhenTheyArrive) {
  const std::string out("readall\r\n\0\x11\x13\xff", 13);
  Request write;
  uint32_t written = 0;
  if (!WriteFile(device_, out.data(), 13, written, write.overlapped)) {
    ASSERT_EQ(GetLastError(), kErrorIoPending);
    EXPECT_TRUE(Completed(write));
  }
  EXPECT_EQ(far_.Receive(out.size()), out);

  Request wait;
  uint32_t mask = 0xdead;
  ArmWait(wait, kEvRxChar, mask);
  const std::string in("BARO 1013.2 mbar\r\n", 18);
  far_.Send(in);
  EXPECT_TRUE(Completed(wait));
  EXPECT_EQ(mask, kEvRxChar);

  EXPECT_EQ(ReadWhenQueued(in.size()), in);
}

TEST_F(Win32SerialDeviceTest, AReadOfAnEmptyQueueReturnsAtOnce) {
  if (test_support::RunningUnderWine()) GTEST_SKIP() << "under Wine a read of an empty queue pends";
  COMMTIMEOUTS timeouts;
  timeouts.ReadIntervalTimeout = 0xFFFFFFFF;  // return what is there, without waiting
  ASSERT_TRUE(SetCommTimeouts(device_, timeouts));
  char buffer[8];
  uint32_t read = 99;
  Request request;
  EXPECT_TRUE(ReadFile(device_, buffer, sizeof buffer, read, request.overlapped));
  EXPECT_EQ(read, 0u);
}

TEST_F(Win32SerialDeviceTest, SetCommMaskFromAnotherThreadEndsAPendingWait) {
  Request wait;
  uint32_t mask = 0xdead;
  ArmWait(wait, kEvRxChar, mask);
  std::thread([device = device_] { SetCommMask(device, 0); }).join();
  Completed(wait);  // succeeds on Windows, fails with 995 under Wine: either way it ended
  EXPECT_EQ(mask & kEvRxChar, 0u);
}

TEST_F(Win32SerialDeviceTest, ModemLineChangesEndAWaitAndShowInTheModemStatus) {
  struct Case {
    const char* what;
    uint32_t lines;  // GetCommModemStatus bits
    uint32_t event;
  };
  const std::vector<Case> cases = {{"CTS", kMsCtsOn, kEvCts},
                                   {"DSR", kMsDsrOn, kEvDsr},
                                   {"DCD", kMsRlsdOn, kEvRlsd},
                                   {"ring", kMsRingOn, kEvRing}};
  for (const Case& c : cases) {
    Request wait;
    uint32_t mask = 0;
    ArmWait(wait, kEvCts | kEvDsr | kEvRlsd | kEvRing, mask);
    far_.SetModemLines(c.lines);
    EXPECT_TRUE(Completed(wait)) << c.what;
    EXPECT_NE(mask & c.event, 0u) << c.what << ": mask " << mask;
    uint32_t status = 0;
    EXPECT_TRUE(GetCommModemStatus(device_, status)) << c.what;
    EXPECT_EQ(status, c.lines) << c.what;
    far_.SetModemLines(0);
    ASSERT_TRUE(SetCommMask(device_, 0));  // forgets the change back
  }
}

TEST_F(Win32SerialDeviceTest, TheOutputLinesCanBeSwitched) {
  for (uint32_t function : {kClrDtr, kSetDtr, kClrRts, kSetRts}) {
    EXPECT_TRUE(EscapeCommFunction(device_, function)) << function << ": error " << GetLastError();
  }
}

TEST_F(Win32SerialDeviceTest, ClosingEndsAPendingWaitAndFreesThePort) {
  Request wait;
  uint32_t mask = 0;
  ArmWait(wait, kEvRxChar, mask);
  EXPECT_TRUE(CloseHandle(device_));
  device_ = nullptr;
  EXPECT_TRUE(wait.Completes());

  device_ = CreateFileA(far_.DeviceName());
  EXPECT_NE(device_, nullptr) << "error " << GetLastError();
}

}  // namespace
}  // namespace platform
