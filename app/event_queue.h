#pragma once

#include <optional>

// What the window procedures hand to the event loop. A control event names the control
// and its notification code (EN_CHANGE, NM_CLICK, ...); the close request stands alone.
enum class EventKind { Control, Close };

struct ControlEvent {
    EventKind kind = EventKind::Control;
    int control = -1;
    int code = 0;

    friend bool operator==(const ControlEvent&, const ControlEvent&) = default;
};

// The code under which both NM_CLICK on a selected row and the list's own WM_LBUTTONUP
// are queued, so the two halves of one click meet at the tail and count once.
constexpr int ListLeftClick = -2; // NM_CLICK

void QueueControlEvent(int control, int code);
void QueueCloseRequest();
std::optional<ControlEvent> TakePendingEvent();
bool HasPendingEvent();
void DiscardPendingEvents();

// While one of these lives, events raised by the program's own writes to its controls
// (setting a text, filling the list) are dropped instead of queued.
class SuppressControlEvents {
public:
    SuppressControlEvents();
    ~SuppressControlEvents();
    SuppressControlEvents(const SuppressControlEvents&) = delete;
    SuppressControlEvents& operator=(const SuppressControlEvents&) = delete;
};
