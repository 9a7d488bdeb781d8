#pragma once
// The logger's application object: titles the program "Nimbrel" and is the one place where an
// exception that ends a handler (a button, a timer, a queued call, a port event, start-up) is
// caught and shown in the error box, after which the program goes on.
#include <QApplication>
#include <exception>
#include <functional>

#include "app/user_dialogs.h"

namespace nimbrel {

// The error box text of an exception: its message with a final "." added when it has none.
QString ErrorBoxText(const std::exception& error);

class NimbrelApplication : public QApplication {
  Q_OBJECT

 public:
  // Also installs the error box as the serial component's exception handler.
  NimbrelApplication(int& argc, char** argv, UserDialogs& dialogs);
  ~NimbrelApplication() override;

  bool notify(QObject* receiver, QEvent* event) override;

  // Runs a handler that is not called from the event loop (start-up), with the same
  // exception display as every event.
  void RunHandler(const std::function<void()>& handler);

  // Shows the error box for the exception; from any thread (another thread's report is shown
  // by the main thread).
  void ReportException(const std::exception& error);

 private:
  template <typename Handler>
  void Guarded(Handler&& handler);

  UserDialogs& dialogs_;
};

}  // namespace nimbrel
