#include "window/program_window.h"

#include <commctrl.h>

#include <cstdlib>
#include <memory>

#include "app/event_loop.h"
#include "app/event_queue.h"
#include "app/private_font.h"
#include "app/program.h"
#include "catalogue/opcode_detail.h"
#include "catalogue/refresh_list.h"
#include "catalogue/sort_state.h"
#include "support/fixture_database.h"
#include "support/input.h"
#include "support/message_box_watch.h"
#include "support/message_wait.h"
#include "support/temp_folder.h"

HFONT FontsBeforeRegistration[ControlCount] = {};

const char StandardTable[] =
    "create table opc (opid integer primary key, mn text, op text, sw text, len text, flags text, args text);"
    "insert into opc values (1, 'ADD', '00 mr', 'N B', '2~4', 'O---SZAPC', 'rmb,rb');"
    "insert into opc values (2, 'ADC', '10 mr', 'N B', '2~4', 'O---SZAPC', 'rmb,rb');"
    "insert into opc values (3, 'AND', '20 mr', 'N B', '2~4', '0---SZ?P0', 'rmb,rb');"
    "insert into opc values (4, 'CLC', 'F8', '- -', '1', '--------0', NULL);"
    "insert into opc values (5, 'add', '0F 01', '- -', '3', '---------', 'mw');"
    "insert into opc values (6, 'JMP', 'E9 r0 r1', '- -', '3', '---------', 'll');";

namespace {

std::unique_ptr<TempFolder> Folder;

class ProgramWindowEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        Folder = std::make_unique<TempFolder>();
        SetCurrentDirectoryW(Folder->Path().c_str());
        UseDatabase(StandardTable);
        ASSERT_TRUE(OpenProgramWindows());
        for (int n = 0; n < ControlCount; ++n)
            FontsBeforeRegistration[n] = reinterpret_cast<HFONT>(SendMessageW(ControlWindow(n), WM_GETFONT, 0, 0));
        RegisterPrivateFont();
        SetForegroundWindow(MainWindowHandle());
        Pump();
    }

    void TearDown() override
    {
        DestroyWindows();
        DeletePrivateFontObject();
        RemovePrivateFont();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        SetCurrentDirectoryW(temp);
        Folder.reset();
    }
};

const auto* const Registered = testing::AddGlobalTestEnvironment(new ProgramWindowEnvironment);

void DeliverWaitingMessages()
{
    for (;;) {
        MSG message;
        bool acted = false;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DeliverMessage(message);
            acted = true;
        }
        while (HasPendingEvent()) {
            // A pending event is taken without waiting; the close request is left to the caller.
            if (RunLoopOnce() == LoopStep::Leave)
                return;
            acted = true;
        }
        if (!acted)
            return;
    }
}

