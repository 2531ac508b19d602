#include "catalogue/column_sort.h"

#include <commctrl.h>

#include "app/controls.h"
#include "catalogue/refresh_list.h"
#include "catalogue/sort_state.h"

int SortMnemonic = NotSorted;
int SortBytes = NotSorted;

int NextSortState(int current) { return current == SortAscending ? SortDescending : SortAscending; }

int FormatWithSortArrow(int format, int state)
{
    format &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (state == SortAscending)
        format |= HDF_SORTDOWN;
    else if (state == SortDescending)
        format |= HDF_SORTUP;
    return format;
}

namespace {

void ShowSortState(HWND header, int column, int state)
{
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
    item.fmt = FormatWithSortArrow(item.fmt, state);
    SendMessageW(header, HDM_SETITEMW, column, reinterpret_cast<LPARAM>(&item));
}

void SortByColumn(int column)
{
    HWND header = reinterpret_cast<HWND>(SendMessageW(ControlWindow(OpcodeList), LVM_GETHEADER, 0, 0));
    int& clicked = column == 0 ? SortMnemonic : SortBytes;
    int& other = column == 0 ? SortBytes : SortMnemonic;

    clicked = NextSortState(clicked);
    ShowSortState(header, column, clicked);
    other = NotSorted;
    ShowSortState(header, 1 - column, other);

    RefreshList();
}

} // namespace

void WindowCallback(HWND, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_NOTIFY)
        return;
    const auto* notification = reinterpret_cast<const NMHDR*>(lParam);
    if (!notification->hwndFrom || notification->hwndFrom != ControlWindow(OpcodeList))
        return;
    if (notification->code != LVN_COLUMNCLICK)
        return;
    const int column = reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem;
    if (column == 0 || column == 1)
        SortByColumn(column);
}
