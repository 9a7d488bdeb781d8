// The serial device over real pseudo-terminals: the test plays the far end of the line on
// the master side, the device under test opens the slave side as COM60.
#include "platform/posix/termios_device.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/serial_api.h"
#include "platform/sync.h"
#include "platform/system_error.h"
#include "tests/support/pty_far_end.h"
#include "tests/support/serial_requests.h"

namespace platform {
namespace {

using test_support::FailedWith;
using test_support::kGuardMs;
using test_support::OpenFailsWith;
using test_support::Request;

const std::string kName = "\\\\.\\COM60";  // beyond the default table: only SIO_COM60 names it
constexpr size_t kBigWrite = 1 << 20;       // more than a pseudo-terminal takes at once

// The far end of the line: a pseudo-terminal whose slave side is COM60.
class FarEnd : public test_support::PtyFarEnd {
 public:
  FarEnd() : PtyFarEnd(60) {}
};

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7) % 251);
  return bytes;
}

uint8_t ByteSizeOf(const termios& line) {
  switch (line.c_cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
  }
}

struct Outcome {
  bool result = false;
  uint32_t error = kErrorSuccess;
};

// COM60 on a fresh pseudo-terminal, opened through CreateFileA.
class TermiosDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device_ = CreateFileA(kName);
    ASSERT_NE(device_, nullptr) << "error " << GetLastError();
  }

  void TearDown() override {
    if (device_ != nullptr) CloseHandle(device_);  // ends whatever still pends
    if (waiter_.joinable()) waiter_.join();
  }

  // Another thread blocks in GetOverlappedResult(wait = true) for `request`.
  void WaitOnAnotherThread(Request& request) {
    waiter_ = std::thread([this, device = device_, &request] {
      uint32_t transferred = 0;
      waited_.result = GetOverlappedResult(device, request.overlapped, transferred, true);
      waited_.error = GetLastError();
    });
  }

  Outcome WaiterOutcome() {
    waiter_.join();
    return waited_;
  }

  // Arms a wait that must pend.
  void ArmWait(Request& request, uint32_t& mask) {
    ASSERT_TRUE(FailedWith(WaitCommEvent(device_, mask, request.overlapped), kErrorIoPending));
    EXPECT_FALSE(request.Signalled());
  }

  // Starts a write that must pend.
  void StartBigWrite(Request& request, const std::string& bytes) {
    uint32_t written = 0;
    ASSERT_TRUE(FailedWith(WriteFile(device_, bytes.data(), static_cast<uint32_t>(bytes.size()),
                                     written, request.overlapped),
                           kErrorIoPending));
  }

  // The outcome of a request that has completed.
  Outcome Result(Request& request, uint32_t& transferred) {
    EXPECT_TRUE(request.Completes());
    const bool result = GetOverlappedResult(device_, request.overlapped, transferred, false);
    return {result, result ? kErrorSuccess : GetLastError()};
  }

  // The next event of the mask set, whether it is already there or still to come.
  uint32_t NextEvent() {
    Request request;
    uint32_t mask = 0;
    if (!WaitCommEvent(device_, mask, request.overlapped)) {
      EXPECT_EQ(GetLastError(), kErrorIoPending);
      uint32_t transferred = 0;
      EXPECT_TRUE(Result(request, transferred).result);
    }
    return mask;
  }

  // Reads `count` received bytes, waiting for EV_RXCHAR while they are not all there.
  std::string ReadReceived(size_t count) {
    std::string bytes;
    for (;;) {
      char buffer[256];
      uint32_t read = 0;
      Request request;
      EXPECT_TRUE(ReadFile(device_, buffer, sizeof buffer, read, request.overlapped));
      bytes.append(buffer, read);
      if (bytes.size() >= count || NextEvent() != kEvRxChar) return bytes;
    }
  }

  COMSTAT Status(uint32_t& errors) {
    COMSTAT status;
    EXPECT_TRUE(ClearCommError(device_, errors, status));
    return status;
  }

  FarEnd far_;
  SerialHandle device_ = nullptr;
  std::thread waiter_;
  Outcome waited_;
};

// --- Opening ---

TEST(TermiosDeviceOpen, ANameWithoutASerialDeviceBehindItIsNotFound) {
  struct Case {
    const char* what;
    const char* configured;  // SIO_COM60
    std::string name;
  };
  const std::vector<Case> cases = {
      {"no such node", "/dev/nimbrel-no-such-tty", kName},
      {"not a tty", "/dev/null", kName},
      {"a directory", "/dev", kName},
      {"a number without a device", nullptr, "\\\\.\\COM49"},
      {"not a COM name", "/dev/null", "\\\\.\\LPT1"},
  };
  unsetenv("SIO_COM49");
  for (const Case& c : cases) {
    if (c.configured != nullptr) setenv("SIO_COM60", c.configured, 1);
    EXPECT_TRUE(OpenFailsWith(c.name, kErrorFileNotFound)) << c.what;
    unsetenv("SIO_COM60");
  }
}