std::wstring ItemText(int row, int column)
{
    wchar_t buffer[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 512;
    SendMessageW(ControlWindow(OpcodeList), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

} // namespace

std::wstring TestFolder() { return Folder->Path(); }

UnexpectedBoxes::UnexpectedBoxes()
{
    InitializeCriticalSection(&lock_);
    stop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    thread_.reset(CreateThread(nullptr, 0, Watch, this, 0, nullptr));
}

UnexpectedBoxes::~UnexpectedBoxes()
{
    SetEvent(stop_.get());
    thread_.reset();
    DeleteCriticalSection(&lock_);
}

std::vector<std::wstring> UnexpectedBoxes::Texts()
{
    EnterCriticalSection(&lock_);
    std::vector<std::wstring> texts = texts_;
    LeaveCriticalSection(&lock_);
    return texts;
}

DWORD WINAPI UnexpectedBoxes::Watch(void* self)
{
    auto* watch = static_cast<UnexpectedBoxes*>(self);
    while (WaitForSingleObject(watch->stop_.get(), 0) == WAIT_TIMEOUT) {
        if (auto seen = DismissMessageBox(GetCurrentProcessId(), INFINITE, {}, watch->stop_.get())) {
            EnterCriticalSection(&watch->lock_);
            watch->texts_.push_back(seen->text);
            LeaveCriticalSection(&watch->lock_);
        }
    }
    return 0;
}

std::wstring DatabasePath() { return Folder->File(L"tuvex.db3"); }

void UseDatabase(const std::string& sql) { MakeDatabase(DatabasePath(), sql); }

void RemoveDatabase()
{
    SetFileAttributesW(DatabasePath().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(DatabasePath().c_str());
}

void Pump() { DeliverWaitingMessages(); }

void PumpFor(DWORD milliseconds) { DeliverMessagesFor(milliseconds, DeliverWaitingMessages); }

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds)
{
    return WaitUntil(done, timeoutMilliseconds, nullptr, 20, DeliverWaitingMessages);
}

std::vector<ListRow> ListRows()
{
    std::vector<ListRow> rows;
    const int count = static_cast<int>(SendMessageW(ControlWindow(OpcodeList), LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        rows.push_back({ItemText(row, 0), ItemText(row, 1), ListRowKey(row)});
    return rows;
}

std::vector<std::wstring> ListMnemonics()
{
    std::vector<std::wstring> texts;
    for (const ListRow& row : ListRows())
        texts.push_back(row.mnemonic);
    return texts;
}

std::vector<std::wstring> ListBytes()
{
    std::vector<std::wstring> texts;
    for (const ListRow& row : ListRows())
        texts.push_back(row.bytes);
    return texts;
}

void PrintTo(const ListRow& row, std::ostream* out)
{
    *out << testing::PrintToString(row.mnemonic) << "/" << testing::PrintToString(row.bytes) << "/" << row.key;
}

void TypeInto(int control, const std::wstring& text)
{
    for (wchar_t c : text) {
        SendMessageW(ControlWindow(control), WM_CHAR, c, 1);
        Pump();
    }
}

void SetText(int control, const std::wstring& text)
{
    SetWindowTextW(ControlWindow(control), text.c_str());
    Pump();
}

std::wstring TextOf(int control) { return ReadControlText(control); }

// A click close to the last one within the double-click time would make a double click; wait
// the time out, as a user would between two single clicks.
void WaitOutDoubleClick(POINT screen)
{
    static POINT lastPoint{-1000, -1000};
    static ULONGLONG lastTime = 0;
    const bool closeToLast = std::abs(screen.x - lastPoint.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
                      std::abs(screen.y - lastPoint.y) <= GetSystemMetrics(SM_CYDOUBLECLK);
    const ULONGLONG readyAt = lastTime + GetDoubleClickTime() + 50;
    if (closeToLast && GetTickCount64() < readyAt)
        PumpFor(static_cast<DWORD>(readyAt - GetTickCount64()));
    lastPoint = screen;
    lastTime = GetTickCount64();
}

void ClickAt(POINT screen, bool rightButton)
{
    WaitOutDoubleClick(screen);
    SendMouseInput(0, screen);
    PumpFor(30);
    SendMouseInput(rightButton ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, screen);
    SendMouseInput(rightButton ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, screen);
    PumpFor(150);
    // Move away so the next click is not taken as the second half of a double click.
    SendMouseInput(0, {screen.x + 40, screen.y + 40});
    PumpFor(30);
}

void DoubleClickAt(POINT screen)
{
    WaitOutDoubleClick(screen);
    SendMouseInput(0, screen);
    PumpFor(30);
    for (int click = 0; click < 2; ++click) {
        SendMouseInput(MOUSEEVENTF_LEFTDOWN, screen);
        SendMouseInput(MOUSEEVENTF_LEFTUP, screen);
        PumpFor(40);
    }
    PumpFor(150);
}

POINT ListRowPoint(int row)
{
    RECT bounds{};
    bounds.left = LVIR_LABEL;
    SendMessageW(ControlWindow(OpcodeList), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    POINT center{bounds.left + 20, (bounds.top + bounds.bottom) / 2};
    ClientToScreen(ControlWindow(OpcodeList), &center);
    return center;
}

POINT BelowLastRowPoint()
{
    RECT client{};
    GetClientRect(ControlWindow(OpcodeList), &client);
    POINT point{100, client.bottom - 10};
    ClientToScreen(ControlWindow(OpcodeList), &point);
    return point;
}

HWND Header() { return reinterpret_cast<HWND>(SendMessageW(ControlWindow(OpcodeList), LVM_GETHEADER, 0, 0)); }

void ClickHeader(int column)
{
    RECT bounds{};
    SendMessageW(Header(), HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&bounds));
    POINT center{(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
    ClientToScreen(Header(), &center);
    ClickAt(center);
}

int HeaderFormat(int column)
{
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(Header(), HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
    return item.fmt;
}

std::vector<HWND> TooltipWindows()
{
    std::vector<HWND> tooltips;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) {
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (_wcsicmp(name, TOOLTIPS_CLASSW) == 0)
                reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&tooltips));
    return tooltips;
}

HWND TooltipOf(int control)
{
    for (HWND tooltip : TooltipWindows()) {
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        if (SendMessageW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)) &&
            tool.uId == reinterpret_cast<UINT_PTR>(ControlWindow(control)))
            return tooltip;
    }
    return nullptr;
}

void PressKey(WORD key, bool withShift)
{
    if (withShift)
        SendKeyInput(VK_SHIFT, false);
    SendKeyInput(key, false);
    SendKeyInput(key, true);
    if (withShift)
        SendKeyInput(VK_SHIFT, true);
    PumpFor(60);
}

void ProgramWindowTest::SetUp()
{
    UseDatabase(StandardTable);
    SetForegroundWindow(MainWindowHandle());
    for (int control : {MnemonicFilter, BytesFilter, DetailPane})
        SetWindowTextW(ControlWindow(control), L"");
    SortMnemonic = NotSorted;
    SortBytes = NotSorted;
    for (int column : {0, 1}) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(Header(), HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        SendMessageW(Header(), HDM_SETITEMW, column, reinterpret_cast<LPARAM>(&item));
    }
    DetailText.clear();
    PumpFor(20);
    DiscardPendingEvents();
    RefreshList();
    Pump();
}

void ProgramWindowTest::TearDown()
{
    PumpFor(20);
    DiscardPendingEvents();
}
