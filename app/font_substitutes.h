#pragma once
// The window's fonts are the classic Windows dialog fonts "MS Sans Serif" and "Small Fonts".
// Where they are missing, Qt takes the first installed family of a list of look-alikes.
namespace nimbrel {

void InstallFontSubstitutes();

}  // namespace nimbrel
