#pragma once
// Hidden windows and per-thread message queues with the semantics of their Win32 namesakes.
// A window belongs to the thread that creates it; its procedure runs only on that thread, and
// it is destroyed when that thread ends.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/sync.h"

namespace platform {

using HWND = struct WindowObject*;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using WindowProc = LRESULT (*)(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam);

constexpr uint32_t kWmQuit = 0x0012;
constexpr uint32_t kSmtoBlock = 0x0001;

struct MSG {
  HWND window = nullptr;
  uint32_t message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Registers a window class for this process; false when the name is taken.
bool RegisterClass(const std::string& className, WindowProc proc);
// A hidden window of a registered class owned by the calling thread; nullptr on failure.
HWND CreateWindow(const std::string& className);
// Destroys the window; messages still queued for it are dropped. Owner thread only.
bool DestroyWindow(HWND window);
LRESULT DefWindowProc(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam);

// From the owner thread: a direct call of the window procedure. From another thread: waits
// until the owner thread has handled it (while the owner pumps messages), meanwhile handling
// messages that other threads send to the caller's own windows; 0 for a window that is gone.
LRESULT SendMessage(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam);
// As SendMessage, but gives up after `timeoutMs`: returns false on a time-out or for a window
// that no longer exists. A message the owner has not started handling when the time runs out
// is withdrawn and never handled later; one already running finishes, its result unused.
// `flags` takes kSmtoBlock (the only mode used): the caller handles nothing while it waits.
bool SendMessageTimeout(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam, uint32_t flags,
                        uint32_t timeoutMs, LRESULT* result);
// Queues the message for the window's owner thread and returns at once.
bool PostMessage(HWND window, uint32_t msg, WPARAM wParam, LPARAM lParam);
// Queues kWmQuit for the calling thread; it is taken after every other posted message.
void PostQuitMessage(int exitCode);

// Handles the messages sent to the calling thread's windows from other threads, then takes
// the next posted message of the calling thread into `msg` (removing it when `remove`);
// false when none is waiting.
bool PeekMessage(MSG& msg, bool remove);
void TranslateMessage(const MSG& msg);
LRESULT DispatchMessage(const MSG& msg);

// Whether the calling thread is handling a message that another thread sent it (inside the
// window procedure that the send runs, or anything called from there).
bool InSendMessage();

// Processes at most one pending message of the calling thread: a quit message is posted
// again instead of being handled, anything else is translated and dispatched.
void PumpOneMessage();

// Sleeps until one of the `count` objects is signalled (kWaitObject0 + its index, the lowest
// when several are), a message for the calling thread is waiting, sent from another thread or
// posted (kWaitObject0 + count; a pending quit need not count), or `timeoutMs` passed
// (kWaitTimeout). Lets a thread wait for others while it keeps handling its messages.
uint32_t MsgWaitForMultipleObjects(uint32_t count, const Handle* objects, uint32_t timeoutMs);

// Called (from whichever thread queues it) whenever a message is queued for the calling
// thread, so that a foreign event loop (Qt's) can be woken and pump the messages inside it,
// also inside its modal dialogs. An empty function removes the hook. The hook runs under no
// lock of this module, so it may queue messages itself; it must return quickly and must not
// wait for the hooked thread, because replacing or removing it waits for running calls.
// On Windows the hook is accepted and never called: the system's queues wake an event loop
// that waits for them, and only our own message numbers (0x0400 .. 0xBFFF) reach a window
// procedure there.
void SetMessageArrivalHook(std::function<void()> hook);

}  // namespace platform
