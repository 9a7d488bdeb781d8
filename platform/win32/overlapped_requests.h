#pragma once
// The Win32 OVERLAPPED records behind our OVERLAPPED requests on one device. The system
// writes into a record until its request completes, so each record lives that long: one per
// request under way, found by the address of our record, whose event it uses.
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/serial_api.h"
#include "platform/win32/windows_api.h"

namespace platform {

class OverlappedRequests {
 public:
  OverlappedRequests() = default;
  OverlappedRequests(const OverlappedRequests&) = delete;
  OverlappedRequests& operator=(const OverlappedRequests&) = delete;
  // Waits until the system is done with every record (see AwaitAll).
  ~OverlappedRequests();

  // A zeroed record with our event for a new request of `ours`, marked pending in `ours`. An
  // earlier request of `ours` still under way (one its owner gave up on) keeps its record.
  ::OVERLAPPED* Begin(OVERLAPPED& ours);
  // The record of the latest request of `ours`; nullptr when it completed at once or never
  // started.
  ::OVERLAPPED* Find(const OVERLAPPED& ours);
  // The latest request of `ours` completed with `status` (a Win32 error) and `transferred`
  // bytes: `ours` says so, and its record goes.
  void Complete(OVERLAPPED& ours, DWORD status, DWORD transferred);

 private:
  // Waits for the requests still under way after the device was closed (which ends them),
  // at most a few seconds; records the system may still write are then left alone, never freed.
  void AwaitAll();

  std::mutex mutex_;
  std::unordered_map<const OVERLAPPED*, std::unique_ptr<::OVERLAPPED>> latest_;
  std::vector<std::unique_ptr<::OVERLAPPED>> abandoned_;
};

}  // namespace platform
