#pragma once
// Whole files as bytes, for comparing what the recorders wrote.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace sio::testing_support {

// Empty when the file cannot be read.
inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace sio::testing_support
