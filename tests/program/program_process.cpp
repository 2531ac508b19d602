#include "program/program_process.h"

#include <commctrl.h>

#include "support/input.h"
#include "support/message_wait.h"

namespace {

std::wstring ProgramPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    folder.resize(folder.find_last_of(L"\\/") + 1);
    return folder + L"x86opcodes.exe";
}

struct MainWindowSearch {
    DWORD processId;
    HWND window = nullptr;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM search)
{
    auto* s = reinterpret_cast<MainWindowSearch*>(search);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t title[64] = {};
    InternalGetWindowText(window, title, 64);
    if (process == s->processId && std::wstring(title) == L"x86 opcodes" && IsWindowVisible(window)) {
        s->window = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

ProgramProcess::ProgramProcess(const std::wstring& currentDirectory)
    : ProgramProcess(currentDirectory, ProgramPath())
{
}

ProgramProcess::ProgramProcess(const std::wstring& currentDirectory, const std::wstring& program)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + program + L"\"";
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       currentDirectory.c_str(), &startup, &info)) {
        process_.reset(info.hProcess);
        id_ = info.dwProcessId;
        CloseHandle(info.hThread);
    }
}

ProgramProcess::~ProgramProcess()
{
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), 99);
        WaitForSingleObject(process_.get(), 5000);
    }
}

HWND ProgramProcess::WaitForMainWindow(DWORD timeoutMilliseconds)
{
    if (main_)
        return main_;
    WaitUntil(
        [this] {
            MainWindowSearch search{id_};
            EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
            main_ = search.window;
            return main_ != nullptr;
        },
        timeoutMilliseconds, process_.get());
    return main_;
}

HWND ProgramProcess::List() const { return main_ ? GetDlgItem(main_, 0) : nullptr; }

HWND ProgramProcess::ListHeader() const { return List() ? GetWindow(List(), GW_CHILD) : nullptr; }

bool ProgramProcess::WaitForListRows(int rows, DWORD timeoutMilliseconds)
{
    return WaitUntil([&] { return List() && SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0) == rows; },
                     timeoutMilliseconds, process_.get());
}

bool ProgramProcess::WaitUntilAnswering(DWORD timeoutMilliseconds)
{
    DWORD_PTR answer = 0;
    return main_ && SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMilliseconds, &answer);
}

std::optional<DWORD> ProgramProcess::WaitForExit(DWORD timeoutMilliseconds)
{
    if (!process_ || WaitForSingleObject(process_.get(), timeoutMilliseconds) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

void ClickScreen(POINT point)
{
    SendMouseInput(0, point);
    Sleep(50);
    SendMouseInput(MOUSEEVENTF_LEFTDOWN, point);
    SendMouseInput(MOUSEEVENTF_LEFTUP, point);
    Sleep(100);
}

void KeyDown(WORD key) { SendKeyInput(key, false); }
void KeyUp(WORD key) { SendKeyInput(key, true); }
