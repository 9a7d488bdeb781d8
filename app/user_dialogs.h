#pragma once
// The modal windows the logger opens for the user: its message boxes and the two log file
// dialogs. The window asks through this interface only, so tests can answer in place of the
// user instead of blocking on a modal window.
#include <QString>

namespace nimbrel {

enum class LogFileDialogKind {
  kNewFile,       // "Neu...": a file to create; asks before overwriting
  kContinueFile,  // "Datei fortführen...": an existing file
};

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  // The application's error box: title "Nimbrel", error icon, OK.
  virtual void ShowError(const QString& message) = 0;
  // A message box with an OK button and no icon.
  virtual void ShowMessage(const QString& title, const QString& text) = 0;
  // The chosen log file's path, proposing `proposedPath`; empty when cancelled. Files the user
  // may not write are refused by the dialog.
  virtual QString ChooseLogFile(LogFileDialogKind kind, const QString& proposedPath) = 0;
};

}  // namespace nimbrel
