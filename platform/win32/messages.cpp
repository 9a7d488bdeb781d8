#include "platform/messages.h"

#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/win32/cross_thread_sends.h"
#include "platform/win32/windows_api.h"

// Hidden windows are message-only windows of classes registered with RegisterClassA; messages
// travel through the system's queues (SendMessageTimeoutA, PostMessageA, PeekMessageA), so a
// foreign event loop that dispatches Win32 messages (Qt's) handles them without our help.
//
// The header's promises that Win32 does not make by itself are kept here:
//   - A message sent from another thread goes as a private message that carries only its id
//     (see cross_thread_sends.h), so one the owner reaches after the sender gave up is never
//     handled, and the sender learns whether the procedure completed.
//   - An exception never unwinds through the system's frames: the window procedure's wrapper
//     catches it, the send fails, and the exception is thrown again on the owner thread from
//     our next PeekMessage, DispatchMessage or SendMessage call there.
//   - Only our own messages (WM_USER .. 0xBFFF) reach a window procedure; the system's
//     messages to the window (creation, destruction ...) go to DefWindowProcA.
//   - A destroyed window takes the messages posted to it with it and releases its senders.

namespace {

// The parent of message-only windows (outside our namespace, whose HWND is our own type).
const HWND kMessageOnlyParent = HWND_MESSAGE;

}  // namespace

