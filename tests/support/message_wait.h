#pragma once

#include <windows.h>

#include <functional>

// Delivers the calling thread's messages until done() holds, the object (may be null) is
// signalled, or the time is up; true when done() held. The thread sleeps in
// MsgWaitForMultipleObjectsEx, so it wakes for each message as it arrives; state that sends
// this thread no message (another process's windows, a box on another thread) is asked again
// every pollMilliseconds. deliverMessages takes the waiting messages off the queue.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds, HANDLE stopOn = nullptr,
               DWORD pollMilliseconds = 20, void (*deliverMessages)() = nullptr);

// Delivers the calling thread's messages for the given time, as they arrive.
void DeliverMessagesFor(DWORD milliseconds, void (*deliverMessages)() = nullptr);
