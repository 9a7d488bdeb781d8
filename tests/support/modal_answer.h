#pragma once
// Answers a modal dialog of type Dialog once its exec() shows it, so that no test blocks on it.
// The check repeats until the dialog shows (events may be handled before it does, such as
// during the port scan). Should the action leave the dialog open, it is ended anyway (with
// result -1, also for a dialog that ignores rejection) and the test fails.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <utility>

namespace test_support {

template <typename Dialog>
void WhenModalShown(std::function<void(Dialog&)> action, int attemptsLeft = 500) {
  QTimer::singleShot(10, [action = std::move(action), attemptsLeft]() mutable {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      if (attemptsLeft > 0) {
        WhenModalShown<Dialog>(std::move(action), attemptsLeft - 1);
      } else {
        ADD_FAILURE() << "the modal dialog did not show";
      }
      return;
    }
    const QPointer<Dialog> alive = dialog;
    action(*dialog);
    if (alive && alive->isVisible()) {
      ADD_FAILURE() << "the dialog is still open";
      alive->done(-1);
    }
  });
}

}  // namespace test_support
