#pragma once
// The dispatcher over the serial communications API: device operations and the passes that
// its com, dispatch and output threads run.
#include <memory>

#include "serial/dispatcher.h"

namespace sio {

class TSioDispatcherThread;

class TSioWin32Dispatcher : public TSioBaseDispatcher {
 public:
  explicit TSioWin32Dispatcher(TComponent* owner);
  ~TSioWin32Dispatcher() override;

  int32_t EscapeCom(uint32_t function) override;
  int32_t PurgeQueue(uint32_t queue) override;
  uint32_t ReadComErrors(platform::COMSTAT& status) override;
  int32_t ClearDeviceEvents(int32_t mask) override;
  int32_t GetDeviceState(platform::DCB& dcb) override;
  int32_t ReadCom(uint8_t* buffer, uint32_t count) override;
  int32_t SetDeviceState(const platform::DCB& dcb) override;
  int32_t WriteCom(const uint8_t* buffer, uint32_t count) override;
  bool SetupQueues(uint32_t inSize, uint32_t outSize) override;
  void StartThreads() override;
  void StopThreads() override;
  int32_t OpenDevice(const std::string& name, uint32_t inSize, uint32_t outSize) override;
  int32_t CloseDevice() override;
  int32_t ProcessDevice() override;

  // The dispatch thread's passes after each wake-up, and the output thread's write step.
  void EventPass();
  void IdlePass();
  void WriteStep();

 protected:
  friend class TSioDispatcherThread;
  friend class TComThread;
  friend class TDispThread;
  friend class TOutThread;

  static constexpr uint32_t kThreadAckTimeoutMs = 3000;

  bool WaitDeviceEvent(uint32_t& mask, platform::OVERLAPPED& overlapped);
  bool OutputPending();

  platform::OVERLAPPED ReadOverlapped;
  // The output thread's write request. It outlives a write step that a flush ends, because the
  // abandoned write stays with the device until the purge aborts it.
  platform::OVERLAPPED WriteOverlapped;
  std::atomic<uint32_t> DeviceEventMask{0};

 private:
  // Starts the thread and waits (3000 ms at most) for its acknowledgement.
  void StartAcknowledged(std::unique_ptr<TSioDispatcherThread> thread);
  // The read request's event goes once no thread can read any more.
  void CloseReadEvent();
  bool OutputThreadExists();
  bool RunStatusTriggers();
  uint32_t ChooseWriteChunk();
  void AdvanceOutput(uint32_t count);
};

}  // namespace sio
