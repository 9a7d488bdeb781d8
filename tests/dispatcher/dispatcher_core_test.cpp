#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/dispatcher_registry.h"
#include "serial/error_strings.h"
#include "tests/dispatcher/manual_dispatcher.h"

namespace sio::testing {
namespace {

using test_support::MemorySerialProvider;

TEST(DispatcherRegistry, ReusesFreedHandlesLowestFirstAndTrimsTheTail) {
  auto& registry = DispatcherRegistry::Instance();
  auto a = std::make_unique<ManualDispatcher>();
  auto b = std::make_unique<ManualDispatcher>();
  auto c = std::make_unique<ManualDispatcher>();
  EXPECT_EQ(a->DispatcherHandle(), 0);
  EXPECT_EQ(b->DispatcherHandle(), 1);
  EXPECT_EQ(c->DispatcherHandle(), 2);
  b.reset();
  auto d = std::make_unique<ManualDispatcher>();
  EXPECT_EQ(d->DispatcherHandle(), 1);
  c.reset();
  d.reset();
  EXPECT_EQ(registry.Count(), 1u);
  platform::Lock lock(registry.RegistryLock());
  EXPECT_EQ(registry.Find(0), a.get());
  EXPECT_EQ(registry.Find(1), nullptr);
}

struct OpenFailure {
  const char* scenario;
  uint32_t openError;  // 0: the device exists and opens
  test_support::SerialCall failingCall;
  int32_t expected;
};

TEST(DispatcherInitPort, ReportsTheSystemErrorAndLeavesTheDeviceClosed) {
  const OpenFailure cases[] = {
      {"absent", platform::kErrorFileNotFound, test_support::SerialCall::kSetupComm, -2},
      {"held elsewhere", platform::kErrorAccessDenied, test_support::SerialCall::kSetupComm, -5},
      {"queues refused", 0, test_support::SerialCall::kSetupComm, -87},
      {"line settings refused", 0, test_support::SerialCall::kSetCommState, -31},
  };
  for (const auto& c : cases) {
    MemorySerialProvider provider;
    auto device = provider.AddDevice("\\\\.\\COM1");
    if (c.openError != 0) {
      device->SetOpenError(c.openError);
    } else {
      device->FailCall(c.failingCall, c.expected == -87 ? platform::kErrorInvalidParameter
                                                        : platform::kErrorGenFailure);
    }
    ManualDispatcher dispatcher;
    EXPECT_EQ(dispatcher.InitPort("\\\\.\\COM1", 19200, 0, 8, 1, 4096, 4096, 3), c.expected)
        << c.scenario;
    EXPECT_FALSE(device->IsOpen()) << c.scenario;
  }
}

TEST(DispatcherInitPort, AppliesLineSettingsAndTheRequestedLines) {
  MemorySerialProvider provider;
  auto device = provider.AddDevice("\\\\.\\COM4");
  ManualDispatcher dispatcher;
  ASSERT_EQ(dispatcher.InitPort("\\\\.\\COM4", 19200, platform::kEvenParity, 7, 2, 1024, 512, kOptRtsOn), 0);
  const platform::DCB dcb = device->Dcb();
  EXPECT_EQ(dcb.BaudRate, 19200u);
  EXPECT_EQ(dcb.Parity, platform::kEvenParity);
  EXPECT_EQ(dcb.ByteSize, 7);
  EXPECT_EQ(dcb.StopBits, platform::kTwoStopBits);
  EXPECT_FALSE(device->Dtr());
  EXPECT_TRUE(device->Rts());
  dispatcher.DonePort();
  EXPECT_FALSE(device->IsOpen());
}

using DispatcherOutput = OpenPortFixture;

TEST_F(DispatcherOutput, AcceptsExactlyTheFreeRoomAndRefusesOneByteMore) {
  const std::string block(4096, 'x');
  EXPECT_EQ(dispatcher.PutBlock(reinterpret_cast<const uint8_t*>(block.data()), 4096), 0);
  EXPECT_TRUE(dispatcher.OutRingFull);
  EXPECT_EQ(dispatcher.OutCount(), 4096u);
  EXPECT_EQ(dispatcher.OutFree(), 0u);
  const uint8_t one = 'y';
  EXPECT_EQ(dispatcher.PutBlock(&one, 1), kErrOutputBufferTooSmall);
  dispatcher.WriteStep();
  EXPECT_EQ(device->Sent(), block);
  EXPECT_EQ(dispatcher.OutCount(), 0u);
  EXPECT_EQ(dispatcher.OutHead, 0u);
  EXPECT_EQ(dispatcher.OutTail, 0u);
}

TEST_F(DispatcherOutput, NeverSplitsABlock) {
  const std::string first(4000, 'a');
  const std::string second(200, 'b');
  ASSERT_EQ(dispatcher.PutBlock(reinterpret_cast<const uint8_t*>(first.data()), 4000), 0);
  EXPECT_EQ(dispatcher.PutBlock(reinterpret_cast<const uint8_t*>(second.data()), 200),
            kErrOutputBufferTooSmall);
  dispatcher.WriteStep();
  EXPECT_EQ(device->Sent(), first);
}

TEST_F(DispatcherOutput, EmptyBlockDoesNothing) {
  EXPECT_EQ(dispatcher.PutBlock(nullptr, 0), 0);
  dispatcher.WriteStep();
  EXPECT_EQ(device->Sent(), "");
  EXPECT_EQ(device->Calls(test_support::SerialCall::kWriteFile), 0u);
}

TEST_F(DispatcherOutput, BytesAcrossTheRingEndGoOutInOneWriteInOrder) {
  dispatcher.OutHead = dispatcher.OutTail = 3000;  // an empty ring after earlier traffic
  std::string wrapped;
  for (int i = 0; i < 2000; ++i) wrapped.push_back(static_cast<char>('0' + i % 10));
  ASSERT_EQ(dispatcher.PutBlock(reinterpret_cast<const uint8_t*>(wrapped.data()), 2000), 0);
  EXPECT_EQ(dispatcher.OutHead, 904u);  // wrapped past the end
  EXPECT_EQ(dispatcher.OutCount(), 2000u);
  dispatcher.WriteStep();
  EXPECT_EQ(device->Calls(test_support::SerialCall::kWriteFile), 1u);
  EXPECT_EQ(device->Sent(), wrapped);
  EXPECT_EQ(dispatcher.OutCount(), 0u);
}

TEST_F(DispatcherOutput, ABlockEndingAtTheRingEndLeavesTheHeadAtZero) {
  dispatcher.OutHead = dispatcher.OutTail = 4000;
  const std::string block(96, 'e');
  ASSERT_EQ(dispatcher.PutBlock(reinterpret_cast<const uint8_t*>(block.data()), 96), 0);
  EXPECT_EQ(dispatcher.OutHead, 0u);
  dispatcher.WriteStep();
  EXPECT_EQ(device->Sent(), block);
}

TEST_F(DispatcherOutput, AFullRingWithEqualNonZeroIndicesIsSentOnceWhole) {
  dispatcher.OutHead = dispatcher.OutTail = 1000;
  std::string full;
  for (int i = 0; i < 4096; ++i) full.push_back(static_cast<char>('a' + i % 26));
  ASSERT_EQ(dispatcher.PutBlock(reinterpret_cast<const uint8_t*>(full.data()), 4096), 0);
  EXPECT_EQ(dispatcher.OutHead, 1000u);
  EXPECT_TRUE(dispatcher.OutRingFull);
  dispatcher.WriteStep();
  EXPECT_EQ(device->Calls(test_support::SerialCall::kWriteFile), 1u);
  EXPECT_EQ(device->Sent(), full);
  EXPECT_EQ(dispatcher.OutHead, 0u);
  EXPECT_EQ(dispatcher.OutTail, 0u);
  dispatcher.WriteStep();
  EXPECT_EQ(device->Sent(), full);
}

TEST_F(DispatcherOutput, AChunkTheDeviceRefusesIsDropped) {
  device->FailCall(test_support::SerialCall::kWriteFile, platform::kErrorGenFailure);
  const std::string text = "remote\r";
  ASSERT_EQ(dispatcher.PutBlock(reinterpret_cast<const uint8_t*>(text.data()), 7), 0);
  dispatcher.WriteStep();
  EXPECT_EQ(dispatcher.OutCount(), 0u);
  EXPECT_EQ(device->Sent(), "");
}

using DispatcherInput = OpenPortFixture;

TEST_F(DispatcherInput, HandsOutReceivedBytesInOrder) {
  device->Receive("abc");
  EXPECT_TRUE(dispatcher.ReadIntoBuffer());
  EXPECT_EQ(dispatcher.InCount(), 3u);
  uint8_t ch = 0;
  EXPECT_EQ(dispatcher.PeekChar(ch, 2), 0);
  EXPECT_EQ(ch, 'b');
  std::string got;
  while (dispatcher.GetChar(ch) == 0) got.push_back(static_cast<char>(ch));
  EXPECT_EQ(got, "abc");
  EXPECT_EQ(dispatcher.GetChar(ch), kErrBufferIsEmpty);
  EXPECT_EQ(dispatcher.PeekChar(ch, 1), kErrBufferIsEmpty);
  EXPECT_FALSE(dispatcher.ReadIntoBuffer());  // nothing waiting in the device
}

TEST_F(DispatcherInput, AFullRingReadsNothingMoreAndOneGetCharFreesIt) {
  std::string line;
  for (int i = 0; i < 9000; ++i) line.push_back(static_cast<char>(i % 251));
  device->Receive(line.substr(0, 100));
  dispatcher.ReadIntoBuffer();
  uint8_t ch = 0;
  for (int i = 0; i < 100; ++i) ASSERT_EQ(dispatcher.GetChar(ch), 0);  // indices now at 100
  device->Receive(line.substr(100, 150));
  dispatcher.Pass();  // scanned, not taken: a ring fills only up to bytes already scanned
  device->Receive(line.substr(250));
  EXPECT_TRUE(dispatcher.ReadIntoBuffer());  // two pieces: to the end, then from the start
  EXPECT_TRUE(dispatcher.InRingFull);
  EXPECT_EQ(dispatcher.InHead, dispatcher.InTail);
  EXPECT_EQ(dispatcher.InCount(), 8192u);
  EXPECT_EQ(device->InQueue(), 9000u - 100u - 8192u);
  EXPECT_TRUE(dispatcher.ReadIntoBuffer());
  EXPECT_EQ(device->InQueue(), 708u);  // the full ring read nothing
  ASSERT_EQ(dispatcher.GetChar(ch), 0);
  EXPECT_EQ(ch, static_cast<uint8_t>(line[100]));
  EXPECT_FALSE(dispatcher.InRingFull);
  EXPECT_EQ(dispatcher.InCount(), 8191u);
}

TEST_F(DispatcherInput, FlushInputDiscardsTheRingAndTheDeviceQueue) {
  device->Receive("old");
  dispatcher.ReadIntoBuffer();
  device->Receive("older");
  EXPECT_EQ(dispatcher.FlushInput(), 0);
  EXPECT_EQ(dispatcher.InCount(), 0u);
  EXPECT_EQ(device->InQueue(), 0u);
}

TEST_F(DispatcherInput, AFailedDeviceReadKeepsTheRingConsistent) {
  device->Receive("xyz");
  device->FailCall(test_support::SerialCall::kReadFile, platform::kErrorGenFailure);
  dispatcher.ReadIntoBuffer();
  EXPECT_EQ(dispatcher.InCount(), 0u);
  device->FailCall(test_support::SerialCall::kReadFile, platform::kErrorSuccess);
  dispatcher.ReadIntoBuffer();
  EXPECT_EQ(dispatcher.InCount(), 3u);
}

TEST_F(DispatcherInput, DonePortDiscardsEverythingAndClosesTheDevice) {
  device->Receive("pending");
  dispatcher.DonePort();
  EXPECT_FALSE(device->IsOpen());
  EXPECT_EQ(dispatcher.InCount(), 0u);
}

// The rings are gone after DonePort: every data call answers "not open" instead of reaching
// them, also after the port has been used.
TEST_F(DispatcherInput, DataCallsAfterDonePortAnswerNotOpen) {
  const uint8_t text[] = {'o', 'k'};
  ASSERT_EQ(dispatcher.PutBlock(text, 2), kOk);
  device->Receive("in");
  dispatcher.Pass();
  dispatcher.DonePort();
  uint8_t ch = 0;
  EXPECT_EQ(dispatcher.PutBlock(text, 2), kErrCommNotOpen);
  EXPECT_EQ(dispatcher.GetChar(ch), kErrCommNotOpen);
  EXPECT_EQ(dispatcher.PeekChar(ch, 1), kErrCommNotOpen);
  EXPECT_EQ(dispatcher.FlushInput(), kErrCommNotOpen);
  EXPECT_EQ(dispatcher.FlushOutput(), kErrCommNotOpen);
  EXPECT_EQ(dispatcher.InCount(), 0u);
  EXPECT_EQ(dispatcher.OutCount(), 0u);
  EXPECT_EQ(dispatcher.OutFree(), 0u);
}

}  // namespace
}  // namespace sio::testing
