#pragma once

#include <string>

// The record last shown in the detail pane.
extern std::wstring DetailText;

std::wstring BuildDetailQuery(int key);

// The three lines of one record from its columns 1 to 6 (index 0 unused).
std::wstring BuildDetailText(const wchar_t* const (&columns)[7]);

// Reads the record with this key afresh and shows it in the detail pane. Reports a database
// that cannot be opened and carries on; a failed query changes nothing.
void ShowOpcodeDetail(int key);