TEST_F(TermiosDeviceTest, ASecondOpeningIsDeniedUntilTheFirstCloses) {
  const std::string link = "/tmp/nimbrel-com61-" + std::to_string(getpid());
  ASSERT_EQ(symlink(far_.path().c_str(), link.c_str()), 0);
  setenv("SIO_COM61", link.c_str(), 1);
  for (const std::string& name : {kName, std::string("\\\\.\\COM61")}) {
    EXPECT_TRUE(OpenFailsWith(name, kErrorAccessDenied)) << name;
  }
  unsetenv("SIO_COM61");
  unlink(link.c_str());

  EXPECT_TRUE(CloseHandle(device_));
  device_ = CreateFileA(kName);
  EXPECT_NE(device_, nullptr) << "error " << GetLastError();
}

TEST(TermiosDeviceOpen, APortHeldByAnotherProcessIsDenied) {
  FarEnd far;
  int toParent[2];
  int toChild[2];
  ASSERT_EQ(pipe(toParent), 0);
  ASSERT_EQ(pipe(toChild), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(toParent[0]);
    ::close(toChild[1]);
    SerialHandle held = CreateFileA(kName);
    const char opened = held != nullptr ? 'y' : 'n';
    char go = 0;
    const bool told = ::write(toParent[1], &opened, 1) == 1 && ::read(toChild[0], &go, 1) == 1;
    if (held != nullptr) CloseHandle(held);
    _exit(told ? 0 : 1);
  }
  ::close(toParent[1]);  // so that a child that dies cannot leave the reads below waiting
  ::close(toChild[0]);
  char opened = 0;
  EXPECT_EQ(::read(toParent[0], &opened, 1), 1);
  EXPECT_EQ(opened, 'y');

  EXPECT_TRUE(OpenFailsWith(kName, kErrorAccessDenied));

  EXPECT_EQ(::write(toChild[1], "x", 1), 1);  // the child closes the port and ends
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  SerialHandle device = CreateFileA(kName);
  EXPECT_NE(device, nullptr) << "error " << GetLastError();
  if (device != nullptr) CloseHandle(device);
  ::close(toParent[0]);
  ::close(toChild[1]);
}

TEST(TermiosDeviceOpen, ClosingPutsBackTheSettingsTheOpeningFound) {
  FarEnd far;
  const termios before = far.Line();
  ASSERT_TRUE(before.c_lflag & ICANON);  // a fresh pseudo-terminal is not raw
  SerialHandle device = CreateFileA(kName);
  ASSERT_NE(device, nullptr) << "error " << GetLastError();
  DCB line;
  line.BaudRate = 19200;
  line.StopBits = kTwoStopBits;
  line.fOutX = true;
  EXPECT_TRUE(SetCommState(device, line));
  EXPECT_FALSE(far.Line().c_lflag & ICANON);
  EXPECT_TRUE(CloseHandle(device));

  const termios after = far.Line();
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_oflag, before.c_oflag);
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
}

TEST(TermiosDeviceOpen, DestroyingTheDeviceClosesItAndEndsItsRequests) {
  FarEnd far;
  uint32_t error = kErrorSuccess;
  std::unique_ptr<TermiosDevice> device = TermiosDevice::Open(far.path(), error);
  ASSERT_NE(device, nullptr) << "error " << error;
  const std::string bytes = Pattern(kBigWrite);
  Request request;
  uint32_t written = 0;
  EXPECT_TRUE(FailedWith(device->WriteFile(bytes.data(), kBigWrite, written, request.overlapped),
                         kErrorIoPending));

  device.reset();
  EXPECT_TRUE(request.Signalled());
  EXPECT_EQ(request.overlapped.Internal, kErrorOperationAborted);
  device = TermiosDevice::Open(far.path(), error);
  EXPECT_NE(device, nullptr) << "error " << error;
}

// --- Line settings ---

