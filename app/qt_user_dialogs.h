#pragma once
// The logger's modal windows as Qt shows them.
//
// Test and automation seam: with the environment variable NIMBREL_ERRORS_TO_STDERR set, the
// error box is not shown; its text goes to stderr as one line "Nimbrel: <message>" and the
// program goes on at once. Without a display (Qt's offscreen platform) a modal box would wait
// for a click that never comes.
#include "app/user_dialogs.h"

namespace nimbrel {

inline constexpr char kErrorsToStderrVariable[] = "NIMBREL_ERRORS_TO_STDERR";

class QtUserDialogs final : public UserDialogs {
 public:
  void ShowError(const QString& message) override;
  void ShowMessage(const QString& title, const QString& text) override;
  QString ChooseLogFile(LogFileDialogKind kind, const QString& proposedPath) override;
};

}  // namespace nimbrel
