#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/controls.h"
#include "support/kernel_handles.h"

// The program's windows, made once for the whole test run in a folder of its own, which is
// also the current directory, so "tuvex.db3" there is the database the program reads.
std::wstring TestFolder();
std::wstring DatabasePath();
void UseDatabase(const std::string& sql);
void RemoveDatabase();

// Dismisses, on a thread of its own, any message box that comes up while it lives, and
// remembers the texts, so a test that expects none fails instead of waiting for a click.
class UnexpectedBoxes {
public:
    UnexpectedBoxes();
    ~UnexpectedBoxes();
    std::vector<std::wstring> Texts();

private:
    UniqueKernelHandle stop_;
    JoinedThread thread_;
    CRITICAL_SECTION lock_;
    std::vector<std::wstring> texts_;
    static DWORD WINAPI Watch(void* self);
};

// The fonts the controls had right after they were made, before the private font was set.
extern HFONT FontsBeforeRegistration[ControlCount];

// Delivers every waiting message and acts on every queued event, as the event loop would,
// until nothing is left; with a time, keeps doing so until the time has passed.
void Pump();
void PumpFor(DWORD milliseconds);
// The same until done() holds; false when the time ran out first.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMilliseconds);

struct ListRow {
    std::wstring mnemonic;
    std::wstring bytes;
    std::int64_t key;
    friend bool operator==(const ListRow&, const ListRow&) = default;
};
std::vector<ListRow> ListRows();
std::vector<std::wstring> ListMnemonics();
std::vector<std::wstring> ListBytes();
void PrintTo(const ListRow& row, std::ostream* out);

// Types text into a control one character at a time, letting the loop act after each.
void TypeInto(int control, const std::wstring& text);
void SetText(int control, const std::wstring& text);
std::wstring TextOf(int control);

// Real mouse input at a point in screen coordinates.
void ClickAt(POINT screen, bool rightButton = false);
void DoubleClickAt(POINT screen);
POINT ListRowPoint(int row);
POINT BelowLastRowPoint();
void ClickHeader(int column);
int HeaderFormat(int column);
HWND Header();

// The tooltip windows of this thread, and the one whose first tool is the given control.
std::vector<HWND> TooltipWindows();
HWND TooltipOf(int control);

// Real keyboard input to the focused window.
void PressKey(WORD key, bool withShift = false);

// Every test starts from the state of a fresh start: empty filters and pane, no sort, the
// fixture table below, and the list filled once.
class ProgramWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// A small table in the fixtures' usual shape: keys 1 to 6.
extern const char StandardTable[];
