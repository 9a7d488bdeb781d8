#pragma once
// The three worker threads of an open port: the com thread waits in the driver for line
// events, the dispatch thread runs the event and idle passes, the output thread drains the
// output ring. Each object is the body of one platform thread, which owns it; the dispatcher
// owns and joins the platform threads.
#include <memory>

#include "platform/thread.h"
#include "serial/dispatcher.h"

namespace sio {

class TSioWin32Dispatcher;

class TSioDispatcherThread {
 public:
  virtual ~TSioDispatcherThread() = default;

  // Starts the thread at once as one of the dispatcher's; false when it cannot be made.
  static bool Start(std::unique_ptr<TSioDispatcherThread> thread);

 protected:
  TSioDispatcherThread(TSioWin32Dispatcher& dispatcher, ThreadKind kind)
      : dispatcher_(dispatcher), kind_(kind) {}
  // The body; an exception that escapes it is reported and the thread still ends properly.
  virtual void Execute() = 0;

  TSioWin32Dispatcher& dispatcher_;

 private:
  void Run();
  ThreadKind kind_;
};

class TComThread : public TSioDispatcherThread {
 public:
  explicit TComThread(TSioWin32Dispatcher& d) : TSioDispatcherThread(d, ThreadKind::kCom) {}

 protected:
  void Execute() override;
};

class TDispThread : public TSioDispatcherThread {
 public:
  explicit TDispThread(TSioWin32Dispatcher& d) : TSioDispatcherThread(d, ThreadKind::kDispatch) {}

 protected:
  void Execute() override;
};

class TOutThread : public TSioDispatcherThread {
 public:
  explicit TOutThread(TSioWin32Dispatcher& d) : TSioDispatcherThread(d, ThreadKind::kOutput) {}

 protected:
  void Execute() override;
};

}  // namespace sio
