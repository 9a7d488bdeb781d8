#pragma once
// Noise that the simulated station can put on the line before an answer, to show that the
// logger still reads exactly one record per poll.
//
// The noise is a TAB, a text line that names no complete record, CR LF, and a few random
// bytes without TAB, CR, Xon or Xoff. The leading TAB matters: the logger keeps the previous
// reply in its line buffer until the next TAB, and a CR in the noise would otherwise parse that
// reply a second time. The bytes after the line end need no care: the TAB of the answer that
// follows discards them.
#include <random>
#include <string>

namespace station_sim {

std::string LineNoise(std::mt19937& random);

}  // namespace station_sim
