#include "app/event_loop.h"

#include "app/controls.h"
#include "app/event_queue.h"
#include "catalogue/opcode_detail.h"
#include "catalogue/refresh_list.h"

namespace {

bool EscapeIsDown() { return (GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0; }

void ActOnControlEvent(const ControlEvent& event)
{
    if (event.control == OpcodeList && event.code == ListLeftClick) {
        const int row = SelectedListRow();
        if (row != -1)
            ShowOpcodeDetail(ListRowKey(row));
    } else if ((event.control == MnemonicFilter || event.control == BytesFilter) && event.code == EN_CHANGE) {
        RefreshList();
    }
}

} // namespace

void DeliverMessage(MSG& message)
{
    HWND mainWindow = MainWindowHandle();
    if (mainWindow && GetActiveWindow() == mainWindow &&
        TranslateAcceleratorW(mainWindow, MainWindowAccelerators(), &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

LoopStep RunLoopOnce()
{
    std::optional<ControlEvent> event = TakePendingEvent();
    if (!event) {
        MSG message{};
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1)
            return LoopStep::Leave;
        DeliverMessage(message);
    }

    if (EscapeIsDown())
        return LoopStep::Leave;
    if (!event)
        return LoopStep::Continue;
    if (event->kind == EventKind::Close)
        return LoopStep::Leave;
    ActOnControlEvent(*event);
    return LoopStep::Continue;
}

void RunEventLoop()
{
    while (RunLoopOnce() == LoopStep::Continue) {
    }
}
