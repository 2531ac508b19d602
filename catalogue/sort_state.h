#pragma once

// Sort state of the two list columns: -1 ascending, 1 descending, 0 not sorted. Only the
// header-click handling writes it; after any click exactly the clicked column is non-zero.
extern int SortMnemonic;
extern int SortBytes;

constexpr int SortAscending = -1;
constexpr int SortDescending = 1;
constexpr int NotSorted = 0;
