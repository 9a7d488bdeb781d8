// The port object over a real serial line (a pseudo-terminal on POSIX, a COM port pair on
// Windows): text out through WriteString, the reply in OnTriggerAvail on the owning thread
// through the port's hidden window, opening errors of real devices, and closing from inside
// the event.
#include <gtest/gtest.h>

#include <string>

#include "platform/serial_api.h"
#include "platform/thread.h"
#include "serial/com_port.h"
#include "serial/exceptions.h"
#include "tests/support/pump_messages.h"
#include "tests/support/serial_far_end.h"
#include "tests/support/wine.h"

namespace sio {
namespace {

using test_support::PumpUntil;

TEST(ComPortOverALine, TextGoesOutAndTheReplyArrivesInOnTriggerAvailOnTheOwningThread) {
  test_support::SerialFarEnd far(63);
  TSioComPort port;
  port.SetComNumber(63);
  port.SetBaud(9600);
  std::string received;
  bool onOwningThread = true;
  port.SetOnTriggerAvail([&](TComponent*, uint16_t count) {
    onOwningThread = onOwningThread && platform::IsMainThread();
    for (uint16_t i = 0; i < count; ++i) received.push_back(port.ReadChar());
  });

  port.WriteString("remote\r");  // opens the port
  ASSERT_TRUE(port.Open());
  EXPECT_EQ(far.Receive(7), "remote\r");
  far.Send("BARO 1013.2 mbar\r\n");
  ASSERT_TRUE(PumpUntil([&] { return received.size() == 18; }));
  EXPECT_EQ(received, "BARO 1013.2 mbar\r\n");
  EXPECT_TRUE(onOwningThread);

  port.SetOpen(false);
  EXPECT_FALSE(port.Open());
  far.Send("late");
  EXPECT_FALSE(PumpUntil([&] { return received.size() > 18; }, std::chrono::milliseconds(300)));
}

// The code a failed WriteString on COM<number> raised, 0 for none; the port stays closed.
int32_t OpenFailure(uint16_t number) {
  TSioComPort port;
  port.SetComNumber(number);
  int32_t code = 0;
  try {
    port.WriteString("x");
  } catch (const ESioException& e) {
    code = e.ErrorCode();
  }
  EXPECT_FALSE(port.Open());
  EXPECT_EQ(port.State(), cpsClosed);
  return code;
}

TEST(ComPortOverALine, AnAbsentPortRaisesBadId) { EXPECT_EQ(OpenFailure(49), -2001); }

TEST(ComPortOverALine, APortHeldByAnotherHandleRaisesAlreadyOpen) {
  if (test_support::RunningUnderWine()) GTEST_SKIP() << "Wine opens a COM port any number of times";
  test_support::SerialFarEnd far(63);
  const platform::SerialHandle held = platform::CreateFileA(far.DeviceName());
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(OpenFailure(63), -2008);
  platform::CloseHandle(held);
}

TEST(ComPortOverALine, ClosingInsideOnTriggerAvailIsDeferredAndThePortOpensAgain) {
  test_support::SerialFarEnd far(63);
  TSioComPort port;
  port.SetComNumber(63);
  bool closeEvent = false;
  bool openDuringCloseEvent = false;
  port.SetOnPortClose([&](TComponent*) {
    closeEvent = true;
    openDuringCloseEvent = port.Open();
  });
  port.SetOnTriggerAvail([&](TComponent*, uint16_t) { port.SetOpen(false); });
  port.SetOpen(true);
  far.Send("x");
  ASSERT_TRUE(PumpUntil([&] { return closeEvent; }));
  EXPECT_TRUE(openDuringCloseEvent);  // released only once the delivery is over
  ASSERT_TRUE(PumpUntil([&] { return port.State() == cpsClosed; }));

  port.WriteString("again\r");
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(far.Receive(6), "again\r");
}

}  // namespace
}  // namespace sio
