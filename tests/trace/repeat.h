#pragma once
#include <string>

namespace sio::testing_support {

inline std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

}  // namespace sio::testing_support
