#include "serial/log_entry_writer.h"

#include <array>
#include <cstdio>

#include "serial/byte_rendering.h"
#include "serial/data_line_writer.h"
#include "serial/error_strings.h"

namespace sio {

namespace {

constexpr uint8_t kTypeTrigAllc = 5;
constexpr uint8_t kTypeTrigDisp = 6;
constexpr uint8_t kTypeUser = 19;
constexpr uint8_t kSubTypeModemStatus = 4;
constexpr uint8_t kSubTypeTriggerStatus = 15;

constexpr std::size_t kDataColumn = 45;
constexpr std::string_view kDataIndent = "                                            ";
static_assert(kDataIndent.size() == kDataColumn - 1);

std::string TypeWord(uint8_t type) {
  return ErrorMessage(static_cast<int16_t>(kLogTypeWordBase + type));
}

// Subtype 0 has no word (its row is empty, and the system text for that number is no word).
std::string SubTypeWord(uint8_t subType) {
  if (subType == 0) return {};
  return ErrorMessage(static_cast<int16_t>(kLogSubTypeWordBase + subType));
}

std::string Prefix(const LogEntryHeader& header) {
  // Message texts are at most 255 characters each, so the prefix fits.
  char text[640];
  std::snprintf(text, sizeof text, "%8s  %-8s  %-12s  %08X  ", FormatLogTime(header.Time).c_str(),
                TypeWord(header.Type).c_str(), SubTypeWord(header.SubType).c_str(),
                static_cast<unsigned>(header.OtherData));
  return text;
}

std::string_view TriggerStatusWord(uint8_t kind) {
  constexpr std::array<std::string_view, 6> kWords{"(Not active)",         "(Modem status)",
                                                   "(Line status)",        "(Output buffer free)",
                                                   "(Output buffer used)", "(Output sent)"};
  return kind < kWords.size() ? kWords[kind] : std::string_view();
}

// "(" + the words of the set bits 0..7 + ")", without the last word's trailing blank.
std::string ModemStatusWords(uint32_t bits) {
  std::string words;
  for (int bit = 0; bit < 8; ++bit) {
    if ((bits & (1u << bit)) != 0) {
      words += ErrorMessage(static_cast<int16_t>(kLogModemStatusWordBase + bit));
    }
  }
  if (!words.empty() && words.back() == ' ') words.pop_back();
  return "(" + words + ")";
}

std::string RenderLogByte(uint8_t byte, const LogEntryHeader& header, bool inHex, bool allHex) {
  if (allHex && header.Type == kTypeUser) return std::string(1, static_cast<char>(byte));
  return RenderDataByte(byte, inHex, allHex);
}

void WriteData(DiagnosticFile& file, const LogEntryHeader& header, std::span<const uint8_t> data,
               bool inHex, bool allHex) {
  const bool triggerType = header.Type == kTypeTrigAllc || header.Type == kTypeTrigDisp;
  if (triggerType && header.SubType == kSubTypeTriggerStatus) {
    file.Write(TriggerStatusWord(data.front()));
    return;
  }
  DataLineWriter line(file, kDataColumn, kDataIndent);
  for (uint8_t byte : data) line.Put(RenderLogByte(byte, header, inHex, allHex));
  if (header.SubType == kSubTypeModemStatus) file.Write(ModemStatusWords(header.OtherData));
}

}  // namespace

std::string FormatLogTime(uint32_t ms) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%07u", static_cast<unsigned>(ms));
  std::string text(digits);
  text.insert(text.size() - 3, 1, '.');
  return text;
}

void WriteLogEntry(DiagnosticFile& file, const LogEntryHeader& header,
                   std::span<const uint8_t> data, bool inHex, bool allHex) {
  file.Write(Prefix(header));
  if (!data.empty()) WriteData(file, header, data, inHex, allHex);
  file.EndLine();
}

}  // namespace sio
