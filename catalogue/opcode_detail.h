#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The record last shown in the detail pane.
extern std::wstring DetailText;

std::wstring BuildDetailQuery(std::int64_t key);

// The longest part of one value that the pane shows. Values past it come only from files
// made to harm the reader, and an edit control can take minutes to lay out a line of a
// megabyte; the list still shows the whole value.
constexpr std::size_t LongestShownValue = 16384;

// The three lines of one record from its columns 1 to 6 (index 0 unused), each value cut
// to the longest shown.
std::wstring BuildDetailText(const wchar_t* const (&columns)[7]);

// Reads the record with this key afresh and shows it in the detail pane. Reports a database
// that cannot be opened and carries on; a failed query changes nothing.
void ShowOpcodeDetail(std::int64_t key);
