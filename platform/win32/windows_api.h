#pragma once
// <windows.h> for the Windows implementations of platform/. Our functions share their names
// with Win32 functions that <windows.h> turns into A/W macros; those macros are removed here,
// so the Win32 ones are called by their explicit names (CreateEventA, SendMessageTimeoutA ...).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#undef CreateEvent
#undef CreateWindow
#undef DefWindowProc
#undef DispatchMessage
#undef PeekMessage
#undef PostMessage
#undef RegisterClass
#undef SendMessage
#undef SendMessageTimeout
