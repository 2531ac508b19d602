// The main window, its four controls and the filter fields' tooltip.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <string>

#include "app/controls.h"
#include "app/event_queue.h"
#include "app/focus.h"
#include "app/grid_lines.h"
#include "app/win32_handles.h"

namespace {

constexpr wchar_t MainWindowClass[] = L"X86OpcodesMainWindow";
constexpr wchar_t MainWindowTitle[] = L"x86 opcodes";
constexpr DWORD MainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int ClientWidth = 640;
constexpr int ClientHeight = 480;

UniqueWindow MainWindow;
UniqueWindow FilterTooltip;
UniqueAccelerators Accelerators;
std::array<HWND, ControlCount> Controls{};
MessageHook Hook = nullptr;
WNDPROC ListProcedure = nullptr;
WNDPROC FilterTooltipProcedure = nullptr;

HINSTANCE ModuleInstance() { return GetModuleHandleW(nullptr); }

void OnClose(HWND) { QueueCloseRequest(); }

int ControlNumberOf(HWND control) { return static_cast<int>(GetWindowLongPtrW(control, GWLP_ID)); }

void OnCommand(HWND window, int id, HWND control, UINT code)
{
    if (control) {
        QueueControlEvent(ControlNumberOf(control), static_cast<int>(code));
        return;
    }
    if (code == 1 && (id == FocusNextCommand || id == FocusPreviousCommand))
        MoveFocus(window, static_cast<WORD>(id));
}

// The list's notifications that the event loop hears of; the rest (the header click among
// them) end in the default handling.
LRESULT OnListNotify(HWND window, NMHDR* header)
{
    switch (header->code) {
    case NM_CLICK:
        if (SelectedListRow() != -1)
            QueueControlEvent(OpcodeList, ListLeftClick);
        break;
    case LVN_ITEMCHANGED:
    case NM_RCLICK:
    case NM_DBLCLK:
    case NM_RDBLCLK:
    case LVN_BEGINDRAG:
        QueueControlEvent(OpcodeList, static_cast<int>(header->code));
        break;
    case NM_CUSTOMDRAW:
        return DrawListGridLines(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
    case LVN_DELETEALLITEMS:
        return TRUE; // no LVN_DELETEITEM for each row: nothing listens for them
    }
    return DefWindowProcW(window, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

LRESULT OnNotify(HWND window, int, NMHDR* header)
{
    if (header->hwndFrom == Controls[OpcodeList] && header->hwndFrom)
        return OnListNotify(window, header);
    return DefWindowProcW(window, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

void OnActivate(HWND, UINT state, HWND, BOOL) { RememberOrRestoreFocus(state); }

LRESULT CALLBACK MainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Hook)
        Hook(window, message, wParam, lParam);
    switch (message) {
        HANDLE_MSG(window, WM_CLOSE, OnClose);
        HANDLE_MSG(window, WM_COMMAND, OnCommand);
        HANDLE_MSG(window, WM_NOTIFY, OnNotify);
        HANDLE_MSG(window, WM_ACTIVATE, OnActivate);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ListWrapperProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONUP)
        QueueControlEvent(OpcodeList, ListLeftClick);
    else if (message == WM_PAINT)
        return PaintListWithGridLines(window, wParam, lParam, ListProcedure);
    return CallWindowProcW(ListProcedure, window, message, wParam, lParam);
}

// The filter tips share a top-most tooltip that lifts itself above everything before it paints.
LRESULT CALLBACK FilterTooltipWrapperProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT)
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    return CallWindowProcW(FilterTooltipProcedure, window, message, wParam, lParam);
}

void CenterOnScreen(HWND window)
{
    RECT outer{};
    GetWindowRect(window, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int x = (screenWidth - std::min(screenWidth, width)) / 2;
    const int y = (screenHeight - std::min(screenHeight, height)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

struct ControlLayout {
    int number;
    const wchar_t* windowClass;
    DWORD style;
    RECT bounds; // left, top, width, height
};

constexpr DWORD FilterStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;

// In creation order, which is also the tab order.
constexpr ControlLayout Layout[] = {
    {OpcodeList, WC_LISTVIEWW,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
     {0, 20, 640, 400}},
    {DetailPane, WC_EDITW, WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL,
     {0, 420, 640, 60}},
    {MnemonicFilter, WC_EDITW, FilterStyle, {0, 0, 320, 20}},
    {BytesFilter, WC_EDITW, FilterStyle, {320, 0, 320, 20}},
};

void InsertListColumn(HWND list, int index)
{
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.cx = ListColumns[index].width;
    column.pszText = const_cast<wchar_t*>(ListColumns[index].title);
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

HWND MakeControl(const ControlLayout& layout)
{
    const bool isList = layout.number == OpcodeList;
    HWND control = CreateWindowExW(WS_EX_CLIENTEDGE, layout.windowClass, isList ? nullptr : L"", layout.style,
                                   layout.bounds.left, layout.bounds.top, layout.bounds.right,
                                   layout.bounds.bottom, MainWindow.get(), nullptr, ModuleInstance(), nullptr);
    Controls[layout.number] = control;
    if (!control)
        return nullptr;
    SetWindowLongPtrW(control, GWLP_ID, layout.number);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 1);
    if (isList) {
        constexpr DWORD listExtras = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
        SendMessageW(control, LVM_SETEXTENDEDLISTVIEWSTYLE, listExtras, listExtras);
        InsertListColumn(control, 0);
        ListProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListWrapperProcedure)));
    }
    return control;
}

void EnsureFilterTooltip()
{
    if (FilterTooltip)
        return;
    FilterTooltip.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                        WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, ModuleInstance(), nullptr));
    if (FilterTooltip)
        FilterTooltipProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            FilterTooltip.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FilterTooltipWrapperProcedure)));
}

