#pragma once

#include <windows.h>
#include <commctrl.h>

// Custom-draw handling of the opcode list: after the list has painted itself, rule it with
// lines at every row boundary down to its bottom edge and at the column edges.
LRESULT DrawListGridLines(const NMLVCUSTOMDRAW* draw);
// The list's own WM_PAINT, followed by the lines when its painting drew no custom-draw pass.
LRESULT PaintListWithGridLines(HWND list, WPARAM wParam, LPARAM lParam, WNDPROC listProcedure);

// Where the lines go, in the list's client coordinates; kept apart from the drawing so the
// layout can be checked without a window.
struct GridLayout {
    int headerBottom;   // first client row below the header
    int clientBottom;   // one past the last client row
    int firstRowTop;    // top of row 0 in client coordinates (negative when scrolled down)
    int rowHeight;      // > 0
};
// The y of every horizontal line: the last pixel row of each row slot, down to the bottom.
template <typename Visit>
void ForEachRowBoundary(const GridLayout& grid, Visit visit)
{
    int y = grid.firstRowTop + grid.rowHeight - 1;
    if (y < grid.headerBottom) {
        const int skipped = (grid.headerBottom - y + grid.rowHeight - 1) / grid.rowHeight;
        y += skipped * grid.rowHeight;
    }
    for (; y < grid.clientBottom; y += grid.rowHeight)
        visit(y);
}
