#include "app/event_queue.h"

#include <windows.h>
#include <commctrl.h>

#include <deque>

static_assert(ListLeftClick == static_cast<int>(NM_CLICK));

namespace {

std::deque<ControlEvent> PendingEvents;
int SuppressionDepth = 0;

void Queue(const ControlEvent& event)
{
    if (!PendingEvents.empty() && PendingEvents.back() == event)
        return;
    PendingEvents.push_back(event);
}

} // namespace

void QueueControlEvent(int control, int code)
{
    if (SuppressionDepth == 0)
        Queue({EventKind::Control, control, code});
}

void QueueCloseRequest() { Queue({EventKind::Close, -1, 0}); }

std::optional<ControlEvent> TakePendingEvent()
{
    if (PendingEvents.empty())
        return std::nullopt;
    ControlEvent event = PendingEvents.front();
    PendingEvents.pop_front();
    return event;
}

bool HasPendingEvent() { return !PendingEvents.empty(); }

void DiscardPendingEvents() { PendingEvents.clear(); }

SuppressControlEvents::SuppressControlEvents() { ++SuppressionDepth; }
SuppressControlEvents::~SuppressControlEvents() { --SuppressionDepth; }
