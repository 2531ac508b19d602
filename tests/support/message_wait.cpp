#include "support/message_wait.h"

#include <algorithm>

namespace {

void DispatchWaitingMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

} // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds, HANDLE stopOn, DWORD pollMilliseconds,
               void (*deliverMessages)())
{
    const auto deliver = deliverMessages ? deliverMessages : DispatchWaitingMessages;
    const ULONGLONG deadline = GetTickCount64() + timeoutMilliseconds;
    for (;;) {
        deliver();
        if (done && done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        const DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, pollMilliseconds));
        const DWORD woke = MsgWaitForMultipleObjectsEx(stopOn ? 1 : 0, stopOn ? &stopOn : nullptr, slice,
                                                       QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (stopOn && woke == WAIT_OBJECT_0) {
            deliver();
            return done && done();
        }
    }
}

void DeliverMessagesFor(DWORD milliseconds, void (*deliverMessages)())
{
    WaitUntil(nullptr, milliseconds, nullptr, milliseconds, deliverMessages);
}
