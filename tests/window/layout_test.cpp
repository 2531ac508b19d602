#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "window/program_window.h"

namespace {

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

RECT RectInMainClient(HWND control)
{
    RECT bounds{};
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, MainWindowHandle(), reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

struct ExpectedControl {
    int number;
    const wchar_t* windowClass;
    LONG_PTR style;
    RECT bounds;
};

constexpr LONG_PTR FilterStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;

const ExpectedControl ExpectedControls[] = {
    {OpcodeList, L"SysListView32",
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
     {0, 20, 640, 420}},
    {DetailPane, L"Edit", WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL,
     {0, 420, 640, 480}},
    {MnemonicFilter, L"Edit", FilterStyle, {0, 0, 320, 20}},
    {BytesFilter, L"Edit", FilterStyle, {320, 0, 640, 20}},
};

using Layout = ProgramWindowTest;

TEST_F(Layout, MainWindowIsAFixedCentredWindowWithA640By480ClientArea)
{
    HWND main = MainWindowHandle();
    wchar_t title[64] = {};
    GetWindowTextW(main, title, 64);
    EXPECT_STREQ(title, L"x86 opcodes");

    const LONG_PTR style = GetWindowLongPtrW(main, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CHILD | WS_POPUP), 0);
    EXPECT_EQ(GetWindowLongPtrW(main, GWL_EXSTYLE) & ~(WS_EX_WINDOWEDGE), 0) << "no extended style of our own";
    EXPECT_EQ(GetParent(main), nullptr);
    EXPECT_EQ(GetMenu(main), nullptr);

    RECT client{};
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);

    RECT outer{};
    GetWindowRect(main, &outer);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(outer.left, (screenWidth - std::min<int>(screenWidth, outer.right - outer.left)) / 2);
    EXPECT_EQ(outer.top, (screenHeight - std::min<int>(screenHeight, outer.bottom - outer.top)) / 2);

    EXPECT_EQ(GetClassLongPtrW(main, GCL_STYLE), CS_DBLCLKS);
    EXPECT_EQ(GetClassLongPtrW(main, GCLP_HBRBACKGROUND), COLOR_BTNFACE + 1);
    EXPECT_NE(GetClassLongPtrW(main, GCLP_HICON), 0) << "the program's own icon";
    EXPECT_EQ(GetClassLongPtrW(main, GCLP_HCURSOR), reinterpret_cast<LONG_PTR>(LoadCursorW(nullptr, IDC_ARROW)));
}

TEST_F(Layout, ControlsHaveTheirClassesStylesRectanglesAndNumbers)
{
    for (const ExpectedControl& expected : ExpectedControls) {
        SCOPED_TRACE(expected.number);
        HWND control = ControlWindow(expected.number);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(GetParent(control), MainWindowHandle());
        EXPECT_EQ(ClassOf(control), expected.windowClass);
        EXPECT_EQ(GetWindowLongPtrW(control, GWLP_ID), expected.number);
        EXPECT_EQ(GetWindowLongPtrW(control, GWL_STYLE) & ~WS_CLIPSIBLINGS, expected.style);
        EXPECT_EQ(GetWindowLongPtrW(control, GWL_EXSTYLE), WS_EX_CLIENTEDGE);
        const RECT bounds = RectInMainClient(control);
        EXPECT_EQ(bounds.left, expected.bounds.left);
        EXPECT_EQ(bounds.top, expected.bounds.top);
        EXPECT_EQ(bounds.right, expected.bounds.right);
        EXPECT_EQ(bounds.bottom, expected.bounds.bottom);
    }
}

TEST_F(Layout, ControlsAreMadeInTabOrder)
{
    std::vector<HWND> order;
    for (HWND child = GetWindow(MainWindowHandle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        order.push_back(child);
    EXPECT_EQ(order, (std::vector<HWND>{ControlWindow(OpcodeList), ControlWindow(DetailPane),
                                        ControlWindow(MnemonicFilter), ControlWindow(BytesFilter)}));
}

TEST_F(Layout, ListHasTwoLeftAlignedColumnsAndItsExtendedStyles)
{
    HWND list = ControlWindow(OpcodeList);
    EXPECT_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    ASSERT_EQ(SendMessageW(Header(), HDM_GETITEMCOUNT, 0, 0), 2);
    const std::pair<const wchar_t*, int> columns[] = {{L"Mnem", 300}, {L"Bytes", 320}};
    for (int index = 0; index < 2; ++index) {
        wchar_t text[32] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.pszText = text;
        column.cchTextMax = 32;
        ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(text, columns[index].first);
        EXPECT_EQ(column.cx, columns[index].second);
        EXPECT_EQ(column.iSubItem, index);
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
        EXPECT_EQ(HeaderFormat(index) & (HDF_SORTUP | HDF_SORTDOWN), 0);
    }
}

std::vector<TTTOOLINFOW> ToolsOf(HWND tooltip, std::vector<std::wstring>* texts)
{
    std::vector<TTTOOLINFOW> tools;
    const int count = static_cast<int>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        wchar_t text[1024] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.lpszText = text;
        SendMessageW(tooltip, TTM_ENUMTOOLSW, index, reinterpret_cast<LPARAM>(&tool));
        tools.push_back(tool);
        texts->push_back(text);
    }
    return tools;
}

TEST_F(Layout, OneTopmostTooltipCarriesBothFilterTips)
{
    HWND filterTooltip = TooltipOf(MnemonicFilter);
    ASSERT_NE(filterTooltip, nullptr);
    EXPECT_TRUE(GetWindowLongPtrW(filterTooltip, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindowLongPtrW(filterTooltip, GWL_STYLE) & (WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP),
              WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP);
    EXPECT_EQ(GetWindow(filterTooltip, GW_OWNER), nullptr);

    std::vector<std::wstring> texts;
    const std::vector<TTTOOLINFOW> tools = ToolsOf(filterTooltip, &texts);
    ASSERT_EQ(tools.size(), 2u);
    const std::pair<int, const wchar_t*> expected[] = {{MnemonicFilter, L"filter for mnemonics"},
                                                       {BytesFilter, L"filter for bytes"}};
    for (size_t index = 0; index < 2; ++index) {
        EXPECT_EQ(tools[index].uFlags & (TTF_IDISHWND | TTF_SUBCLASS), UINT(TTF_IDISHWND | TTF_SUBCLASS));
        EXPECT_EQ(tools[index].hwnd, MainWindowHandle());
        EXPECT_EQ(tools[index].uId, reinterpret_cast<UINT_PTR>(ControlWindow(expected[index].first)));
        EXPECT_EQ(texts[index], expected[index].second);
    }
}

TEST_F(Layout, TheFilterTooltipRaisesItselfToTheTopWhenItPaints)
{
    HWND filterTooltip = TooltipOf(MnemonicFilter);
    ASSERT_NE(filterTooltip, nullptr);

    HWND other = CreateWindowExW(WS_EX_TOPMOST, L"Static", L"above", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const auto isAbove = [](HWND upper, HWND lower) {
        for (HWND window = GetWindow(lower, GW_HWNDPREV); window; window = GetWindow(window, GW_HWNDPREV))
            if (window == upper)
                return true;
        return false;
    };
    ASSERT_TRUE(isAbove(other, filterTooltip));

    SendMessageW(filterTooltip, WM_PAINT, 0, 0);
    EXPECT_TRUE(isAbove(filterTooltip, other));
    DestroyWindow(other);
}

} // namespace
