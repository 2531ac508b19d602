#pragma once

#include <windows.h>

#include "app/unique_handle.h"

// An event's or a process's handle, closed once by its one owner.
using UniqueKernelHandle = UniqueHandle<HANDLE, &CloseHandle>;

// A thread's handle, whose owner waits for the thread to end before closing it, so nothing the
// thread works on goes away under it.
inline void WaitForThenClose(HANDLE thread)
{
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}
using JoinedThread = UniqueHandle<HANDLE, &WaitForThenClose>;
