#include "app/platform_message_pump.h"

#include "platform/messages.h"

namespace nimbrel {

PlatformMessagePump::PlatformMessagePump() {
  platform::SetMessageArrivalHook([this] { MessageArrived(); });
}

PlatformMessagePump::~PlatformMessagePump() { platform::SetMessageArrivalHook({}); }

void PlatformMessagePump::MessageArrived() {
  if (handlingQueued_.exchange(true)) return;
  QMetaObject::invokeMethod(this, &PlatformMessagePump::HandleWaitingMessages,
                            Qt::QueuedConnection);
}

void PlatformMessagePump::HandleWaitingMessages() {
  // Cleared first: a message queued while these are handled queues the next call.
  handlingQueued_ = false;
  platform::MSG msg;
  while (platform::PeekMessage(msg, true)) {
    platform::TranslateMessage(msg);
    platform::DispatchMessage(msg);
  }
}

}  // namespace nimbrel
