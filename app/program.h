#pragma once

// Start-up up to the private font: the common controls, the sort state, the main window with
// its controls and tooltips, and the message hook. False when the main window could not be made.
bool OpenProgramWindows();

// Start-up up to the first fill of the list: the common controls, the sort state, the main
// window with its controls and tooltips, the message hook and the private font. False when
// the main window could not be made.
bool StartUpWindows();

// Start-up, the event loop and shutdown of the whole program. Never returns: every path
// ends the process with exit code 0.
[[noreturn]] void RunProgram();

// Ends the program after a list refresh could not open the database: the shutdown
// sequence without the private font's removal (the registration ends with the process).
[[noreturn]] void EndProgramAfterDatabaseError();
