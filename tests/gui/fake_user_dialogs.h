#pragma once
// The logger's modal windows answered by the test: message boxes are recorded, file dialogs
// answer from a queue (cancel when it is empty).
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "app/user_dialogs.h"

namespace nimbrel {

struct ShownMessage {
  QString title;
  QString text;
};

struct FileDialogRequest {
  LogFileDialogKind kind;
  QString proposedPath;
};

class FakeUserDialogs final : public UserDialogs {
 public:
  void ShowError(const QString& message) override { errors << message; }
  void ShowMessage(const QString& title, const QString& text) override {
    messages.push_back({title, text});
  }
  QString ChooseLogFile(LogFileDialogKind kind, const QString& proposedPath) override;

  void Reset();

  QStringList errors;
  std::vector<ShownMessage> messages;
  std::vector<FileDialogRequest> fileRequests;
  std::deque<QString> fileAnswers;  // an empty text cancels
};

// The dialogs that the test application (a NimbrelApplication) reports to.
FakeUserDialogs& TestDialogs();

}  // namespace nimbrel