void AttachFilterTip(int number, const wchar_t* text)
{
    EnsureFilterTooltip();
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = MainWindow.get();
    tool.uId = reinterpret_cast<UINT_PTR>(Controls[number]);
    tool.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(FilterTooltip.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(FilterTooltip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

} // namespace

HWND MainWindowHandle() { return MainWindow.get(); }

HWND ControlWindow(int number) { return number >= 0 && number < ControlCount ? Controls[number] : nullptr; }

HACCEL MainWindowAccelerators() { return Accelerators.get(); }

void InstallMessageHook(MessageHook hook) { Hook = hook; }

bool OpenMainWindow()
{
    WNDCLASSW windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = MainWindowProcedure;
    windowClass.hInstance = ModuleInstance();
    windowClass.hIcon = LoadIconW(ModuleInstance(), MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = MainWindowClass;
    RegisterClassW(&windowClass);

    RECT outer{0, 0, ClientWidth, ClientHeight};
    AdjustWindowRectEx(&outer, MainWindowStyle, FALSE, 0);
    MainWindow.reset(CreateWindowExW(0, MainWindowClass, MainWindowTitle, MainWindowStyle, 0, 0,
                                     outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                     ModuleInstance(), nullptr));
    if (!MainWindow) {
        UnregisterClassW(MainWindowClass, ModuleInstance());
        return false;
    }
    CenterOnScreen(MainWindow.get());
    ShowWindow(MainWindow.get(), SW_SHOWNORMAL);
    Accelerators.reset(CreateFocusAccelerators());
    return true;
}

void CreateControls()
{
    for (const ControlLayout& layout : Layout) {
        HWND control = MakeControl(layout);
        if (layout.number == OpcodeList)
            InsertListColumn(control, 1);
        else if (layout.number == MnemonicFilter)
            AttachFilterTip(MnemonicFilter, L"filter for mnemonics");
        else if (layout.number == BytesFilter)
            AttachFilterTip(BytesFilter, L"filter for bytes");
    }
}

std::wstring ReadControlText(int number)
{
    HWND control = ControlWindow(number);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)), L'\0');
    if (!text.empty())
        text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()) + 1)));
    return text;
}

void SetControlText(int number, const std::wstring& text)
{
    SuppressControlEvents ownWrite;
    SetWindowTextW(ControlWindow(number), text.c_str());
}

int SelectedListRow()
{
    HWND list = ControlWindow(OpcodeList);
    if (!list)
        return -1;
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         MAKELPARAM(LVNI_SELECTED, 0)));
}

std::int64_t ListRowKey(int row)
{
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageW(ControlWindow(OpcodeList), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return 0;
    return item.lParam;
}

void DestroyWindows()
{
    FilterTooltip.reset();
    const bool hadWindow = static_cast<bool>(MainWindow);
    MainWindow.reset();
    Controls.fill(nullptr);
    if (hadWindow)
        UnregisterClassW(MainWindowClass, ModuleInstance());
    Accelerators.reset();
}