TEST_F(TermiosDeviceTest, LineSettingsReadBackAsTheTtyHoldsThem) {
  struct Case {
    const char* what;
    std::function<void(DCB&)> set;
    tcflag_t cflags;  // of CSTOPB, PARODD, CMSPAR, CRTSCTS: what the tty must hold
    tcflag_t iflags;  // of IXON, IXOFF, INPCK
  };
  const std::vector<Case> cases = {
      {"115200 8N1", [](DCB& d) { d.BaudRate = 115200; }, 0, 0},
      {"7E2 at 9600",
       [](DCB& d) {
         d.ByteSize = 7;
         d.Parity = kEvenParity;
         d.StopBits = kTwoStopBits;
       },
       CSTOPB, 0},
      {"odd parity, checked, at 57600",
       [](DCB& d) {
         d.BaudRate = 57600;
         d.Parity = kOddParity;
         d.fParity = true;
       },
       PARODD, INPCK},
      {"mark parity at a non-standard 250000",
       [](DCB& d) {
         d.BaudRate = 250000;
         d.Parity = kMarkParity;
       },
       PARODD | CMSPAR, 0},
      {"space parity, 5 data bits, 1.5 stop bits at 1234",
       [](DCB& d) {
         d.BaudRate = 1234;
         d.ByteSize = 5;
         d.Parity = kSpaceParity;
         d.StopBits = kOne5StopBits;
       },
       CMSPAR | CSTOPB, 0},
      {"RTS/CTS handshake",
       [](DCB& d) {
         d.fRtsControl = kRtsControlHandshake;
         d.fOutxCtsFlow = true;
       },
       CRTSCTS, 0},
      {"CTS flow only", [](DCB& d) { d.fOutxCtsFlow = true; }, CRTSCTS, 0},
      {"Xon/Xoff both ways with own characters",
       [](DCB& d) {
         d.fOutX = true;
         d.fInX = true;
         d.XonChar = 'Q';
         d.XoffChar = 'S';
       },
       0, IXON | IXOFF},
      {"DTR/DSR flow, which Linux cannot do",
       [](DCB& d) {
         d.fDtrControl = kDtrControlHandshake;
         d.fOutxDsrFlow = true;
       },
       0, 0},
  };
  for (const Case& c : cases) {
    DCB wanted;
    c.set(wanted);
    ASSERT_TRUE(SetCommState(device_, wanted)) << c.what << ": error " << GetLastError();
    const termios line = far_.Line();
    EXPECT_EQ(line.c_cflag & (CSTOPB | PARODD | CMSPAR | CRTSCTS), c.cflags) << c.what;
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | INPCK), c.iflags) << c.what;
    EXPECT_EQ(line.c_cc[VSTART], static_cast<cc_t>(wanted.XonChar)) << c.what;
    EXPECT_EQ(line.c_cc[VSTOP], static_cast<cc_t>(wanted.XoffChar)) << c.what;

    // A pseudo-terminal keeps 8 data bits and no parity whatever it is asked: the settings
    // read back are the tty's.
    DCB expected = wanted;
    expected.ByteSize = ByteSizeOf(line);
    if (!(line.c_cflag & PARENB)) {
      expected.Parity = kNoParity;
      expected.fParity = false;
    }
    if (expected.StopBits == kOne5StopBits && expected.ByteSize != 5) {
      expected.StopBits = kTwoStopBits;
    }
    DCB read;
    ASSERT_TRUE(GetCommState(device_, read)) << c.what;
    EXPECT_EQ(read, expected) << c.what << ": baud " << read.BaudRate << ", " << int(read.ByteSize)
                              << " bits, parity " << int(read.Parity) << ", stop "
                              << int(read.StopBits);
  }
}

TEST_F(TermiosDeviceTest, SettingsAWin32DriverRejectsAreRejectedAndChangeNothing) {
  struct Case {
    const char* what;
    std::function<void(DCB&)> set;
  };
  const std::vector<Case> cases = {
      {"baud 0", [](DCB& d) { d.BaudRate = 0; }},
      {"4 data bits", [](DCB& d) { d.ByteSize = 4; }},
      {"9 data bits", [](DCB& d) { d.ByteSize = 9; }},
      {"parity code 5", [](DCB& d) { d.Parity = 5; }},
      {"stop-bits code 3", [](DCB& d) { d.StopBits = 3; }},
      {"5 data bits with 2 stop bits",
       [](DCB& d) {
         d.ByteSize = 5;
         d.StopBits = kTwoStopBits;
       }},
      {"8 data bits with 1.5 stop bits", [](DCB& d) { d.StopBits = kOne5StopBits; }},
      {"DTR control code 3", [](DCB& d) { d.fDtrControl = 3; }},
      {"RTS control code 4", [](DCB& d) { d.fRtsControl = 4; }},
  };
  DCB before;
  ASSERT_TRUE(GetCommState(device_, before));
  for (const Case& c : cases) {
    DCB wanted = before;
    c.set(wanted);
    EXPECT_TRUE(FailedWith(SetCommState(device_, wanted), kErrorInvalidParameter)) << c.what;
    DCB after;
    ASSERT_TRUE(GetCommState(device_, after));
    EXPECT_EQ(after, before) << c.what;
  }
}

