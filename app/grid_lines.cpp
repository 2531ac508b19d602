#include "app/grid_lines.h"

#include "app/controls.h"
#include "app/win32_handles.h"

namespace {

int HeaderBottom(HWND list)
{
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    if (!header || !IsWindowVisible(header))
        return 0;
    RECT headerRect{};
    GetWindowRect(header, &headerRect);
    MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&headerRect), 2);
    return headerRect.bottom;
}

// The height a row of the list would have, measured without one: the list's font height
// and the one pixel of padding the list puts under each row's text.
int EmptyListRowHeight(HWND list)
{
    const UniqueWindowDc dc = GetWindowDc(list);
    const HGDIOBJ listFont = reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0));
    const UniqueSelection fontSelected = SelectInto(dc.get().dc, listFont);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.get().dc, &metrics);
    return metrics.tmHeight + 1;
}

// With rows, the first row's rectangle gives both spacing and position; an empty list is
// ruled at the height its rows would have: the list's font height plus the list's padding.
void MeasureRows(HWND list, int headerBottom, GridLayout& grid)
{
    RECT row{};
    row.left = LVIR_BOUNDS;
    if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > 0 &&
        SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)) && row.bottom > row.top) {
        grid.firstRowTop = row.top;
        grid.rowHeight = row.bottom - row.top;
        return;
    }
    grid.firstRowTop = headerBottom;
    grid.rowHeight = EmptyListRowHeight(list);
}

void DrawLines(HWND list, HDC dc)
{
    RECT client{};
    GetClientRect(list, &client);
    GridLayout grid{};
    grid.headerBottom = HeaderBottom(list);
    grid.clientBottom = client.bottom;
    MeasureRows(list, grid.headerBottom, grid);
    if (grid.rowHeight <= 0)
        return;

    const UniquePen pen(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE)));
    const UniqueSelection penSelected = SelectInto(dc, pen.get());

    ForEachRowBoundary(grid, [&](int y) {
        MoveToEx(dc, client.left, y, nullptr);
        LineTo(dc, client.right, y);
    });

    const int scrolled = GetScrollPos(list, SB_HORZ);
    int columnEdge = -scrolled;
    const bool hasRows = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > 0;
    for (int column = 0; column < ListColumnCount; ++column) {
        columnEdge += static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
        if (column == ListColumnCount - 1 && !hasRows)
            break;
        MoveToEx(dc, columnEdge - 1, grid.headerBottom, nullptr);
        LineTo(dc, columnEdge - 1, grid.clientBottom);
    }
}

bool RuledInThisPaint = false;

} // namespace

LRESULT DrawListGridLines(const NMLVCUSTOMDRAW* draw)
{
    HWND list = draw->nmcd.hdr.hwndFrom;
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return IsWindowEnabled(list) ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
    case CDDS_POSTPAINT:
        DrawLines(list, draw->nmcd.hdc);
        RuledInThisPaint = true;
        return CDRF_DODEFAULT;
    }
    return CDRF_DODEFAULT;
}

LRESULT PaintListWithGridLines(HWND list, WPARAM wParam, LPARAM lParam, WNDPROC listProcedure)
{
    RuledInThisPaint = false;
    const LRESULT result = CallWindowProcW(listProcedure, list, WM_PAINT, wParam, lParam);
    // Some list implementations skip custom drawing altogether while the list has no rows; the
    // empty list is ruled all the same, over what the list has painted.
    if (!RuledInThisPaint && IsWindowEnabled(list)) {
        if (HDC given = reinterpret_cast<HDC>(wParam))
            DrawLines(list, given);
        else if (const UniqueWindowDc own = GetWindowDc(list))
            DrawLines(list, own.get().dc);
    }
    return result;
}
