#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "support/kernel_handles.h"

// The real program, started from beside the test executable (or from the path given) with a
// current directory of the test's choosing. Killed at the end if it is still running.
class ProgramProcess {
public:
    explicit ProgramProcess(const std::wstring& currentDirectory);
    ProgramProcess(const std::wstring& currentDirectory, const std::wstring& program);
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Started() const { return static_cast<bool>(process_); }
    DWORD Id() const { return id_; }

    // The main window once it is on screen; null after the time or once the program has ended.
    HWND WaitForMainWindow(DWORD timeoutMilliseconds = 15000);
    // Waits until the list holds rows as many as given; false after the time or once the
    // program has ended.
    bool WaitForListRows(int rows, DWORD timeoutMilliseconds = 15000);
    // Waits until the program takes messages again, so what it was doing before is done (the
    // first list fill comes before its message loop); false when it did not within the time.
    bool WaitUntilAnswering(DWORD timeoutMilliseconds = 15000);
    // The exit code, or nothing while the process still runs after the time.
    std::optional<DWORD> WaitForExit(DWORD timeoutMilliseconds = 15000);

    HWND List() const;
    HWND ListHeader() const;

private:
    UniqueKernelHandle process_;
    DWORD id_ = 0;
    HWND main_ = nullptr;
};

// Real mouse and keyboard input, as a user would give it.
void ClickScreen(POINT point);
void KeyDown(WORD key);
void KeyUp(WORD key);
