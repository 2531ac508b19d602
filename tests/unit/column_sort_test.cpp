#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "catalogue/column_sort.h"
#include "catalogue/sort_state.h"

namespace {

TEST(ColumnSort, CyclesAscendingThenDescendingAndNeverBackToUnsorted)
{
    EXPECT_EQ(NextSortState(NotSorted), SortAscending);
    EXPECT_EQ(NextSortState(SortAscending), SortDescending);
    EXPECT_EQ(NextSortState(SortDescending), SortAscending);
}

TEST(ColumnSort, ArrowBitsFollowTheStateAndOtherBitsStay)
{
    const int otherBits = HDF_RIGHT | HDF_STRING | HDF_BITMAP_ON_RIGHT;
    struct {
        int before;
        int state;
        int after;
    } cases[] = {
        {0, SortAscending, HDF_SORTDOWN},
        {HDF_SORTDOWN, SortDescending, HDF_SORTUP},
        {HDF_SORTUP, SortAscending, HDF_SORTDOWN},
        {HDF_SORTUP | HDF_SORTDOWN, NotSorted, 0},
        {HDF_SORTDOWN, NotSorted, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatWithSortArrow(c.before, c.state), c.after);
        EXPECT_EQ(FormatWithSortArrow(c.before | otherBits, c.state), c.after | otherBits);
    }
}

} // namespace
