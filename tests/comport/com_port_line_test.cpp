// The port object over a real serial line (a pseudo-terminal on POSIX, a COM port pair on
// Windows): text out through WriteString, the reply in OnTriggerAvail on the owning thread
// through the port's hidden window, and nothing more once the port is closed.
#include <gtest/gtest.h>

#include <string>

#include "platform/thread.h"
#include "serial/com_port.h"
#include "tests/support/pump_messages.h"
#include "tests/support/serial_far_end.h"

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

}  // namespace
}  // namespace sio
