#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

#include "platform/clock.h"
#include "serial/error_strings.h"
#include "tests/dispatcher/manual_dispatcher.h"
#include "tests/dispatcher/recording_window.h"

namespace sio::testing {
namespace {

// An open port with one window handler on the test thread and the port's handler flag set,
// so trigger events are delivered (as direct calls, the window being this thread's).
class TriggerFixture : public OpenPortFixture {
 protected:
  void SetUp() override {
    OpenPortFixture::SetUp();
    dispatcher.RegisterWindowHandler(window.Handle());
    dispatcher.UpdateHandlerFlags(1);
  }

  std::string Taken(std::size_t delivery) const {
    const auto& bytes = window.Deliveries().at(delivery).taken;
    return {bytes.begin(), bytes.end()};
  }

  RecordingWindow window{dispatcher};
};

using AvailTrigger = TriggerFixture;

TEST_F(AvailTrigger, OneEventOffersEveryWaitingByteAndTheTailMovesByWhatWasTaken) {
  dispatcher.SetAvailLength(1);
  window.TakePerEvent(7);
  device->Receive("0123456789");
  dispatcher.ReadIntoBuffer();
  EXPECT_FALSE(dispatcher.CheckReceivedData());  // the handler took fewer than offered
  ASSERT_EQ(window.Deliveries().size(), 1u);
  EXPECT_EQ(window.Deliveries()[0].msg, TriggerAvailMsg);
  EXPECT_EQ(window.Deliveries()[0].wParam, 10u);
  EXPECT_EQ(Taken(0), "0123456");
  EXPECT_EQ(dispatcher.InCount(), 3u);

  dispatcher.Pass();  // no new bytes: the 3 left are not announced again
  EXPECT_EQ(window.Deliveries().size(), 1u);

  window.TakePerEvent(-1);
  device->Receive("ab");
  dispatcher.Pass();
  ASSERT_EQ(window.Deliveries().size(), 2u);
  EXPECT_EQ(window.Deliveries()[1].wParam, 5u);
  EXPECT_EQ(Taken(1), "789ab");
  EXPECT_EQ(dispatcher.InCount(), 0u);
}

// Bytes that fill the whole ring at once, from its start or from its middle, are all
// announced and taken in order. A ring filled up to the position last announced once looked
// as if nothing had come, and a full ring reads nothing more: the port stalled.
TEST_F(AvailTrigger, BytesFillingTheWholeRingAreAllAnnounced) {
  dispatcher.SetAvailLength(1);
  std::string sent;
  for (const std::size_t chunk : {std::size_t{kInRingSize}, std::size_t{100}, std::size_t{kInRingSize}}) {
    std::string bytes;
    for (std::size_t i = 0; i < chunk; ++i) bytes += static_cast<char>('a' + (sent.size() + i) % 23);
    device->Receive(bytes);
    sent += bytes;
    dispatcher.Pass();
    dispatcher.Pass();
  }
  std::string taken;
  for (std::size_t i = 0; i < window.Deliveries().size(); ++i) taken += Taken(i);
  ASSERT_EQ(taken.size(), sent.size());
  EXPECT_TRUE(taken == sent) << "bytes out of order";
  EXPECT_EQ(dispatcher.InCount(), 0u);
}

TEST_F(AvailTrigger, LengthZeroNeverAnnounces) {
  device->Receive(std::string(300, 'z'));
  dispatcher.Pass();
  EXPECT_TRUE(window.Deliveries().empty());
  EXPECT_EQ(dispatcher.InCount(), 300u);
}

TEST_F(AvailTrigger, WaitsUntilTheLengthIsReached) {
  dispatcher.SetAvailLength(4);
  device->Receive("abc");
  dispatcher.Pass();
  EXPECT_TRUE(window.Deliveries().empty());
  device->Receive("d");
  dispatcher.Pass();
  ASSERT_EQ(window.Deliveries().size(), 1u);
  EXPECT_EQ(window.Deliveries()[0].wParam, 4u);
}

TEST_F(AvailTrigger, HandlersOfOneDeliverySeeTheSameBytesAndTheMostEagerCounts) {
  RecordingWindow second{dispatcher};
  dispatcher.RegisterWindowHandler(second.Handle());
  dispatcher.SetAvailLength(1);
  window.TakePerEvent(3);
  second.TakePerEvent(5);
  device->Receive("abcdefgh");
  dispatcher.Pass();
  EXPECT_EQ(Taken(0), "abc");
  const auto& secondTaken = second.Deliveries().at(0).taken;
  EXPECT_EQ(std::string(secondTaken.begin(), secondTaken.end()), "abcde");
  EXPECT_EQ(dispatcher.InCount(), 3u);
  uint8_t ch = 0;
  ASSERT_EQ(dispatcher.GetChar(ch), 0);
  EXPECT_EQ(ch, 'f');
}

TEST_F(AvailTrigger, FlushInsideADeliveryConsumesEveryWaitingByte) {
  dispatcher.SetAvailLength(1);
  window.TakePerEvent(2);
  window.OnDelivery([this] { dispatcher.FlushInput(); });
  device->Receive("abcdef");
  dispatcher.Pass();
  EXPECT_EQ(dispatcher.InCount(), 0u);
}

TEST_F(AvailTrigger, InCountInsideADeliveryExcludesWhatTheHandlerTook) {
  dispatcher.SetAvailLength(1);
  window.TakePerEvent(4);
  uint32_t seen = 0;
  window.OnDelivery([&] { seen = dispatcher.InCount(); });
  device->Receive("abcdef");
  dispatcher.Pass();
  EXPECT_EQ(seen, 2u);
}

TEST_F(AvailTrigger, NoEventWithoutAnInterestedHandler) {
  dispatcher.UpdateHandlerFlags(2);  // the port has no trigger events assigned
  dispatcher.SetAvailLength(1);
  device->Receive("abc");
  dispatcher.Pass();
  EXPECT_TRUE(window.Deliveries().empty());
}

struct MatchCase {
  const char* pattern;
  bool ignoreCase;
  const char* input;
  int matches;
};

// Readable and stable test names (the bytes of the record would show its pointers).
void PrintTo(const MatchCase& c, std::ostream* os) {
  for (const char* text : {c.pattern, " in ", c.input}) {
    for (const char* p = text; *p != '\0'; ++p) {
      const auto byte = static_cast<unsigned char>(*p);
      if (byte >= 0x20 && byte < 0x7F) {
        *os << *p;
      } else {
        *os << '#' << static_cast<int>(byte);
      }
    }
  }
  if (c.ignoreCase) *os << " ignoring case";
}

class DataTriggerMatching : public TriggerFixture, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(DataTriggerMatching, CountsMatchesIncludingOverlappingOnes) {
  const MatchCase c = GetParam();
  const std::string pattern = c.pattern;
  const int32_t handle = dispatcher.AddDataTrigger(reinterpret_cast<const uint8_t*>(pattern.data()),
                                                   static_cast<uint32_t>(pattern.size()), c.ignoreCase);
  ASSERT_GT(handle, 0);
  window.TakePerEvent(0);
  device->Receive(c.input);
  dispatcher.Pass();
  int matches = 0;
  for (const Delivery& d : window.Deliveries()) {
    if (d.msg != TriggerDataMsg) continue;
    ++matches;
    EXPECT_EQ(d.wParam, static_cast<uint32_t>(handle));
    EXPECT_EQ(d.lParamLow, pattern.size());
  }
  EXPECT_EQ(matches, c.matches) << c.pattern << " in " << c.input;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DataTriggerMatching,
    ::testing::Values(MatchCase{"OK", false, "OOK", 1}, MatchCase{"OK", false, "OKOK", 2},
                      MatchCase{"OK", false, "ok", 0}, MatchCase{"OK", true, "xokx", 1},
                      MatchCase{"\xE4", true, "\xC4", 1},  // a-umlaut upper-cased as the system does
                      MatchCase{"AAB", false, "AAAB", 1},
                      // every occurrence counts, also one that overlaps the one before
                      MatchCase{"ABAB", false, "ABABAB", 2}, MatchCase{"ABAB", false, "ABABABAB", 3},
                      MatchCase{"AA", false, "AAAA", 3}, MatchCase{"ABA", false, "ABABABA", 3},
                      MatchCase{"ABCABD", false, "ABCABCABD", 1},
                      MatchCase{"\r", false, "1\r2\r", 2}, MatchCase{"1234567890123456789012", false,
                                                                      "x1234567890123456789012", 1}));

using DataTrigger = TriggerFixture;

TEST_F(DataTrigger, AnnouncesTheBytesBeforeTheMatchFirst) {
  const std::string cr = "\r";
  dispatcher.AddDataTrigger(reinterpret_cast<const uint8_t*>(cr.data()), 1, false);
  dispatcher.SetAvailLength(1);
  window.TakePerEvent(-1);
  device->Receive("12\r");
  dispatcher.Pass();
  ASSERT_GE(window.Deliveries().size(), 2u);
  EXPECT_EQ(window.Deliveries()[0].msg, TriggerAvailMsg);
  EXPECT_EQ(window.Deliveries()[0].wParam, 2u);  // "12", before the matched CR
  EXPECT_EQ(window.Deliveries()[1].msg, TriggerDataMsg);
}

TEST_F(DataTrigger, AMatchAtTheStartOfTheWaitingBytesAnnouncesNothingBeforeIt) {
  const std::string cr = "\r";
  dispatcher.AddDataTrigger(reinterpret_cast<const uint8_t*>(cr.data()), 1, false);
  dispatcher.SetAvailLength(1);
  window.TakePerEvent(0);
  device->Receive("\r");
  dispatcher.Pass();
  ASSERT_FALSE(window.Deliveries().empty());
  EXPECT_EQ(window.Deliveries()[0].msg, TriggerDataMsg);  // no avail event for phantom bytes
}

TEST_F(DataTrigger, AMatchInBytesFillingTheWholeRingIsFound) {
  const std::string cr = "\r";
  dispatcher.AddDataTrigger(reinterpret_cast<const uint8_t*>(cr.data()), 1, false);
  dispatcher.SetAvailLength(1);
  device->Receive(std::string(kInRingSize - 1, 'x') + cr);
  dispatcher.Pass();
  dispatcher.Pass();
  const auto& d = window.Deliveries();
  EXPECT_EQ(std::count_if(d.begin(), d.end(), [](const Delivery& e) { return e.msg == TriggerDataMsg; }), 1);
}

TEST_F(DataTrigger, ManagementReportsItsErrors) {
  const std::string tooLong(23, 'x');
  EXPECT_EQ(dispatcher.AddDataTrigger(reinterpret_cast<const uint8_t*>(tooLong.data()), 23, false),
            kErrTriggerTooLong);
  EXPECT_EQ(dispatcher.AddDataTrigger(nullptr, 0, false), kErrBadArgument);
  EXPECT_EQ(dispatcher.RemoveTrigger(999), kErrBadTriggerHandle);
  EXPECT_EQ(dispatcher.SetTimerTrigger(999, 1, true), kErrBadTriggerHandle);
  EXPECT_EQ(dispatcher.SetStatusTrigger(999, 1, true), kErrBadTriggerHandle);
  EXPECT_EQ(dispatcher.AddStatusTrigger(9), kErrBadArgument);
  const int32_t status = dispatcher.AddStatusTrigger(kStatusLineError);
  ASSERT_GT(status, 0);
  EXPECT_EQ(TSioBaseDispatcher::StatusTriggerKind(static_cast<uint32_t>(status)), kStatusLineError);
  EXPECT_EQ(dispatcher.RemoveTrigger(static_cast<uint16_t>(status)), 0);
  EXPECT_EQ(dispatcher.RemoveTrigger(static_cast<uint16_t>(status)), kErrBadTriggerHandle);
}

using StatusTrigger = TriggerFixture;

TEST_F(StatusTrigger, ModemLineChangeFiresOnceUntilRearmed) {
  const auto handle = static_cast<uint16_t>(dispatcher.AddStatusTrigger(kStatusModem));
  // Watch CTS (mask in the high byte) against a reference of CTS off.
  ASSERT_EQ(dispatcher.SetStatusTrigger(handle, 0x1000, true), 0);
  EXPECT_FALSE(dispatcher.CheckStatusTriggers());
  device->SetModemLines(platform::kMsCtsOn);
  dispatcher.ModemState = dispatcher.GetModemStatus();
  EXPECT_TRUE(dispatcher.CheckStatusTriggers());
  ASSERT_EQ(window.Deliveries().size(), 1u);
  EXPECT_EQ(window.Deliveries()[0].msg, TriggerStatusMsg);
  EXPECT_EQ(window.Deliveries()[0].wParam, handle);
  EXPECT_FALSE(dispatcher.CheckStatusTriggers());  // disarmed
}

TEST_F(StatusTrigger, LineErrorFiresWithTheErrorBits) {
  const auto handle = static_cast<uint16_t>(dispatcher.AddStatusTrigger(kStatusLineError));
  dispatcher.SetStatusTrigger(handle, platform::kCeFrame | platform::kCeOverrun, true);
  device->RaiseLineErrors(platform::kCeFrame);
  dispatcher.RefreshLineErrors();
  EXPECT_TRUE(dispatcher.CheckStatusTriggers());
  EXPECT_EQ(window.Deliveries().at(0).wParam, handle);
}

TEST_F(StatusTrigger, OutputFreeAndUsedCarryTheirCounts) {
  const auto freeTrigger = static_cast<uint16_t>(dispatcher.AddStatusTrigger(kStatusOutbuffFree));
  dispatcher.SetStatusTrigger(freeTrigger, 4000, true);
  const std::string block(200, 'b');
  dispatcher.PutBlock(reinterpret_cast<const uint8_t*>(block.data()), 200);
  EXPECT_FALSE(dispatcher.CheckStatusTriggers());  // 3896 free
  dispatcher.WriteStep();
  EXPECT_TRUE(dispatcher.CheckStatusTriggers());
  EXPECT_EQ(window.Deliveries().at(0).lParamLow, 4096u);
  const auto sent = static_cast<uint16_t>(dispatcher.AddStatusTrigger(kStatusOutSent));
  dispatcher.SetStatusTrigger(sent, 0, true);
  EXPECT_TRUE(dispatcher.CheckStatusTriggers());  // the block above was handed over
  EXPECT_EQ(window.Deliveries().at(1).wParam, sent);
  dispatcher.ResetStatusHits();
}

TEST_F(StatusTrigger, TimerFiresAfterItsTicks) {
  uint64_t now = 0;
  platform::SetCounterSourceForTesting({[](uint64_t& f) { f = 1000; return true; },
                                        [&now](uint64_t& v) { v = now; return true; },
                                        [] { return 0u; }});
  const auto handle = static_cast<uint16_t>(dispatcher.AddTimerTrigger());
  ASSERT_EQ(dispatcher.SetTimerTrigger(handle, 2, true), 0);
  now = 100;
  EXPECT_FALSE(dispatcher.CheckTimerTriggers());
  now = 200;
  EXPECT_TRUE(dispatcher.CheckTimerTriggers());
  EXPECT_EQ(window.Deliveries().at(0).msg, TriggerTimerMsg);
  EXPECT_FALSE(dispatcher.CheckTimerTriggers());
  platform::SetCounterSourceForTesting({});
}

using HandlerList = TriggerFixture;

TEST_F(HandlerList, DeregisteringDuringADeliveryOnlyMarksTheRecord) {
  dispatcher.SetAvailLength(1);
  std::size_t duringDelivery = 0;
  window.OnDelivery([&] {
    dispatcher.DeregisterWindowHandler(window.Handle());
    duringDelivery = dispatcher.WindowHandlers.size();
  });
  device->Receive("x");
  dispatcher.Pass();
  EXPECT_EQ(duringDelivery, 1u);
  EXPECT_TRUE(dispatcher.WindowHandlers.empty());
  EXPECT_TRUE(dispatcher.HandlersPresent);  // the port's own flag still says it listens
}

TEST_F(HandlerList, DeregisteringAnUnknownWindowOnlyRecomputesTheFlags) {
  dispatcher.UpdateHandlerFlags(2);
  dispatcher.HandlersPresent = true;
  dispatcher.DeregisterWindowHandler(nullptr);
  EXPECT_FALSE(dispatcher.HandlersPresent);
  EXPECT_EQ(dispatcher.WindowHandlers.size(), 1u);
}

TEST_F(HandlerList, SavedTriggersComeBackAfterReopening) {
  const std::string ok = "OK";
  dispatcher.AddDataTrigger(reinterpret_cast<const uint8_t*>(ok.data()), 2, false);
  dispatcher.AddTimerTrigger();
  dispatcher.AddStatusTrigger(kStatusModem);
  dispatcher.SetAvailLength(5);
  TSavedTriggers saved;
  dispatcher.SaveTriggers(saved);
  ManualDispatcher other;
  other.RestoreTriggers(saved);
  TSavedTriggers copy;
  other.SaveTriggers(copy);
  EXPECT_EQ(copy.AvailLength, 5u);
  EXPECT_EQ(copy.Data->size(), 1u);
  EXPECT_EQ(copy.Timers->size(), 1u);
  EXPECT_EQ(copy.Status->size(), 1u);
  TSioBaseDispatcher::FreeSavedTriggers(copy);
  EXPECT_FALSE(copy.Data.has_value());
}

}  // namespace
}  // namespace sio::testing
