#include "tests/gui/fake_user_dialogs.h"

namespace nimbrel {

QString FakeUserDialogs::ChooseLogFile(LogFileDialogKind kind, const QString& proposedPath) {
  fileRequests.push_back({kind, proposedPath});
  if (fileAnswers.empty()) return {};
  QString answer = fileAnswers.front();
  fileAnswers.pop_front();
  return answer;
}

void FakeUserDialogs::Reset() { *this = FakeUserDialogs(); }

FakeUserDialogs& TestDialogs() {
  static FakeUserDialogs dialogs;
  return dialogs;
}

}  // namespace nimbrel
