#pragma once

#include <windows.h>

// One turn of the loop gets one wake-up: the oldest queued control event or close request,
// otherwise the next window message, which is dispatched first.
enum class LoopStep { Continue, Leave };

// Hands a message to the accelerator table when the main window is active, otherwise to
// the window procedures.
void DeliverMessage(MSG& message);

// Takes and handles one wake-up, blocking in GetMessageW when nothing is queued. Leave means
// the program must end: Escape is down, or the close request was taken.
LoopStep RunLoopOnce();

void RunEventLoop();
