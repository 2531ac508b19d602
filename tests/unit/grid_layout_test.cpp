#include <gtest/gtest.h>

#include <vector>

#include "app/grid_lines.h"

namespace {

std::vector<int> Boundaries(const GridLayout& grid)
{
    std::vector<int> ys;
    ForEachRowBoundary(grid, [&](int y) { ys.push_back(y); });
    return ys;
}

TEST(GridLayout, RulesEveryRowSlotDownToTheBottom)
{
    // Rows of 10 pixels under a 20-pixel header, 65 pixels of client area.
    EXPECT_EQ(Boundaries({20, 65, 20, 10}), (std::vector<int>{29, 39, 49, 59}));
}

TEST(GridLayout, StaysOnRowBoundariesWhenScrolledDown)
{
    // Scrolled by two and a half rows: row 0 starts 25 pixels above the header's bottom.
    EXPECT_EQ(Boundaries({20, 65, -5, 10}), (std::vector<int>{24, 34, 44, 54, 64}));
    // A boundary that falls under the header is not drawn.
    EXPECT_EQ(Boundaries({20, 40, -1, 10}), (std::vector<int>{28, 38}));
}

TEST(GridLayout, DrawsNothingWhenNoRowFits)
{
    EXPECT_TRUE(Boundaries({20, 25, 20, 10}).empty());
}

} // namespace