namespace platform {

namespace {

::HWND Native(HWND window) { return reinterpret_cast<::HWND>(window); }
HWND Ours(::HWND window) { return reinterpret_cast<HWND>(window); }

UINT CrossThreadSendMessage() {
  static const UINT message = RegisterWindowMessageA("Nimbrel.CrossThreadSend");
  return message;
}

bool IsOwnMessage(UINT msg) { return msg >= WM_USER && msg < 0xC000; }

std::mutex& ClassMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

std::map<std::string, WindowProc>& Classes() {
  static auto* classes = new std::map<std::string, WindowProc>;
  return *classes;
}

// An exception of a window procedure of this thread, waiting to be thrown outside the
// system's frames. A plain pointer: with mingw-w64, a thread_local that has a destructor can
// be destroyed after its storage was freed when the thread ends.
thread_local std::exception_ptr* pendingException = nullptr;

void KeepPending(std::exception_ptr exception) {
  if (pendingException == nullptr) pendingException = new std::exception_ptr(std::move(exception));
}

void ThrowPending() {
  if (pendingException == nullptr) return;
  const std::unique_ptr<std::exception_ptr> pending(std::exchange(pendingException, nullptr));
  std::rethrow_exception(*pending);
}

// Runs the procedure; false when it threw (the exception is kept for ThrowPending).
bool CallProcedure(const MSG& msg, LRESULT& result) {
  const auto proc = reinterpret_cast<WindowProc>(GetWindowLongPtrA(Native(msg.window), 0));
  if (proc == nullptr) return false;
  try {
    result = proc(msg.window, msg.message, msg.wParam, msg.lParam);
    return true;
  } catch (...) {
    KeepPending(std::current_exception());
    return false;
  }
}

LRESULT HandleCrossThreadSend(uintptr_t id) {
  const std::shared_ptr<CrossThreadSend> send = CrossThreadSends::Instance().Start(id);
  if (send == nullptr) return 0;
  LRESULT result = 0;
  const bool completed = CallProcedure(send->msg, result);
  CrossThreadSends::Instance().Finish(*send, completed, result);
  return result;
}

LRESULT CALLBACK Procedure(::HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == CrossThreadSendMessage()) return HandleCrossThreadSend(static_cast<uintptr_t>(lParam));
  if (!IsOwnMessage(msg)) return DefWindowProcA(window, msg, wParam, lParam);
  LRESULT result = 0;
  CallProcedure(MSG{Ours(window), msg, wParam, lParam}, result);
  return result;
}

DWORD OwnerThread(HWND window) {
  return window == nullptr ? 0 : GetWindowThreadProcessId(Native(window), nullptr);
}

bool IsOwnWindow(HWND window) {
  const DWORD owner = OwnerThread(window);
  return owner != 0 && owner == GetCurrentThreadId();
}

// Sends to a window of another thread, waiting at most `timeoutMs` when given.
bool SendAcross(const MSG& msg, bool block, std::optional<uint32_t> timeoutMs, LRESULT* result) {
  const uintptr_t id = CrossThreadSends::Instance().Add(msg);
  const UINT send = CrossThreadSendMessage();
  const auto param = static_cast<LPARAM>(id);
  if (!timeoutMs) {
    SendMessageA(Native(msg.window), send, 0, param);
  } else {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(Native(msg.window), send, 0, param, block ? SMTO_BLOCK : SMTO_NORMAL,
                        *timeoutMs, &ignored);
  }
  return CrossThreadSends::Instance().Withdraw(id, result);
}

// A window of the calling thread: the system calls its procedure directly.
bool SendOwn(const MSG& msg, std::optional<uint32_t> timeoutMs, LRESULT* result) {
  DWORD_PTR value = 0;
  const bool sent = SendMessageTimeoutA(Native(msg.window), msg.message, msg.wParam, msg.lParam,
                                        SMTO_BLOCK, timeoutMs.value_or(INFINITE), &value) != 0;
  ThrowPending();
  if (sent && result != nullptr) *result = static_cast<LRESULT>(value);
  return sent;
}

bool Send(const MSG& msg, bool block, std::optional<uint32_t> timeoutMs, LRESULT* result) {
  const DWORD owner = OwnerThread(msg.window);
  if (owner == 0) return false;
  if (owner == GetCurrentThreadId()) return SendOwn(msg, timeoutMs, result);
  return SendAcross(msg, block, timeoutMs, result);
}

::MSG Native(const MSG& msg) {
  ::MSG native{};
  native.hwnd = Native(msg.window);
  native.message = msg.message;
  native.wParam = msg.wParam;
  native.lParam = msg.lParam;
  return native;
}

// Messages sent to this thread's windows from other threads are handled by any peek.
void HandleSent() {
  ::MSG ignored;
  PeekMessageA(&ignored, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace

bool RegisterClass(const std::string& className, WindowProc proc) {
  if (className.empty() || proc == nullptr) return false;
  std::lock_guard lock(ClassMutex());
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = Procedure;
  windowClass.cbWndExtra = sizeof(LONG_PTR);  // the procedure
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = className.c_str();
  if (RegisterClassA(&windowClass) == 0) return false;
  Classes()[className] = proc;
  return true;
}

HWND CreateWindow(const std::string& className) {
  WindowProc proc = nullptr;
  {
    std::lock_guard lock(ClassMutex());
    const auto it = Classes().find(className);
    if (it == Classes().end()) return nullptr;
    proc = it->second;
  }
  const ::HWND window = CreateWindowExA(0, className.c_str(), "", 0, 0, 0, 0, 0, kMessageOnlyParent,
                                        nullptr, GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) return nullptr;
  SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(proc));
  return Ours(window);
}

bool DestroyWindow(HWND window) {
  if (!IsOwnWindow(window)) return false;
  const bool sendersWait = CrossThreadSends::Instance().DropQueuedFor(window);
  ::MSG posted;
  while (PeekMessageA(&posted, Native(window), 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) {
  }
  if (!::DestroyWindow(Native(window))) return false;
  // The system answers the dropped messages (to a window that is gone) when it hands them out.
  if (sendersWait) HandleSent();
  return true;
}

LRESULT DefWindowProc(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(Native(window), msg, wParam, lParam);
}

LRESULT SendMessage(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  Send(MSG{window, msg, wParam, lParam}, false, std::nullopt, &result);
  return result;
}

bool SendMessageTimeout(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam, uint32_t flags,
                        uint32_t timeoutMs, LRESULT* result) {
  return Send(MSG{window, msg, wParam, lParam}, (flags & kSmtoBlock) != 0, timeoutMs, result);
}

bool PostMessage(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam) {
  return PostMessageA(Native(window), msg, wParam, lParam) != 0;
}

void PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

bool PeekMessage(MSG& msg, bool remove) {
  ThrowPending();
  HandleSent();
  ThrowPending();
  ::MSG native{};
  if (!PeekMessageA(&native, nullptr, 0, 0, remove ? PM_REMOVE : PM_NOREMOVE)) return false;
  msg = MSG{Ours(native.hwnd), native.message, native.wParam, native.lParam};
  return true;
}

void TranslateMessage(const MSG& msg) {
  const ::MSG native = Native(msg);
  ::TranslateMessage(&native);
}

LRESULT DispatchMessage(const MSG& msg) {
  if (!IsOwnWindow(msg.window)) return 0;
  const ::MSG native = Native(msg);
  const LRESULT result = DispatchMessageA(&native);
  ThrowPending();
  return result;
}

bool InSendMessage() { return ::InSendMessage() != FALSE; }

void PumpOneMessage() {
  // Messages sent from other threads count as the one: the system hands them all out at once,
  // before any posted message, so a posted one waits for the next call.
  if (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) {
    ThrowPending();
    HandleSent();
    ThrowPending();
    return;
  }
  MSG msg;
  if (!PeekMessage(msg, true)) return;
  if (msg.message == kWmQuit) {
    ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the thread's own loop
    return;
  }
  TranslateMessage(msg);
  DispatchMessage(msg);
}

// The system's queues wake the event loop that waits for them (Qt's waits in
// MsgWaitForMultipleObjectsEx), so no hook is needed: it is accepted and never called.
void SetMessageArrivalHook(std::function<void()>) {}

}  // namespace platform
