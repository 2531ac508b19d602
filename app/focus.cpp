#include "app/focus.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

HWND RememberedFocus = nullptr;

struct CandidateSearch {
    HWND parent;
    std::vector<HWND> candidates;
};

BOOL CALLBACK CollectCandidate(HWND window, LPARAM search)
{
    auto* s = reinterpret_cast<CandidateSearch*>(search);
    // The enumeration also reaches grandchildren such as the list's header; only direct children count.
    if (GetParent(window) == s->parent && IsWindowEnabled(window) && IsWindowVisible(window) &&
        (GetWindowLongPtrW(window, GWL_STYLE) & WS_TABSTOP))
        s->candidates.push_back(window);
    return TRUE;
}

} // namespace

HACCEL CreateFocusAccelerators()
{
    ACCEL entries[] = {
        {FVIRTKEY | FNOINVERT, VK_TAB, FocusNextCommand},
        {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, FocusPreviousCommand},
    };
    return CreateAcceleratorTableW(entries, static_cast<int>(std::size(entries)));
}

void MoveFocus(HWND mainWindow, WORD command)
{
    CandidateSearch search{mainWindow, {}};
    EnumChildWindows(mainWindow, CollectCandidate, reinterpret_cast<LPARAM>(&search));
    const std::vector<HWND>& candidates = search.candidates;
    if (candidates.empty())
        return;

    const bool forward = command == FocusNextCommand;
    const auto current = std::find(candidates.begin(), candidates.end(), GetFocus());
    HWND next;
    if (current == candidates.end())
        next = forward ? candidates.front() : candidates.back();
    else if (forward)
        next = std::next(current) == candidates.end() ? candidates.front() : *std::next(current);
    else
        next = current == candidates.begin() ? candidates.back() : *std::prev(current);
    SetFocus(next);
}

void RememberOrRestoreFocus(UINT activationState)
{
    if (activationState == WA_INACTIVE)
        RememberedFocus = GetFocus();
    else if (RememberedFocus && IsWindow(RememberedFocus))
        SetFocus(RememberedFocus);
}
