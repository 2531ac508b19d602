#include "support/message_box_watch.h"

#include "support/message_wait.h"

namespace {

struct BoxSearch {
    DWORD processId;
    HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM search)
{
    auto* s = reinterpret_cast<BoxSearch*>(search);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != s->processId)
        return TRUE;
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    // Reads the title without sending a message: the window's thread may be the one waiting for us.
    wchar_t title[64] = {};
    InternalGetWindowText(window, title, 64);
    if (std::wstring(className) == L"#32770" && std::wstring(title) == L"Database error" &&
        IsWindowVisible(window)) {
        s->box = window;
        return FALSE;
    }
    return TRUE;
}

constexpr int MessageBoxTextId = 0xFFFF;

} // namespace

std::optional<SeenMessageBox> DismissMessageBox(DWORD processId, DWORD timeoutMilliseconds,
                                                const std::function<void(HWND box)>& whileShown, HANDLE stop)
{
    BoxSearch search{processId};
    const auto found = [&] {
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        return search.box != nullptr;
    };
    if (!WaitUntil(found, timeoutMilliseconds, stop))
        return std::nullopt;
    // Once the box's thread answers, the box has laid itself out and runs its own message loop.
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(search.box, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
    if (whileShown)
        whileShown(search.box);
    SeenMessageBox seen;
    wchar_t text[256] = {};
    InternalGetWindowText(search.box, text, 256);
    seen.title = text;
    GetDlgItemTextW(search.box, MessageBoxTextId, text, 256);
    seen.text = text;
    seen.owner = GetWindow(search.box, GW_OWNER);
    PostMessageW(search.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return seen;
}

MessageBoxWatch::MessageBoxWatch(DWORD timeoutMilliseconds, std::function<void(HWND)> whileShown)
    : timeout_(timeoutMilliseconds), whileShown_(std::move(whileShown))
{
    thread_.reset(CreateThread(nullptr, 0, Watch, this, 0, nullptr));
}

MessageBoxWatch::~MessageBoxWatch() { Result(); }

std::optional<SeenMessageBox> MessageBoxWatch::Result()
{
    thread_.reset();
    return seen_;
}

DWORD WINAPI MessageBoxWatch::Watch(void* self)
{
    auto* watch = static_cast<MessageBoxWatch*>(self);
    watch->seen_ = DismissMessageBox(GetCurrentProcessId(), watch->timeout_, watch->whileShown_);
    return 0;
}
