#pragma once

#include <windows.h>

#include <string>

// The legend of the operand notation that the detail pane's tooltip shows: 32 lines
// separated by lone carriage returns.
extern std::wstring LegendText;
void AssembleLegendText();

// Gives a control a multi-line tooltip of its own, in a tooltip window that is never touched
// again and lasts until the process ends.
void AttachLegendTooltip(HWND parent, int control, const std::wstring& text);
