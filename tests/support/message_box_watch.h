#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "support/kernel_handles.h"

struct SeenMessageBox {
    std::wstring title;
    std::wstring text;
    HWND owner = nullptr;
};

// Waits for a message box of the given process with the title "Database error", calls
// whileShown with it (the box is still up then), reads its text and presses OK. Nothing when
// no box came up within the time or before the stop event (may be null) was set.
std::optional<SeenMessageBox> DismissMessageBox(DWORD processId, DWORD timeoutMilliseconds,
                                                const std::function<void(HWND box)>& whileShown = {},
                                                HANDLE stop = nullptr);

// The same on a thread of its own, for boxes that the test's own thread shows.
class MessageBoxWatch {
public:
    explicit MessageBoxWatch(DWORD timeoutMilliseconds = 10000, std::function<void(HWND box)> whileShown = {});
    ~MessageBoxWatch();
    MessageBoxWatch(const MessageBoxWatch&) = delete;
    MessageBoxWatch& operator=(const MessageBoxWatch&) = delete;

    // Waits for the watching thread to end and gives what it saw.
    std::optional<SeenMessageBox> Result();

private:
    JoinedThread thread_;
    DWORD timeout_;
    std::function<void(HWND)> whileShown_;
    std::optional<SeenMessageBox> seen_;
    static DWORD WINAPI Watch(void* self);
};