// --- Data ---

TEST_F(TermiosDeviceTest, BytesGoBothWaysUnchangedAndReadsNeverWait) {
  ASSERT_TRUE(SetCommMask(device_, kEvRxChar));
  char buffer[16];
  uint32_t read = 99;
  Request nothing;
  EXPECT_TRUE(ReadFile(device_, buffer, sizeof buffer, read, nothing.overlapped));
  EXPECT_EQ(read, 0u);

  // Line ends, NUL and the flow-control characters pass as they are (raw mode).
  const std::string out("line\r\n\0\x11\x13\xff", 10);
  uint32_t written = 0;
  Request write;
  EXPECT_TRUE(WriteFile(device_, out.data(), 10, written, write.overlapped));
  EXPECT_EQ(written, 10u);
  EXPECT_TRUE(write.Signalled());
  EXPECT_EQ(far_.Receive(out.size()), out);

  const std::string in("back\n\r\x13\0\x11\x7f", 10);
  far_.Send(in);
  EXPECT_EQ(ReadReceived(in.size()), in);

  far_.Send("abc");
  uint32_t errors = 99;
  // An event may still be due for the bytes read before: wait until these are there.
  while (Status(errors).cbInQue < 3 && NextEvent() == kEvRxChar) {
  }
  EXPECT_EQ(Status(errors).cbInQue, 3u);
  EXPECT_EQ(errors, 0u);
  EXPECT_TRUE(PurgeComm(device_, kPurgeRxAbort | kPurgeRxClear));
  EXPECT_EQ(Status(errors).cbInQue, 0u);
}

TEST_F(TermiosDeviceTest, WritesTheTtyCannotTakeAtOncePendUntilTheFarEndReads) {
  const std::string big = Pattern(kBigWrite);
  const std::string tail = "tail";
  Request first;
  Request second;
  StartBigWrite(first, big);
  StartBigWrite(second, tail);  // behind the first, so it pends too
  EXPECT_FALSE(first.Signalled());
  uint32_t errors = 0;
  EXPECT_GT(Status(errors).cbOutQue, tail.size());

  const std::string received = far_.Receive(big.size() + tail.size());
  EXPECT_EQ(received.size(), big.size() + tail.size());
  EXPECT_TRUE(received == big + tail) << "the bytes arrived changed or out of order";
  uint32_t transferred = 0;
  EXPECT_TRUE(Result(first, transferred).result);
  EXPECT_EQ(transferred, kBigWrite);
  EXPECT_TRUE(Result(second, transferred).result);
  EXPECT_EQ(transferred, tail.size());
  EXPECT_EQ(Status(errors).cbOutQue, 0u);
}

TEST_F(TermiosDeviceTest, PurgeWithTxAbortEndsAPendingWrite) {
  Request write;
  StartBigWrite(write, Pattern(kBigWrite));
  EXPECT_TRUE(PurgeComm(device_, kPurgeTxAbort | kPurgeTxClear));
  uint32_t transferred = 0;
  const Outcome outcome = Result(write, transferred);
  EXPECT_FALSE(outcome.result);
  EXPECT_EQ(outcome.error, kErrorOperationAborted);
  uint32_t errors = 0;
  EXPECT_EQ(Status(errors).cbOutQue, 0u);
}

// --- Events ---

TEST_F(TermiosDeviceTest, AWaitPendsUntilBytesArriveAndBytesLeftUnreadDoNotEndTheNext) {
  ASSERT_TRUE(SetCommMask(device_, kEvRxChar | kEvCts | kEvDsr | kEvBreak | kEvErr));
  Request first;
  uint32_t firstMask = 0xdead;
  ArmWait(first, firstMask);
  far_.Send("x");
  uint32_t transferred = 0;
  EXPECT_TRUE(Result(first, transferred).result);
  EXPECT_EQ(firstMask, kEvRxChar);

  Request second;
  uint32_t secondMask = 0xdead;
  ArmWait(second, secondMask);  // "x" is still unread
  EXPECT_TRUE(FailedWith(GetOverlappedResult(device_, second.overlapped, transferred, false),
                         kErrorIoIncomplete));
  Request third;
  uint32_t thirdMask = 0;
  EXPECT_TRUE(FailedWith(WaitCommEvent(device_, thirdMask, third.overlapped),
                         kErrorInvalidParameter));  // one wait at a time

  far_.Send("y");
  EXPECT_TRUE(Result(second, transferred).result);
  EXPECT_EQ(secondMask, kEvRxChar);
  char buffer[8];
  uint32_t read = 0;
  Request request;
  EXPECT_TRUE(ReadFile(device_, buffer, sizeof buffer, read, request.overlapped));
  EXPECT_EQ(std::string(buffer, read), "xy");
}

