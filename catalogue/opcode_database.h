#pragma once

#include <string_view>

// One pass over "tuvex.db3" in the current directory: Open, Query, NextRow until false,
// Close. Nothing outlives Close, so every pass reads the file afresh.
namespace OpcodeDatabase {

inline constexpr const wchar_t* FileName = L"tuvex.db3";

bool Open();
bool Query(std::wstring_view sql);
bool NextRow();
// The text of result column n of the current row; never null, empty for NULL. Valid until
// the next NextRow, ColumnText of the same column, or Close.
const wchar_t* ColumnText(int column);
int ColumnInt(int column);
void Close();

} // namespace OpcodeDatabase
