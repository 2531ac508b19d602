#include <windows.h>
#include <commctrl.h>

#include "app/win32_handles.h"
#include "catalogue/refresh_list.h"
#include "support/fixture_database.h"
#include "window/program_window.h"

namespace {

// Repaints the list and reads its pixels back from the screen.
class ListPixels {
public:
    ListPixels()
    {
        HWND list = ControlWindow(OpcodeList);
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpFor(50);
        dc_ = GetWindowDc(list);
    }
    bool IsLine(int x, int y) const { return GetPixel(dc_.get().dc, x, y) == GetSysColor(COLOR_BTNFACE); }

private:
    UniqueWindowDc dc_;
};

RECT ClientOfList()
{
    RECT client{};
    GetClientRect(ControlWindow(OpcodeList), &client);
    return client;
}

int HeaderBottomInList()
{
    RECT header{};
    GetWindowRect(Header(), &header);
    MapWindowPoints(nullptr, ControlWindow(OpcodeList), reinterpret_cast<POINT*>(&header), 2);
    return header.bottom;
}

RECT RowRect(int row)
{
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    SendMessageW(ControlWindow(OpcodeList), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    return bounds;
}

void FillWithRows(int count)
{
    std::string sql = "create table opc (opid integer primary key, mn, op, a, b, c, d);";
    for (int n = 1; n <= count; ++n)
        sql += "insert into opc values (" + std::to_string(n) + ", 'ROW" + std::to_string(n) + "', 'FF', 0,0,0,0);";
    UseDatabase(sql);
    RefreshList();
    Pump();
}

using GridLines = ProgramWindowTest;

TEST_F(GridLines, RuleEveryRowDownToTheBottomAndTheColumnEdges)
{
    const RECT row = RowRect(0);
    const int height = row.bottom - row.top;
    ASSERT_GT(height, 0);
    const RECT client = ClientOfList();
    const ListPixels pixels;

    int lines = 0;
    for (int y = row.top + height - 1; y < client.bottom; y += height, ++lines) {
        EXPECT_TRUE(pixels.IsLine(150, y)) << "row boundary at y " << y;
        EXPECT_FALSE(pixels.IsLine(150, y - height / 2)) << "inside a row at y " << y - height / 2;
    }
    EXPECT_GT(lines, 6) << "the area under the six rows is ruled too";
    const int middle = (HeaderBottomInList() + client.bottom) / 2 + 1;
    EXPECT_TRUE(pixels.IsLine(299, middle)) << "between the columns";
    EXPECT_TRUE(pixels.IsLine(619, middle)) << "at the right edge of the last column";
    EXPECT_FALSE(pixels.IsLine(450, middle + height / 2));
}

TEST_F(GridLines, AnEmptyListIsRuledAtTheHeightOfARowWithoutTheRightEdge)
{
    const RECT filled = RowRect(0);
    const int height = filled.bottom - filled.top;
    SetText(MnemonicFilter, L"nothing matches this");
    ASSERT_TRUE(ListRows().empty());

    const RECT client = ClientOfList();
    const int top = HeaderBottomInList();
    const ListPixels pixels;
    for (int y = top + height - 1; y < client.bottom; y += height)
        EXPECT_TRUE(pixels.IsLine(150, y)) << "row boundary at y " << y;
    const int middle = (top + client.bottom) / 2 + 1;
    EXPECT_TRUE(pixels.IsLine(299, middle));
    EXPECT_FALSE(pixels.IsLine(619, middle));
}

TEST_F(GridLines, StayOnTheRowBoundariesWhenScrolledDown)
{
    FillWithRows(100);
    HWND list = ControlWindow(OpcodeList);
    const RECT first = RowRect(0);
    const int height = first.bottom - first.top;
    SendMessageW(list, LVM_SCROLL, 0, height * 7 + height / 2);
    PumpFor(30);

    const RECT top = RowRect(static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)));
    ASSERT_LT(RowRect(0).top, 0) << "the list has scrolled";
    const RECT client = ClientOfList();
    const ListPixels pixels;
    for (int y = top.bottom - 1; y < client.bottom; y += height)
        EXPECT_TRUE(pixels.IsLine(150, y)) << "row boundary at y " << y;
}

TEST_F(GridLines, VerticalLinesMoveWithHorizontalScrolling)
{
    HWND list = ControlWindow(OpcodeList);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, 600);
    SendMessageW(list, LVM_SCROLL, 100, 0);
    PumpFor(30);
    const int scrolled = GetScrollPos(list, SB_HORZ);
    ASSERT_GT(scrolled, 0);
    const RECT client = ClientOfList();
    const int middle = (HeaderBottomInList() + client.bottom) / 2 + 1;
    {
        const ListPixels pixels;
        EXPECT_TRUE(pixels.IsLine(299 - scrolled, middle));
        EXPECT_FALSE(pixels.IsLine(299, middle));
    }
    SendMessageW(list, LVM_SCROLL, -scrolled, 0);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, 320);
    PumpFor(30);
}

} // namespace
