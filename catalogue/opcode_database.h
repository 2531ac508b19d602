#pragma once

#include <cstdint>
#include <string_view>

// One pass over "tuvex.db3" in the current directory: Open, Query, NextRow until false,
// Close. Nothing outlives Close, so every pass reads the file afresh.
namespace OpcodeDatabase {

inline constexpr const wchar_t* FileName = L"tuvex.db3";

// The longest a pass may keep the window from answering, counted from Open on: a wait for
// another program's lock, the query and whatever the caller does with each row all spend it.
// Past it the query is interrupted and NextRow gives false, as for any failed step.
inline constexpr std::uint64_t PassMilliseconds = 20000;

// Whether a pass that began at `start` has used up its time at `now` (one steady clock).
constexpr bool PassTimeIsUp(std::uint64_t start, std::uint64_t now) { return now - start >= PassMilliseconds; }

bool Open();
bool Query(std::wstring_view sql);
// False at the end of the rows, on any error, and once the pass's time is up.
bool NextRow();
// The text of result column n of the current row; never null, empty for NULL. Valid until
// the next NextRow, ColumnText of the same column, or Close.
const wchar_t* ColumnText(int column);
// The integer value of result column n, read whole: a row's key keeps all 64 bits, so a key
// outside the 32-bit range finds its own record and not another one's.
std::int64_t ColumnInt(int column);
void Close();

} // namespace OpcodeDatabase
