#pragma once

#include <cstddef>

// Empties the opcode list and fills it again from the database with the rows that match
// the two filter texts, in the order of the sort state. When the database cannot be opened
// it reports that and ends the program; it does not return then.
void RefreshList();

// What one refresh lets the list hold: a table of up to 200,000 rows whose two texts average
// up to 160 characters a row lists whole (the reference table has about 1,250 rows of at most 40).
// Past either bound a file is made to harm its reader, and its further rows are left out as
// when the rows end early on an error. Under Wine 200,000 rows take 150 to 550 MB and emptying
// them at the next keystroke takes 6 s, a time that grows with the square of the rows; the
// characters are bounded too because one value may be megabytes long.
inline constexpr int MostListedRows = 200000;
inline constexpr std::size_t MostListedCharacters = std::size_t{32} * 1024 * 1024;

// Whether a row whose two texts hold `rowCharacters` may still be appended to a list that
// holds `rows` rows of `characters` in all.
constexpr bool RowFitsTheList(int rows, std::size_t characters, std::size_t rowCharacters)
{
    return rows < MostListedRows && rowCharacters <= MostListedCharacters - characters;
}

// The steps of RefreshList in their order. An observer hears of each as it ends, so the list
// refresh benchmark can time the steps of the real refresh.
enum class RefreshStep { ListEmptied, DatabaseOpened, QueryPrepared, ListFilled, RedrawRestored, DatabaseClosed };
using RefreshStepObserver = void (*)(RefreshStep ended);
void ObserveRefreshSteps(RefreshStepObserver observer); // nullptr: none
