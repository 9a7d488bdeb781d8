// Fuzzes the receive side: bytes go through the line buffer and, at every CR, the reply parser.
// The first two bytes choose small buffer limits so that short inputs reach the cuts. Beside
// the buffer runs its unbounded model: everything since the last TAB except CRs.
//
// Checked: the buffer stays within its cap and is always a suffix of the model; up to the kept
// size it equals the model; unless the cap had to act, every cut falls where a CR arrived and
// drops only lines that no longer fit; after a CR beyond the kept size no earlier line is left;
// parsed texts are cleaned tokens, and a parse does not depend on what the record held before.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/core/line_buffer.h"
#include "app/core/measurement_record.h"
#include "app/core/reply_parser.h"

namespace {

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

bool IsCleanText(const std::string& text) {
  if (text.empty()) return true;
  const auto first = static_cast<unsigned char>(text.front());
  const auto last = static_cast<unsigned char>(text.back());
  return first > 32 && last > 32 && text.find(' ') == std::string::npos;
}

class ReceiveModel {
 public:
  ReceiveModel(std::size_t keptText, std::size_t maxText)
      : keptText_(keptText), maxText_(maxText), buffer_(keptText, maxText) {}

  void Feed(char c) {
    const std::size_t sizeBefore = buffer_.Text().size();
    const bool parseNow = buffer_.Feed(c);
    Check(parseNow == (c == '\r'), "Feed asks for a parse exactly at CR");
    if (c == '\t') {
      shadow_.clear();
      shadowCrs_.clear();
      capped_ = false;
    } else if (c == '\r') {
      CheckAfterCr();
      if (shadowCrs_.empty() || shadowCrs_.back() != shadow_.size()) shadowCrs_.push_back(shadow_.size());
      CheckParse();
    } else {
      shadow_.push_back(c);
      if (buffer_.Text().size() != sizeBefore + 1) capped_ = true;
    }
    CheckBuffer();
  }

 private:
  std::size_t Cut() const { return shadow_.size() - buffer_.Text().size(); }

  void CheckBuffer() const {
    const std::string& text = buffer_.Text();
    Check(text.size() <= maxText_, "buffer within its cap");
    Check(text.size() <= shadow_.size() &&
              shadow_.compare(Cut(), std::string::npos, text) == 0,
          "buffer is the newest part of everything since the last TAB");
    if (shadow_.size() <= keptText_) Check(text == shadow_, "short text is kept whole");
    if (capped_ || Cut() == 0) return;
    std::size_t previousBoundary = 0;
    bool atCr = false;
    for (std::size_t position : shadowCrs_) {
      if (position == Cut()) atCr = true;
      if (position < Cut()) previousBoundary = position;
    }
    Check(atCr, "cut falls where a CR arrived");
    Check(shadow_.size() - previousBoundary > keptText_, "cut drops only lines that do not fit");
  }

  // Before the current CR's position is recorded: beyond the kept size only the line that this
  // CR ends may be left.
  void CheckAfterCr() const {
    if (capped_ || buffer_.Text().size() <= keptText_ || shadowCrs_.empty()) return;
    Check(Cut() >= shadowCrs_.back(), "an overlong text holds only its last line");
  }

  void CheckParse() {
    nimbrel::MeasurementRecord fresh;
    nimbrel::ParseReply(buffer_.Text(), fresh);
    nimbrel::ParseReply(buffer_.Text(), reused_);
    Check(fresh == reused_, "a parse starts from an empty record");
    for (nimbrel::Quantity quantity : nimbrel::kAllQuantities) {
      const nimbrel::Reading& reading = fresh.Get(quantity);
      Check(IsCleanText(reading.value) && IsCleanText(reading.unit), "stored texts are cleaned tokens");
      Check(reading.value != "---", "a missing value is stored as -20000");
      Check(!reading.value.empty() || !fresh.IsComplete(), "a complete record has all seven values");
    }
  }

  std::size_t keptText_;
  std::size_t maxText_;
  nimbrel::LineBuffer buffer_;
  std::string shadow_;
  std::vector<std::size_t> shadowCrs_;
  bool capped_ = false;
  nimbrel::MeasurementRecord reused_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t keptText = 1 + data[0] % 64;
  const std::size_t maxText = keptText + data[1] % 128;
  ReceiveModel model(keptText, maxText);
  for (std::size_t i = 2; i < size; ++i) model.Feed(static_cast<char>(data[i]));
  return 0;
}
