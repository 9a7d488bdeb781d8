#include <gtest/gtest.h>

#include "serial/error_strings.h"
#include "tests/dispatcher/manual_dispatcher.h"

namespace sio::testing {
namespace {

using test_support::SerialCall;
using LineControl = OpenPortFixture;

TEST_F(LineControl, KeepValuesChangeNothingAndDoNotTouchTheDevice) {
  const uint32_t sets = device->Calls(SerialCall::kSetCommState);
  EXPECT_EQ(dispatcher.SetLine(kKeepBaud, kKeepParity, kKeepDataBits, kKeepStopBits), 0);
  EXPECT_EQ(dispatcher.SetLine(9600, platform::kNoParity, 8, 1), 0);  // unchanged values
  EXPECT_EQ(device->Calls(SerialCall::kSetCommState), sets);
}

struct StopBitsCase {
  uint8_t dataBits;
  uint8_t stopBits;
  uint8_t expectedCode;
  uint8_t reportedStopBits;
};

TEST_F(LineControl, FiveDataBitsAlwaysGetOneAndAHalfStopBits) {
  const StopBitsCase cases[] = {
      {8, 1, platform::kOneStopBit, 1},   {8, 2, platform::kTwoStopBits, 2},
      {8, 0, platform::kOneStopBit, 1},   {8, 7, platform::kTwoStopBits, 2},
      {5, 1, platform::kOne5StopBits, 2}, {5, 2, platform::kOne5StopBits, 2},
      {5, 3, platform::kOne5StopBits, 2}, {7, 3, platform::kOneStopBit, 1},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(dispatcher.SetLine(kKeepBaud, kKeepParity, 8, 1), 0);
    ASSERT_EQ(dispatcher.SetLine(kKeepBaud, kKeepParity, c.dataBits, c.stopBits), 0)
        << int(c.dataBits) << "/" << int(c.stopBits);
    EXPECT_EQ(device->Dcb().StopBits, c.expectedCode) << int(c.dataBits) << "/" << int(c.stopBits);
    uint32_t baud = 0;
    uint16_t parity = 0;
    uint8_t dataBits = 0, stopBits = 0;
    dispatcher.GetLine(baud, parity, dataBits, stopBits);
    EXPECT_EQ(stopBits, c.reportedStopBits);
    EXPECT_EQ(dataBits, c.dataBits);
  }
}

TEST_F(LineControl, KeptByteSizeOfFiveAlsoTakesOneAndAHalf) {
  ASSERT_EQ(dispatcher.SetLine(kKeepBaud, kKeepParity, 5, kKeepStopBits), 0);
  ASSERT_EQ(dispatcher.SetLine(4800, kKeepParity, kKeepDataBits, 1), 0);
  EXPECT_EQ(device->Dcb().StopBits, platform::kOne5StopBits);
  EXPECT_EQ(device->Dcb().BaudRate, 4800u);
}

TEST(BaudFromCode, TranslatesTheRateCodes) {
  EXPECT_EQ(TSioBaseDispatcher::BaudFromCode(0xFF16), 9600u);
  EXPECT_EQ(TSioBaseDispatcher::BaudFromCode(0xFEFF), 115200u);
  EXPECT_EQ(TSioBaseDispatcher::BaudFromCode(0xFF10), 110u);
  EXPECT_EQ(TSioBaseDispatcher::BaudFromCode(0xFF27), 256000u);
  EXPECT_EQ(TSioBaseDispatcher::BaudFromCode(0xFF19), 0xFF19u);
  EXPECT_EQ(TSioBaseDispatcher::BaudFromCode(57600), 57600u);
}

TEST_F(LineControl, LineErrorsAreReportedInPriorityOrderAndTheBreakOnce) {
  device->RaiseLineErrors(platform::kCeOverrun | platform::kCeFrame);
  dispatcher.RefreshLineErrors();
  EXPECT_EQ(dispatcher.GetLineError(), 2);
  EXPECT_EQ(dispatcher.GetLineError(), 0);  // both cleared

  device->RaiseLineErrors(platform::kCeBreak);
  dispatcher.RefreshLineErrors();
  EXPECT_EQ(dispatcher.GetLineError(), 9);
  EXPECT_EQ(dispatcher.GetLineError(), 9);  // the break bit stays
  EXPECT_TRUE(dispatcher.CheckLineBreak());
  EXPECT_FALSE(dispatcher.CheckLineBreak());
  EXPECT_EQ(dispatcher.GetLineError(), 0);

  device->RaiseLineErrors(platform::kCeRxParity | platform::kCeRxOver);
  dispatcher.RefreshLineErrors();
  EXPECT_EQ(dispatcher.GetLineError(), 1);
}

TEST_F(LineControl, ModemDeltasAreReportedOnce) {
  device->SetModemLines(platform::kMsCtsOn);
  dispatcher.UpdateModemDeltas();
  const uint8_t first = dispatcher.GetModemStatus();
  EXPECT_EQ(first & 0x10, 0x10);
  EXPECT_EQ(first & 0x01, 0x01);  // CTS changed
  const uint8_t second = dispatcher.GetModemStatus();
  EXPECT_EQ(second & 0x01, 0x00);
  EXPECT_EQ(second & 0x10, 0x10);
}

TEST_F(LineControl, FlowControlBoundsAreCheckedBeforeTheDeviceIsTouched) {
  const uint32_t sets = device->Calls(SerialCall::kSetCommState);
  EXPECT_EQ(dispatcher.SetHardwareFlow(100, 200, kHwRtsHandshake), kErrBadArgument);
  EXPECT_EQ(dispatcher.SetHardwareFlow(5000, 10, kHwRtsHandshake), kErrBadArgument);
  EXPECT_EQ(dispatcher.SetSoftwareFlow(100, 200, kSwObeyXoff), kErrBadArgument);
  EXPECT_EQ(device->Calls(SerialCall::kSetCommState), sets);
}

TEST_F(LineControl, HardwareFlowHandsTheLinesToTheDriver) {
  ASSERT_EQ(dispatcher.SetHardwareFlow(3686, 409, kHwRtsHandshake | kHwRequireCts), 0);
  const platform::DCB dcb = device->Dcb();
  EXPECT_EQ(dcb.fRtsControl, platform::kRtsControlHandshake);
  EXPECT_TRUE(dcb.fOutxCtsFlow);
  EXPECT_FALSE(dcb.fOutxDsrFlow);
  EXPECT_EQ(dcb.fDtrControl, platform::kDtrControlEnable);
  EXPECT_EQ(dcb.XoffLim, 4096 - 3686);
  EXPECT_EQ(dcb.XonLim, 409);

  const uint32_t escapes = device->Calls(SerialCall::kEscapeCommFunction);
  EXPECT_EQ(dispatcher.SetRTS(false), 1);  // RTS belongs to the flow control now
  EXPECT_EQ(device->Calls(SerialCall::kEscapeCommFunction), escapes);

  uint32_t hw = 0, sw = 0;
  char xOn = 0, xOff = 0;
  dispatcher.GetFlowOptions(hw, sw, xOn, xOff);
  EXPECT_EQ(hw, kHwRtsHandshake | kHwRequireCts);
  EXPECT_EQ(sw, 0u);
}

TEST_F(LineControl, SoftwareFlowAndItsCharacters) {
  ASSERT_EQ(dispatcher.SetSoftwareFlow(3072, 1024, kSwObeyXoff | kSwSendXoff), 0);
  EXPECT_TRUE(device->Dcb().fInX);
  EXPECT_TRUE(device->Dcb().fOutX);
  ASSERT_EQ(dispatcher.SetFlowChars('A', 'B'), 0);
  uint32_t hw = 0, sw = 0;
  char xOn = 0, xOff = 0;
  dispatcher.GetFlowOptions(hw, sw, xOn, xOff);
  EXPECT_EQ(sw, kSwObeyXoff | kSwSendXoff);
  EXPECT_EQ(xOn, 'A');
  EXPECT_EQ(xOff, 'B');
  ASSERT_EQ(dispatcher.SoftwareFlowOff(), 0);
  EXPECT_FALSE(device->Dcb().fInX);
  EXPECT_FALSE(device->Dcb().fOutX);
}

TEST_F(LineControl, DtrAndRtsFollowTheWantedState) {
  EXPECT_EQ(dispatcher.SetDTR(false), 0);
  EXPECT_FALSE(device->Dtr());
  EXPECT_EQ(dispatcher.SetRTS(false), 0);
  EXPECT_FALSE(device->Rts());
  // A line change re-asserts the wanted states.
  ASSERT_EQ(dispatcher.SetLine(2400, kKeepParity, kKeepDataBits, kKeepStopBits), 0);
  EXPECT_FALSE(device->Dtr());
  EXPECT_EQ(device->Dcb().fDtrControl, platform::kDtrControlDisable);
}

TEST_F(LineControl, RS485ModeTogglesRtsWithTheTransmitter) {
  dispatcher.SetRS485Mode(true);
  ASSERT_EQ(dispatcher.SetHardwareFlow(0, 0, 0), 0);
  EXPECT_EQ(device->Dcb().fRtsControl, platform::kRtsControlToggle);
  uint32_t hw = 0, sw = 0;
  char xOn = 0, xOff = 0;
  dispatcher.GetFlowOptions(hw, sw, xOn, xOff);
  EXPECT_EQ(hw, kHwRtsHandshake);
}

TEST_F(LineControl, AFailedLineChangeIsReportedAndDtrStillReasserted) {
  device->FailCall(SerialCall::kSetCommState, platform::kErrorInvalidParameter);
  EXPECT_EQ(dispatcher.SetLine(4800, kKeepParity, kKeepDataBits, kKeepStopBits), -87);
  EXPECT_TRUE(device->Dtr());
}

}  // namespace
}  // namespace sio::testing
