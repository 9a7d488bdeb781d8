// Modem line changes through the dispatcher's threads to a status trigger, on a COM port pair
// whose far end sets the lines that the port sees.
#include <gtest/gtest.h>

#include "serial/win32_dispatcher.h"
#include "tests/dispatcher/recording_window.h"
#include "tests/support/com_far_end.h"
#include "tests/support/pump_messages.h"

namespace sio {
namespace {

using test_support::PumpUntil;

TEST(DispatcherModemLines, ALineChangeReachesTheModemStatusAndFiresAStatusTrigger) {
  test_support::ComFarEnd far(62);
  TSioWin32Dispatcher dispatcher(nullptr);
  ASSERT_EQ(dispatcher.InitPort(far.DeviceName(), 9600, 0, 8, 1, 4096, 4096, kOptDtrOn | kOptRtsOn), 0);
  testing::RecordingWindow window(dispatcher);
  dispatcher.RegisterWindowHandler(window.Handle());
  dispatcher.UpdateHandlerFlags(1);
  const auto handle = static_cast<uint16_t>(dispatcher.AddStatusTrigger(kStatusModem));
  // Watch CTS (mask in the high byte) against a reference of CTS off.
  ASSERT_EQ(dispatcher.SetStatusTrigger(handle, 0x1000, true), 0);

  far.SetModemLines(platform::kMsCtsOn | platform::kMsDsrOn);
  ASSERT_TRUE(PumpUntil([&] { return !window.Deliveries().empty(); }));
  EXPECT_EQ(window.Deliveries()[0].msg, TriggerStatusMsg);
  EXPECT_EQ(window.Deliveries()[0].wParam, handle);
  EXPECT_EQ(dispatcher.GetModemStatus() & 0xF0, platform::kMsCtsOn | platform::kMsDsrOn);

  dispatcher.DonePort();
  EXPECT_FALSE(dispatcher.ThreadsRunning());
}

}  // namespace
}  // namespace sio
