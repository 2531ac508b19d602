#pragma once

#include <windows.h>

// The next sort state of a clicked column: unsorted and descending go to ascending,
// ascending goes to descending.
int NextSortState(int current);

// The header format after showing a sort state: HDF_SORTDOWN for ascending, HDF_SORTUP for
// descending, neither for unsorted; every other bit stays.
int FormatWithSortArrow(int format, int state);

// The main window's message hook: a click on a list header sorts by that column and refills
// the list. It looks at every message and consumes none.
void WindowCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
