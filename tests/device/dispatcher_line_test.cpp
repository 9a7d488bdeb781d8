// The dispatcher with its three threads over a real serial line (a pseudo-terminal on POSIX, a
// COM port pair on Windows): the test plays the far end and owns the window that receives the
// avail events.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/messages.h"
#include "platform/thread.h"
#include "serial/error_strings.h"
#include "serial/win32_dispatcher.h"
#include "tests/support/pump_messages.h"
#include "tests/support/serial_far_end.h"
#include "tests/support/wine.h"

namespace sio {
namespace {

using test_support::SerialFarEnd;
using test_support::PumpUntil;

std::string Pattern(std::size_t size, int seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 13 + seed) % 251);
  return bytes;
}

// A window of the test thread that takes every byte an avail event offers.
class Receiver {
 public:
  explicit Receiver(TSioBaseDispatcher& dispatcher) : dispatcher_(dispatcher) {
    platform::RegisterClass("lineTestWindow", &Proc);
    window_ = platform::CreateWindow("lineTestWindow");
    current_ = this;
    dispatcher_.RegisterWindowHandler(window_);
    dispatcher_.UpdateHandlerFlags(1);
    dispatcher_.SetAvailLength(1);
  }
  ~Receiver() {
    current_ = nullptr;
    platform::DestroyWindow(window_);
  }
  Receiver(const Receiver&) = delete;
  Receiver& operator=(const Receiver&) = delete;

  const std::string& Bytes() const { return bytes_; }
  bool OnOwnThread() const { return onOwnThread_; }

 private:
  static platform::LRESULT Proc(platform::HWND w, uint32_t msg, platform::WPARAM wp, platform::LPARAM lp) {
    if (msg != TriggerAvailMsg || current_ == nullptr) return platform::DefWindowProc(w, msg, wp, lp);
    current_->onOwnThread_ = current_->onOwnThread_ && platform::IsMainThread();
    uint8_t ch = 0;
    for (platform::WPARAM i = 0; i < wp && current_->dispatcher_.GetChar(ch) == 0; ++i) {
      current_->bytes_.push_back(static_cast<char>(ch));
    }
    return 0;
  }

  static inline Receiver* current_ = nullptr;
  TSioBaseDispatcher& dispatcher_;
  platform::HWND window_ = nullptr;
  std::string bytes_;
  bool onOwnThread_ = true;
};

class DispatcherOverALine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(dispatcher->InitPort(far.DeviceName(), 115200, 0, 8, 1, 4096, 4096, kOptDtrOn | kOptRtsOn), 0);
  }

  void Send(const std::string& text) {
    ASSERT_EQ(dispatcher->PutBlock(reinterpret_cast<const uint8_t*>(text.data()),
                                   static_cast<uint32_t>(text.size())), 0);
  }

  SerialFarEnd far{61};
  std::unique_ptr<TSioWin32Dispatcher> dispatcher = std::make_unique<TSioWin32Dispatcher>(nullptr);
};

TEST_F(DispatcherOverALine, ConfiguresTheLineAndExchangesBytesBothWays) {
  Receiver receiver(*dispatcher);
  uint32_t baud = 0;
  uint16_t parity = 0;
  uint8_t dataBits = 0, stopBits = 0;
  dispatcher->GetLine(baud, parity, dataBits, stopBits);
  EXPECT_EQ(baud, 115200u);
  EXPECT_EQ(dataBits, 8);
  EXPECT_EQ(stopBits, 1);
  Send("readall\r");
  EXPECT_EQ(far.Receive(8), "readall\r");
  far.Send("BARO 1013.2 mbar\r\n");
  ASSERT_TRUE(PumpUntil([&] { return receiver.Bytes().size() == 18; }));
  EXPECT_EQ(receiver.Bytes(), "BARO 1013.2 mbar\r\n");
  EXPECT_TRUE(receiver.OnOwnThread());
}

TEST_F(DispatcherOverALine, OutputAcrossTheRingEndArrivesInOrder) {
  std::string expected;
  for (int block = 0; block < 12; ++block) {  // 12 x 1500 bytes wrap the 4096-byte ring
    const std::string bytes = Pattern(1500, block);
    ASSERT_TRUE(PumpUntil([&] { return dispatcher->OutFree() >= 1500; }));
    Send(bytes);
    expected += bytes;
  }
  EXPECT_EQ(far.Receive(expected.size()), expected);
}

TEST_F(DispatcherOverALine, AMebibyteEachWayArrivesIntact) {
  Receiver receiver(*dispatcher);
  const std::string in = Pattern(1 << 20, 1);
  std::thread sender([&] { far.Send(in); });
  ASSERT_TRUE(PumpUntil([&] { return receiver.Bytes().size() == in.size(); }, std::chrono::seconds(60)));
  sender.join();
  EXPECT_TRUE(receiver.Bytes() == in);

  const std::string out = Pattern(1 << 20, 2);
  std::string got;
  std::thread reader([&] { got = far.Receive(out.size()); });
  for (std::size_t sent = 0; sent < out.size(); sent += 2048) {
    ASSERT_TRUE(PumpUntil([&] { return dispatcher->OutFree() >= 2048; }));
    Send(out.substr(sent, 2048));
  }
  reader.join();
  EXPECT_TRUE(got == out);
}

TEST_F(DispatcherOverALine, PurgingOutputThatCannotLeaveEmptiesTheRing) {
  // Nobody reads the far end: the pseudo-terminal fills and the write stays pending.
  for (int i = 0; i < 64; ++i) {
    if (dispatcher->OutFree() < 4000) break;
    Send(std::string(4000, 'p'));
    platform::Sleep(5);
  }
  EXPECT_EQ(dispatcher->FlushOutput(), 0);
  EXPECT_EQ(dispatcher->OutCount(), 0u);
}

TEST_F(DispatcherOverALine, ASecondOpenOfTheSameDeviceIsRefused) {
  if (test_support::RunningUnderWine()) GTEST_SKIP() << "Wine opens a COM port any number of times";
  TSioWin32Dispatcher second(nullptr);
  EXPECT_EQ(second.InitPort(far.DeviceName(), 9600, 0, 8, 1, 4096, 4096, 0), -5);
}

TEST_F(DispatcherOverALine, AMissingDeviceIsNotFound) {
  TSioWin32Dispatcher missing(nullptr);
  EXPECT_EQ(missing.InitPort("\\\\.\\COM49", 9600, 0, 8, 1, 4096, 4096, 0), -2);
}

TEST_F(DispatcherOverALine, AVanishingDeviceNeitherHangsNorSpinsAndStillCloses) {
  if (!SerialFarEnd::CanHangUp()) GTEST_SKIP() << "this far end cannot take the line away";
  Receiver receiver(*dispatcher);
  far.Unplug();
  Send("into the void");
  EXPECT_TRUE(PumpUntil([&] { return dispatcher->OutCount() == 0; }));
  dispatcher->DonePort();
  EXPECT_FALSE(dispatcher->ThreadsRunning());
}

TEST_F(DispatcherOverALine, ClosingStopsEveryThread) {
  Receiver receiver(*dispatcher);
  EXPECT_TRUE(dispatcher->ThreadsRunning());
  dispatcher->DonePort();
  EXPECT_FALSE(dispatcher->ThreadsRunning());
  dispatcher.reset();
}

}  // namespace
}  // namespace sio
