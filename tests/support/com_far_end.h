#pragma once
// The far end of a serial line on Windows: COM<n> and COM<n+100> are the two ends of one
// line. Under Wine the test run joins them as two pseudo-terminals and gives them modem lines
// (tests/windows/run_under_wine.sh); on Windows a null-modem pair of ports serves. The code
// under test opens COM<n>; the test reads and writes COM<n+100>.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/serial_api.h"

namespace test_support {

class ComFarEnd {
 public:
  static constexpr int kPartnerOffset = 100;

  // Opens the partner of COM<comNumber>; what either end still held is thrown away.
  explicit ComFarEnd(int comNumber);
  ~ComFarEnd();
  ComFarEnd(const ComFarEnd&) = delete;
  ComFarEnd& operator=(const ComFarEnd&) = delete;

  // "\\.\COM<n>", the name the device layer opens.
  std::string DeviceName() const;

  void Send(std::string_view bytes);
  // Reads until `count` bytes came, or fewer when nothing more comes within `guardMs`.
  std::string Receive(std::size_t count, int guardMs = 10000);
  // Sets the input lines that COM<n> sees, as GetCommModemStatus bits (kMsCtsOn ...). Only
  // under the Wine test run, whose modem-line library reads them from a file.
  void SetModemLines(uint32_t lines);
  // The partner cannot take the line away from the code under test: Unplug fails the test.
  static constexpr bool CanHangUp() { return false; }
  void Unplug();

 private:
  void Discard();

  int comNumber_;
  platform::SerialHandle partner_ = nullptr;
};

}  // namespace test_support
