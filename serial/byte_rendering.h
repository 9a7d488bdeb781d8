#pragma once
// How the trace file and the dispatch log show one data byte.
#include <cstdint>
#include <string>

namespace sio {

// The text of a data byte; its length is the byte's width in the column count:
// - allHex: "[" + two upper-case hex digits + "]" (width 4);
// - else a printable byte as itself (width 1): 0x20..0x7E, or 0x21..0x7E with inHex, so a
//   blank shows as [20] in hex mode;
// - else with inHex: "[XX]" as above;
// - else "[" + decimal value + "]" (width 3, 4 or 5).
std::string RenderDataByte(uint8_t byte, bool inHex, bool allHex);

}  // namespace sio
