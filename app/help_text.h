#pragma once
// The text and title of the "Hilfe" message box.
#include <QString>

namespace nimbrel {

inline constexpr char kHelpTitle[] = "Nimbrel Version 2.0.060628";

// 23 lines separated by line breaks, none after the last.
QString HelpText();

}  // namespace nimbrel
