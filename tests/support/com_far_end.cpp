#include "tests/support/com_far_end.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/sync.h"
#include "platform/system_error.h"
#include "tests/support/serial_requests.h"

namespace test_support {

namespace {

std::string ComName(int number) { return "\\\\.\\COM" + std::to_string(number); }

uint32_t QueuedBytes(platform::SerialHandle device) {
  uint32_t errors = 0;
  platform::COMSTAT status;
  return platform::ClearCommError(device, errors, status) ? status.cbInQue : 0;
}

// GetCommModemStatus bits as the Linux TIOCM_ bits that the modem-line library reads.
int TiocmBits(uint32_t lines) {
  int bits = 0;
  if (lines & platform::kMsCtsOn) bits |= 0x020;
  if (lines & platform::kMsRlsdOn) bits |= 0x040;
  if (lines & platform::kMsRingOn) bits |= 0x080;
  if (lines & platform::kMsDsrOn) bits |= 0x100;
  return bits;
}

}  // namespace

ComFarEnd::ComFarEnd(int comNumber) : comNumber_(comNumber) {
  partner_ = platform::CreateFileA(ComName(comNumber + kPartnerOffset));
  if (partner_ == nullptr) {
    ADD_FAILURE() << ComName(comNumber + kPartnerOffset) << " does not open (error "
                  << platform::GetLastError() << "): run these tests through make test-windows";
    return;
  }
  const platform::DCB line;  // 9600 8N1, binary, no flow control
  EXPECT_TRUE(platform::SetCommState(partner_, line));
  SetModemLines(0);
  Discard();
}

ComFarEnd::~ComFarEnd() {
  if (partner_ == nullptr) return;
  SetModemLines(0);
  platform::CloseHandle(partner_);
}

std::string ComFarEnd::DeviceName() const { return ComName(comNumber_); }

// Bytes left in the line by an earlier test: those on their way to either end.
void ComFarEnd::Discard() {
  if (platform::SerialHandle port = platform::CreateFileA(DeviceName())) {
    platform::PurgeComm(port, platform::kPurgeRxClear | platform::kPurgeTxClear);
    platform::CloseHandle(port);
  }
  while (!Receive(65536, 20).empty()) {
  }
}

void ComFarEnd::Send(std::string_view bytes) {
  if (partner_ == nullptr) return;
  Request request;
  uint32_t written = 0;
  const bool started = platform::WriteFile(partner_, bytes.data(),
                                           static_cast<uint32_t>(bytes.size()), written,
                                           request.overlapped);
  if (!Finished(partner_, started, request, written) || written != bytes.size()) {
    ADD_FAILURE() << "write to the far end failed: error " << platform::GetLastError();
  }
}

std::string ComFarEnd::Receive(std::size_t count, int guardMs) {
  std::string bytes;
  if (partner_ == nullptr) return bytes;
  const auto guard = std::chrono::milliseconds(guardMs);
  auto lastArrival = std::chrono::steady_clock::now();
  std::string chunk(65536, '\0');
  while (bytes.size() < count) {
    // Read only what is queued: under Wine a read of an empty queue would pend.
    const uint32_t queued = QueuedBytes(partner_);
    if (queued == 0) {
      if (std::chrono::steady_clock::now() - lastArrival > guard) break;
      platform::Sleep(1);
      continue;
    }
    const auto wanted =
        static_cast<uint32_t>(std::min<std::size_t>({queued, count - bytes.size(), chunk.size()}));
    Request request;
    uint32_t read = 0;
    const bool started = platform::ReadFile(partner_, chunk.data(), wanted, read, request.overlapped);
    if (!Finished(partner_, started, request, read)) break;
    bytes.append(chunk.data(), read);
    lastArrival = std::chrono::steady_clock::now();
  }
  return bytes;
}

void ComFarEnd::Unplug() { ADD_FAILURE() << "the partner of a COM port cannot hang up the line"; }

void ComFarEnd::SetModemLines(uint32_t lines) {
  const char* path = std::getenv("NIMBREL_MODEM_LINES_WINDOWS");
  if (path == nullptr) return;  // a real pair of ports has its own lines
  const std::filesystem::path file(path);
  const std::filesystem::path next = file.string() + ".next";
  std::ofstream(next) << TiocmBits(lines) << '\n';
  // Replaced whole, so the reader never sees half a number.
  std::error_code error;
  std::filesystem::rename(next, file, error);
  EXPECT_FALSE(error) << "modem lines not set: " << error.message();
}

}  // namespace test_support
