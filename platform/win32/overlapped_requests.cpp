#include "platform/win32/overlapped_requests.h"

#include <algorithm>

#include "platform/system_error.h"

namespace platform {

namespace {

constexpr DWORD kAwaitAllMs = 5000;

bool Done(const std::unique_ptr<::OVERLAPPED>& record) { return HasOverlappedIoCompleted(record.get()); }

}  // namespace

OverlappedRequests::~OverlappedRequests() { AwaitAll(); }

::OVERLAPPED* OverlappedRequests::Begin(OVERLAPPED& ours) {
  std::lock_guard lock(mutex_);
  std::erase_if(abandoned_, Done);
  std::unique_ptr<::OVERLAPPED>& record = latest_[&ours];
  if (record != nullptr && !Done(record)) abandoned_.push_back(std::move(record));
  if (record == nullptr) record = std::make_unique<::OVERLAPPED>();
  *record = {};
  record->hEvent = reinterpret_cast<HANDLE>(ours.hEvent);
  ours.Internal = kErrorIoPending;
  ours.InternalHigh = 0;
  return record.get();
}

::OVERLAPPED* OverlappedRequests::Find(const OVERLAPPED& ours) {
  std::lock_guard lock(mutex_);
  const auto it = latest_.find(&ours);
  return it == latest_.end() ? nullptr : it->second.get();
}

void OverlappedRequests::Complete(OVERLAPPED& ours, DWORD status, DWORD transferred) {
  std::lock_guard lock(mutex_);
  latest_.erase(&ours);
  ours.InternalHigh = transferred;
  ours.Internal = status;
}

void OverlappedRequests::AwaitAll() {
  std::lock_guard lock(mutex_);
  for (auto& [ours, record] : latest_) abandoned_.push_back(std::move(record));
  latest_.clear();
  const ULONGLONG deadline = GetTickCount64() + kAwaitAllMs;
  while (!std::all_of(abandoned_.begin(), abandoned_.end(), Done) && GetTickCount64() < deadline) {
    ::Sleep(1);
  }
  for (std::unique_ptr<::OVERLAPPED>& record : abandoned_) {
    if (!Done(record)) (void)record.release();
  }
}

}  // namespace platform
