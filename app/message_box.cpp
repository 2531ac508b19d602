#include "app/message_box.h"

#include <windows.h>

#include <vector>

namespace {

struct HeldWindow {
    HWND window;
    bool wasTopmost;
};

BOOL CALLBACK HoldWindow(HWND window, LPARAM heldWindows)
{
    if (IsWindowVisible(window) && IsWindowEnabled(window)) {
        const bool topmost = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        reinterpret_cast<std::vector<HeldWindow>*>(heldWindows)->push_back({window, topmost});
    }
    return TRUE;
}

HWND OwnerForMessage()
{
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    if (foreground)
        GetWindowThreadProcessId(foreground, &process);
    return process == GetCurrentProcessId() ? foreground : nullptr;
}

constexpr UINT KeepPlaceAndActivation = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

} // namespace

void ShowMessage(const wchar_t* title, const wchar_t* text)
{
    HWND owner = OwnerForMessage();

    std::vector<HeldWindow> held;
    EnumThreadWindows(GetCurrentThreadId(), HoldWindow, reinterpret_cast<LPARAM>(&held));
    for (const HeldWindow& h : held) {
        EnableWindow(h.window, FALSE);
        if (h.wasTopmost)
            SetWindowPos(h.window, HWND_NOTOPMOST, 0, 0, 0, 0, KeepPlaceAndActivation);
    }

    MessageBoxW(owner, text, title, MB_OK);

    for (const HeldWindow& h : held) {
        EnableWindow(h.window, TRUE);
        if (h.wasTopmost)
            SetWindowPos(h.window, HWND_TOPMOST, 0, 0, 0, 0, KeepPlaceAndActivation);
    }
}
