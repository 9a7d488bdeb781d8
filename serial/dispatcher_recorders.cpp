// The dispatcher's trace and dispatch log: every operation runs under DataLock.
#include "platform/clock.h"
#include "serial/dispatcher.h"

namespace sio {

void TSioBaseDispatcher::ResetRecorders() {
  platform::Lock lock(DataLock);
  Trace.AbortTracing();
  Log.AbortDispatchLog();
  Log.SetQueueSizes(InQueueSize, OutQueueSize);
  Log.SetLogStartTicks(platform::ElapsedMs());
}

void TSioBaseDispatcher::SetLogDeviceName(const std::string& name) {
  platform::Lock lock(DataLock);
  Log.SetLogDeviceName(name);
}

void TSioBaseDispatcher::AddTraceEntry(uint8_t kind, uint8_t ch) {
  if (!Trace.TraceOn()) return;
  platform::Lock lock(DataLock);
  Trace.AddTraceEntry(kind, ch);
}

void TSioBaseDispatcher::AddDispatchEntry(uint8_t type, uint8_t subType, uint32_t otherData,
                                          const uint8_t* data, uint32_t dataLength) {
  if (!Log.LogOn()) return;
  platform::Lock lock(DataLock);
  Log.AddDispatchEntry(type, subType, otherData, data, dataLength);
}

int32_t TSioBaseDispatcher::InitTracing(uint32_t size) {
  platform::Lock lock(DataLock);
  return Trace.InitTracing(size);
}

void TSioBaseDispatcher::StartTracing() {
  platform::Lock lock(DataLock);
  Trace.StartTracing();
}

void TSioBaseDispatcher::StopTracing() {
  platform::Lock lock(DataLock);
  Trace.StopTracing();
}

int32_t TSioBaseDispatcher::ClearTracing() {
  platform::Lock lock(DataLock);
  Trace.ClearTracing();
  return 0;
}

void TSioBaseDispatcher::AbortTracing() {
  platform::Lock lock(DataLock);
  Trace.AbortTracing();
}

int32_t TSioBaseDispatcher::DumpTrace(const std::string& fileName, bool inHex, bool allHex) {
  platform::Lock lock(DataLock);
  return Trace.DumpTrace(fileName, inHex, allHex);
}

int32_t TSioBaseDispatcher::AppendTrace(const std::string& fileName, bool inHex, bool allHex) {
  platform::Lock lock(DataLock);
  return Trace.AppendTrace(fileName, inHex, allHex);
}

int32_t TSioBaseDispatcher::InitDispatchLog(uint32_t size) {
  platform::Lock lock(DataLock);
  return Log.InitDispatchLog(size);
}

void TSioBaseDispatcher::StartDispatchLog() {
  platform::Lock lock(DataLock);
  Log.StartDispatchLog();
}

void TSioBaseDispatcher::StopDispatchLog() {
  platform::Lock lock(DataLock);
  Log.StopDispatchLog();
}

int32_t TSioBaseDispatcher::ClearDispatchLog() {
  platform::Lock lock(DataLock);
  Log.ClearDispatchLog();
  return 0;
}

void TSioBaseDispatcher::AbortDispatchLog() {
  platform::Lock lock(DataLock);
  Log.AbortDispatchLog();
}

int32_t TSioBaseDispatcher::DumpDispatchLog(const std::string& fileName, bool inHex, bool allHex) {
  platform::Lock lock(DataLock);
  return Log.DumpDispatchLog(fileName, inHex, allHex);
}

int32_t TSioBaseDispatcher::AppendDispatchLog(const std::string& fileName, bool inHex, bool allHex) {
  platform::Lock lock(DataLock);
  return Log.AppendDispatchLog(fileName, inHex, allHex);
}

}  // namespace sio
