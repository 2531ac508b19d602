#pragma once

#include <windows.h>

// Tab and Shift+Tab move the keyboard focus through the main window's tab stops.
constexpr WORD FocusNextCommand = 100;
constexpr WORD FocusPreviousCommand = 101;

HACCEL CreateFocusAccelerators();
void MoveFocus(HWND mainWindow, WORD command);

// Keeps the focused control over a deactivation and gives it back on reactivation.
void RememberOrRestoreFocus(UINT activationState);
