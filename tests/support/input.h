#pragma once

#include <windows.h>

// Real input through SendInput, as a user's mouse and keyboard would give it.
void SendMouseInput(DWORD buttonFlags, POINT screen); // moves there, then the button flags (0: only move)
void SendKeyInput(WORD key, bool up);
