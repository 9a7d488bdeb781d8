#include "app/core/line_buffer.h"

#include <algorithm>

namespace nimbrel {

namespace {

constexpr char kTab = '\t';
constexpr char kCr = '\r';

}  // namespace

LineBuffer::LineBuffer(std::size_t keptText, std::size_t maxText)
    : keptText_(keptText), maxText_(maxText) {}

bool LineBuffer::Feed(char c) {
  switch (c) {
    case kTab:
      Clear();
      return false;
    case kCr:
      CutAtLineBoundary();
      if (crPositions_.empty() || crPositions_.back() != text_.size()) {
        crPositions_.push_back(text_.size());
      }
      return true;
    default:
      Append(c);
      return false;
  }
}

void LineBuffer::Clear() {
  text_.clear();
  crPositions_.clear();
}

void LineBuffer::Append(char c) {
  text_.push_back(c);
  if (text_.size() > maxText_) DropFront(std::max<std::size_t>(1, maxText_ / 4));
}

void LineBuffer::CutAtLineBoundary() {
  if (text_.size() <= keptText_ || crPositions_.empty()) return;
  const auto earliest =
      std::lower_bound(crPositions_.begin(), crPositions_.end(), text_.size() - keptText_);
  DropFront(earliest != crPositions_.end() ? *earliest : crPositions_.back());
}

void LineBuffer::DropFront(std::size_t count) {
  text_.erase(0, count);
  const auto kept = std::upper_bound(crPositions_.begin(), crPositions_.end(), count);
  crPositions_.erase(crPositions_.begin(), kept);
  for (std::size_t& position : crPositions_) position -= count;
}

}  // namespace nimbrel
