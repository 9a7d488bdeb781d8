// The port object's settings and their rules, on a closed port and without a device.
#include <gtest/gtest.h>

#include <string>

#include "serial/com_port.h"

namespace sio {
namespace {

TEST(ComPortDefaults, ANewPortReadsTheDefaults) {
  const TSioComPort port;
  EXPECT_EQ(port.DeviceLayer(), dlWin32);
  EXPECT_EQ(port.ComNumber(), 0);
  EXPECT_EQ(port.Baud(), 19200);
  EXPECT_EQ(port.Parity(), pNone);
  EXPECT_EQ(port.DataBits(), 8);
  EXPECT_EQ(port.StopBits(), 1);
  EXPECT_EQ(port.InSize(), 4096);
  EXPECT_EQ(port.OutSize(), 4096);
  EXPECT_TRUE(port.PromptForPort());
  EXPECT_TRUE(port.AutoOpen());
  EXPECT_FALSE(port.Open());
  EXPECT_TRUE(port.DTR());
  EXPECT_TRUE(port.RTS());
  EXPECT_TRUE(port.HWFlowOptions().Empty());
  EXPECT_EQ(port.SWFlowOptions(), swfNone);
  EXPECT_EQ(port.XOnChar(), 17);
  EXPECT_EQ(port.XOffChar(), 19);
  EXPECT_EQ(port.BufferFull(), 0);
  EXPECT_EQ(port.BufferResume(), 0);
  EXPECT_EQ(port.Tracing(), tlOff);
  EXPECT_EQ(port.TraceSize(), 10000u);
  EXPECT_EQ(port.TraceName().str(), "SIO.TRC");
  EXPECT_TRUE(port.TraceHex());
  EXPECT_FALSE(port.TraceAllHex());
  EXPECT_EQ(port.Logging(), tlOff);
  EXPECT_EQ(port.LogSize(), 10000u);
  EXPECT_EQ(port.LogName().str(), "SIO.LOG");
  EXPECT_TRUE(port.UseMSRShadow());
  EXPECT_TRUE(port.UseEventWord());
  EXPECT_EQ(port.CommNotificationLevel(), 10);
  EXPECT_EQ(port.TapiMode(), tmAuto);
  EXPECT_FALSE(port.RS485Mode());
  EXPECT_EQ(port.AvailTriggerLength(), 1);
  EXPECT_EQ(port.State(), cpsClosed);
  EXPECT_EQ(port.Version(), "v1.00");
}

TEST(ComPortSettings, FlowControlDerivesItsThresholds) {
  TSioComPort port;
  port.SetHWFlowOptions({hwfUseRTS});
  EXPECT_EQ(port.BufferFull(), 3686);
  EXPECT_EQ(port.BufferResume(), 409);
  EXPECT_FALSE(port.RS485Mode());
  port.SetSWFlowOptions(swfBoth);  // thresholds already set and in range: kept
  EXPECT_EQ(port.BufferFull(), 3686);
  EXPECT_EQ(port.BufferResume(), 409);

  TSioComPort software;
  software.SetSWFlowOptions(swfReceive);
  EXPECT_EQ(software.BufferFull(), 3072);
  EXPECT_EQ(software.BufferResume(), 1024);
}

TEST(ComPortSettings, ThresholdsAboveTheirBoundsAreCut) {
  TSioComPort port;
  port.SetBufferFull(5000);  // no flow control: 90 % of the value given
  EXPECT_EQ(port.BufferFull(), 4500);
  port.SetHWFlowOptions({hwfUseDTR});
  EXPECT_EQ(port.BufferFull(), 3686);  // above InSize: the hardware default

  TSioComPort other;
  other.SetHWFlowOptions({hwfUseRTS});
  other.SetBufferFull(5000);
  EXPECT_EQ(other.BufferFull(), 3686);  // re-derived by the reapplied hardware setter
  other.SetBufferResume(4000);
  EXPECT_EQ(other.BufferResume(), 368);
}

TEST(ComPortSettings, SizesAreCapped) {
  TSioComPort port;
  port.SetTraceSize(4000001);
  EXPECT_EQ(port.TraceSize(), 4000000u);
  port.SetLogSize(99999999);
  EXPECT_EQ(port.LogSize(), 16000000u);
  port.SetTraceName(std::string(300, 'n'));
  EXPECT_EQ(port.TraceName().str().size(), 255u);
}

struct StateCase {
  TTraceLogState from;
  TTraceLogState set;
  TTraceLogState stored;
};

TEST(ComPortSettings, AClosedPortKeepsOnlyOnAndOffForTraceAndLog) {
  const StateCase cases[] = {
      {tlOff, tlOn, tlOn},    {tlOff, tlDump, tlOff},   {tlOn, tlDump, tlOff},
      {tlOn, tlPause, tlOff}, {tlOff, tlAppend, tlOff}, {tlOn, tlClear, tlOff},
      {tlOn, tlOff, tlOff},   {tlOn, tlOn, tlOn},
  };
  for (const auto& c : cases) {
    TSioComPort port;
    port.SetTracing(c.from);
    port.SetTracing(c.set);
    EXPECT_EQ(port.Tracing(), c.stored) << c.from << " -> " << c.set;
    port.SetLogging(c.from);
    port.SetLogging(c.set);
    EXPECT_EQ(port.Logging(), c.stored) << c.from << " -> " << c.set;
  }
}

TEST(ComPortSettings, IgnoredSettings) {
  TSioComPort port;
  port.SetUseMSRShadow(false);
  EXPECT_TRUE(port.UseMSRShadow());
  port.SetDeviceLayer(dlWinsock);
  EXPECT_EQ(port.DeviceLayer(), dlWin32);
  port.SetVersion("v9");
  EXPECT_EQ(port.Version(), "v1.00");
}

TEST(ComPortSettings, RS485ModeGivesUpRtsFlowControlAndLowersRts) {
  TSioComPort port;
  port.SetHWFlowOptions({hwfUseRTS, hwfRequireCTS, hwfUseDTR});
  port.SetRS485Mode(true);
  EXPECT_TRUE(port.RS485Mode());
  EXPECT_EQ(port.HWFlowOptions(), (THWFlowOptionSet{hwfUseDTR}));
  EXPECT_FALSE(port.RTS());
  port.SetHWFlowOptions({hwfRequireCTS});  // RTS/CTS flow again ends RS-485
  EXPECT_FALSE(port.RS485Mode());
}

}  // namespace
}  // namespace sio
