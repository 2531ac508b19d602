#pragma once

#include <windows.h>

#include <cstdint>
#include <iterator>
#include <string>

// Control numbers; each is also the control's window identifier.
enum ControlNumber : int {
    OpcodeList = 0,
    MnemonicFilter = 1,
    BytesFilter = 2,
    DetailPane = 3,
};
constexpr int ControlCount = 4;

// The opcode list's columns, left to right, with their widths at start-up.
struct ListColumn {
    const wchar_t* title;
    int width;
};
inline constexpr ListColumn ListColumns[] = {{L"Mnem", 300}, {L"Bytes", 320}};
inline constexpr int ListColumnCount = static_cast<int>(std::size(ListColumns));

HWND MainWindowHandle();
HWND ControlWindow(int number);

// Start-up steps that make the windows. OpenMainWindow returns false when the main window could
// not be made; CreateControls then makes the controls in it, and a control that could not be made
// is left null, which every later call on it tolerates.
bool OpenMainWindow();
void CreateControls();

// Builds the main window's accelerator table, the two entries for Tab and Shift+Tab.
HACCEL MainWindowAccelerators();

// Every message of the main window goes to the hook first; the hook never consumes one.
using MessageHook = void (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void InstallMessageHook(MessageHook hook);

// Reads and writes of control state used by the catalogue.
std::wstring ReadControlText(int number);
void SetControlText(int number, const std::wstring& text);
int SelectedListRow();
// The key stored with a row: the record's opid, whole (item data is 64 bits wide here).
std::int64_t ListRowKey(int row);

// Releases the windows in shutdown order: the filter tooltip, then the main window with its
// controls, its class and its accelerator table.
void DestroyWindows();
