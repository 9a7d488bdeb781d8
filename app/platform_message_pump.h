#pragma once
// Runs the platform's window messages of the main thread (the port object's events) inside
// Qt's event loop, and so inside every modal dialog and message box as well.
//
// Whenever a message is queued for the main thread, the platform calls the arrival hook, from
// whichever thread queued it. The hook posts one queued call into Qt's loop (at most one is
// waiting at a time), and that call handles every message waiting then. Nothing is handled
// while the main thread does not run Qt's loop, such as during a poll's one-second wait.
#include <QObject>
#include <atomic>

namespace nimbrel {

class PlatformMessagePump : public QObject {
  Q_OBJECT

 public:
  // Installs the hook for the calling thread, which must be the one running Qt's loop.
  PlatformMessagePump();
  // Removes the hook; calls still queued are dropped with this object.
  ~PlatformMessagePump() override;

 private:
  void MessageArrived();
  void HandleWaitingMessages();

  std::atomic<bool> handlingQueued_{false};
};

}  // namespace nimbrel
