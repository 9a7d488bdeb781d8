#include "serial/log_ring.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace sio {
namespace {

struct Entry {
  uint32_t id;
  std::vector<uint8_t> data;
};

LogEntryHeader HeaderFor(const Entry& entry) {
  LogEntryHeader header;
  header.Type = 1;
  header.SubType = 2;
  header.OtherData = entry.id;
  header.DataLen = static_cast<uint32_t>(entry.data.size());
  return header;
}

Entry MakeEntry(uint32_t id, std::size_t length) {
  Entry entry{id, std::vector<uint8_t>(length)};
  for (std::size_t i = 0; i < length; ++i) entry.data[i] = static_cast<uint8_t>(id * 7 + i);
  return entry;
}

bool Add(LogRing& ring, const Entry& entry) {
  return ring.AddEntry(HeaderFor(entry), entry.data.data());
}

// Empties the ring, oldest first.
std::vector<Entry> Drain(LogRing& ring) {
  std::vector<Entry> entries;
  std::vector<uint8_t> scratch(ring.Capacity());
  LogEntryHeader header;
  uint32_t length = 0;
  while (!ring.ReadLogEntry(header, scratch, length)) {
    entries.push_back({header.OtherData, {scratch.begin(), scratch.begin() + length}});
  }
  return entries;
}

void ExpectSameEntries(const std::vector<Entry>& actual, const std::deque<Entry>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_EQ(actual[i].id, expected[i].id);
    EXPECT_EQ(actual[i].data, expected[i].data) << "entry " << expected[i].id;
  }
}

TEST(LogRingTest, FullRingDropsTheOldestEntriesWhole) {
  LogRing ring(100);
  for (uint32_t id = 1; id <= 4; ++id) ASSERT_TRUE(Add(ring, MakeEntry(id, 10)));  // 26 bytes each
  ExpectSameEntries(Drain(ring), {MakeEntry(2, 10), MakeEntry(3, 10), MakeEntry(4, 10)});
  EXPECT_TRUE(ring.Empty());
}

// Entries of many sizes wrap the ring at every offset, splitting headers and data across the
// end; reading back must give exactly the entries that still fit, oldest first.
TEST(LogRingTest, KeepsTheNewestEntriesIntactAcrossTheEnd) {
  for (uint32_t capacity : {17u, 40u, 97u, 256u}) {
    LogRing ring(capacity);
    std::deque<Entry> expected;
    uint32_t used = 0;
    for (uint32_t id = 0; id < 300; ++id) {
      const Entry entry = MakeEntry(id, (id * 13) % (ring.MaxEntryData() + 1));
      const uint32_t size = LogRing::kHeaderSize + static_cast<uint32_t>(entry.data.size());
      while (capacity - used < size) {
        used -= LogRing::kHeaderSize + static_cast<uint32_t>(expected.front().data.size());
        expected.pop_front();
      }
      used += size;
      expected.push_back(entry);
      ASSERT_TRUE(Add(ring, entry));
      if (id % 37 == 0) {
        SCOPED_TRACE(testing::Message() << "capacity " << capacity << " after entry " << id);
        ExpectSameEntries(Drain(ring), expected);
        expected.clear();
        used = 0;
      }
    }
    ExpectSameEntries(Drain(ring), expected);
  }
}

// A whole entry must stay below the capacity; one that does not fit is refused before
// anything is stored, so the entries already there stay readable.
TEST(LogRingTest, RefusesAnEntryThatDoesNotFitAndStaysConsistent) {
  LogRing ring(64);
  ASSERT_EQ(ring.MaxEntryData(), 47u);
  ASSERT_TRUE(Add(ring, MakeEntry(1, 5)));
  EXPECT_FALSE(Add(ring, MakeEntry(2, 48)));
  EXPECT_FALSE(Add(ring, MakeEntry(3, 64)));
  ExpectSameEntries(Drain(ring), {MakeEntry(1, 5)});

  ASSERT_TRUE(Add(ring, MakeEntry(4, 47)));
  ExpectSameEntries(Drain(ring), {MakeEntry(4, 47)});
}

TEST(LogRingTest, RingNoLargerThanAHeaderHoldsNothing) {
  for (uint32_t capacity : {0u, 1u, 16u}) {
    LogRing ring(capacity);
    EXPECT_FALSE(Add(ring, MakeEntry(1, 0)));
    EXPECT_TRUE(ring.Empty());
  }
}

TEST(LogRingTest, ReadingCopiesWhatTheBufferHoldsAndSkipsTheRest) {
  LogRing ring(100);
  ASSERT_TRUE(Add(ring, MakeEntry(1, 10)));
  ASSERT_TRUE(Add(ring, MakeEntry(2, 3)));
  std::vector<uint8_t> small(4);
  LogEntryHeader header;
  uint32_t length = 0;
  ASSERT_FALSE(ring.ReadLogEntry(header, small, length));
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(small, std::vector<uint8_t>(MakeEntry(1, 4).data));
  ExpectSameEntries(Drain(ring), {MakeEntry(2, 3)});
}

TEST(LogRingTest, ClearEmptiesTheRing) {
  LogRing ring(100);
  ASSERT_TRUE(Add(ring, MakeEntry(1, 10)));
  ring.Clear();
  EXPECT_TRUE(ring.Empty());
  ASSERT_TRUE(Add(ring, MakeEntry(2, 80)));
  ExpectSameEntries(Drain(ring), {MakeEntry(2, 80)});
}

}  // namespace
}  // namespace sio
