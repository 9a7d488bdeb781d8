#pragma once
// The receive side of the station link: collects the received characters into the text that
// the reply parser reads.
//
// A TAB empties the text; a CR asks for the text to be parsed now, without emptying it, so the
// next CR parses everything since the last TAB again; every other character, LF included, is
// appended.
//
// Bound: a station that never sends a TAB would make the text, and the cost of every CR, grow
// for ever. So the buffer remembers where CRs arrived, and at a CR, when the text is longer than
// keptText bytes, it drops the oldest text up to the earliest earlier CR that leaves at most
// keptText bytes, as if a TAB had come there: the cut always falls at a line boundary and the
// newest lines parse as they would have. When not even the most recent earlier CR leaves so
// little, only the text after it is kept. The line being ended by the current CR is never cut
// there. Independently, the text never exceeds maxText bytes: a stream without any CR has its
// oldest maxText / 4 bytes dropped whenever it would grow past the limit, so every byte costs
// constant time on average. A normal reply (well below keptText bytes) is never touched.
#include <cstddef>
#include <string>
#include <vector>

namespace nimbrel {

class LineBuffer {
 public:
  static constexpr std::size_t kDefaultKeptText = 4096;
  static constexpr std::size_t kDefaultMaxText = 65536;

  // keptText <= maxText; both at least 1.
  explicit LineBuffer(std::size_t keptText = kDefaultKeptText,
                      std::size_t maxText = kDefaultMaxText);

  // Takes one received character. Returns true for a CR: Text() is to be parsed now.
  bool Feed(char c);

  const std::string& Text() const { return text_; }
  void Clear();

 private:
  void Append(char c);
  void CutAtLineBoundary();
  void DropFront(std::size_t count);

  std::size_t keptText_;
  std::size_t maxText_;
  std::string text_;
  std::vector<std::size_t> crPositions_;  // offsets into text_ where CRs arrived, ascending
};

}  // namespace nimbrel