TEST_F(TermiosDeviceTest, SetCommMaskFromAnotherThreadEndsAPendingWaitWithNoEvent) {
  ASSERT_TRUE(SetCommMask(device_, kEvRxChar));
  Request request;
  uint32_t mask = 0xdead;
  ArmWait(request, mask);
  WaitOnAnotherThread(request);
  EXPECT_TRUE(SetCommMask(device_, 0));
  EXPECT_TRUE(WaiterOutcome().result);
  EXPECT_EQ(mask, 0u);

  Request again;
  EXPECT_TRUE(FailedWith(WaitCommEvent(device_, mask, again.overlapped), kErrorInvalidParameter));
}

TEST_F(TermiosDeviceTest, APseudoTerminalHasNoModemLinesAndNoLineErrors) {
  uint32_t lines = 0xff;
  EXPECT_TRUE(GetCommModemStatus(device_, lines));
  EXPECT_EQ(lines, 0u);
  uint32_t errors = 0xff;
  Status(errors);
  EXPECT_EQ(errors, 0u);
  EXPECT_TRUE(FailedWith(EscapeCommFunction(device_, kGetBaseAddress), kErrorInvalidParameter));
}

// --- Closing and going away ---

TEST_F(TermiosDeviceTest, ClosingEndsPendingRequestsAndFreesThePort) {
  ASSERT_TRUE(SetCommMask(device_, kEvRxChar));
  Request wait;
  uint32_t mask = 0;
  ArmWait(wait, mask);
  WaitOnAnotherThread(wait);
  Request write;
  StartBigWrite(write, Pattern(kBigWrite));

  EXPECT_TRUE(CloseHandle(device_));
  device_ = nullptr;
  // The waiting thread was woken by the close, or (rarely) came only after it.
  const Outcome waited = WaiterOutcome();
  EXPECT_FALSE(waited.result);
  EXPECT_THAT(waited.error, ::testing::AnyOf(kErrorOperationAborted, kErrorInvalidHandle));
  EXPECT_TRUE(write.Signalled());
  EXPECT_EQ(write.overlapped.Internal, kErrorOperationAborted);

  device_ = CreateFileA(kName);
  EXPECT_NE(device_, nullptr) << "error " << GetLastError();
}

TEST_F(TermiosDeviceTest, AVanishedDeviceEndsWaitsAndWritesWithAnErrorAndStillCloses) {
  ASSERT_TRUE(SetCommMask(device_, kEvRxChar));
  Request wait;
  uint32_t mask = 0;
  ArmWait(wait, mask);
  WaitOnAnotherThread(wait);
  Request write;
  StartBigWrite(write, Pattern(kBigWrite));

  far_.Unplug();
  const Outcome waited = WaiterOutcome();
  EXPECT_FALSE(waited.result);
  EXPECT_EQ(waited.error, kErrorDeviceNotConnected);
  // The write ends with the hang-up, or with the driver's error when it was being written on.
  uint32_t transferred = 0;
  EXPECT_THAT(Result(write, transferred).error,
              ::testing::AnyOf(kErrorDeviceNotConnected, kErrorIoDevice));

  // A later wait has ended before WaitCommEvent returns: nothing to wait for, nothing to spin.
  Request later;
  EXPECT_TRUE(FailedWith(WaitCommEvent(device_, mask, later.overlapped), kErrorIoPending));
  EXPECT_TRUE(later.Signalled());
  EXPECT_TRUE(FailedWith(GetOverlappedResult(device_, later.overlapped, transferred, true),
                         kErrorDeviceNotConnected));

  char buffer[4];
  uint32_t read = 0;
  Request request;
  if (ReadFile(device_, buffer, sizeof buffer, read, request.overlapped)) {
    EXPECT_EQ(read, 0u);  // or the read fails: the device is gone
  }
  uint32_t written = 0;
  EXPECT_FALSE(WriteFile(device_, "x", 1, written, request.overlapped));
  // The node went with the master (its number is not free for another pseudo-terminal
  // while the device still has the slave open).
  EXPECT_TRUE(OpenFailsWith(kName, kErrorFileNotFound));

  EXPECT_TRUE(CloseHandle(device_));
  device_ = nullptr;
}

}  // namespace
}  // namespace platform
