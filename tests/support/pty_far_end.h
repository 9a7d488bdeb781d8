#pragma once
// The far end of a serial line for tests: a pseudo-terminal whose slave side the code under
// test opens as COM<n> (through SIO_COM<n>), while the test reads and writes the master side.
#include <cstddef>
#include <string>
#include <string_view>

struct termios;

namespace test_support {

class PtyFarEnd {
 public:
  // Maps COM<comNumber> to the slave side until destruction.
  explicit PtyFarEnd(int comNumber);
  ~PtyFarEnd();
  PtyFarEnd(const PtyFarEnd&) = delete;
  PtyFarEnd& operator=(const PtyFarEnd&) = delete;

  const std::string& path() const { return path_; }
  // "\\.\COM<n>", the name the device layer opens.
  std::string DeviceName() const;

  void Send(std::string_view bytes);
  // Reads until `count` bytes came, or fewer when nothing more comes within `guardMs`.
  std::string Receive(std::size_t count, int guardMs = 10000);
  // The line settings the slave side holds.
  termios Line() const;
  // The device goes away: the slave side hangs up.
  void Unplug();
  static constexpr bool CanHangUp() { return true; }

 private:
  int comNumber_;
  int master_ = -1;
  std::string path_;
};

}  // namespace test_support
