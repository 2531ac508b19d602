#pragma once

#include <cstdint>
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
// The integer value of result column n, read whole: a row's key keeps all 64 bits, so a key
// outside the 32-bit range finds its own record and not another one's.
std::int64_t ColumnInt(int column);
void Close();

} // namespace OpcodeDatabase
