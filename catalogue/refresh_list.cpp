#include "catalogue/refresh_list.h"

#include <windows.h>
#include <commctrl.h>

#include <cwchar>

#include "app/controls.h"
#include "app/event_queue.h"
#include "app/message_box.h"
#include "app/program.h"
#include "catalogue/list_query.h"
#include "catalogue/opcode_database.h"
#include "catalogue/sort_state.h"

namespace {

// Row keys are kept whole in the rows' item data.
static_assert(sizeof(LPARAM) >= sizeof(std::int64_t), "a 64-bit build");

void AppendRow(HWND list, int row, const wchar_t* mnemonic, const wchar_t* bytes, std::int64_t key)
{
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(mnemonic);
    item.lParam = key;
    const int inserted = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));

    item.mask = LVIF_TEXT;
    item.iItem = inserted;
    item.iSubItem = 1;
    item.pszText = const_cast<wchar_t*>(bytes);
    SendMessageW(list, LVM_SETITEMTEXTW, inserted, reinterpret_cast<LPARAM>(&item));
}

void FillFromQuery(HWND list)
{
    int rows = 0;
    std::size_t characters = 0;
    while (OpcodeDatabase::NextRow()) {
        const wchar_t* mnemonic = OpcodeDatabase::ColumnText(1);
        const wchar_t* bytes = OpcodeDatabase::ColumnText(2);
        const std::size_t rowCharacters = std::wcslen(mnemonic) + std::wcslen(bytes);
        if (!RowFitsTheList(rows, characters, rowCharacters))
            break;
        AppendRow(list, rows, mnemonic, bytes, OpcodeDatabase::ColumnInt(0));
        ++rows;
        characters += rowCharacters;
    }
}

// The list paints and updates its scroll bar once, when the refresh is over. With redraw on,
// emptying the list would hide the scroll bar and the fill show it again, each a frame change
// of the list; and every row past the visible ones would update the scroll bar on its own.
class ListRedrawHeld {
public:
    explicit ListRedrawHeld(HWND list) : list_(list) { SendMessageW(list_, WM_SETREDRAW, FALSE, 0); }
    ~ListRedrawHeld() { Release(); }
    ListRedrawHeld(const ListRedrawHeld&) = delete;
    ListRedrawHeld& operator=(const ListRedrawHeld&) = delete;

    void Release()
    {
        if (!list_)
            return;
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
        list_ = nullptr;
    }

private:
    HWND list_;
};

RefreshStepObserver StepObserver = nullptr;

void StepEnded(RefreshStep step)
{
    if (StepObserver)
        StepObserver(step);
}

} // namespace

void ObserveRefreshSteps(RefreshStepObserver observer) { StepObserver = observer; }

void RefreshList()
{
    HWND list = ControlWindow(OpcodeList);
    ListRedrawHeld redrawHeld(list);
    {
        SuppressControlEvents ownWrite;
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    }
    StepEnded(RefreshStep::ListEmptied);

    if (!OpcodeDatabase::Open()) {
        // The emptied list is shown behind the message.
        redrawHeld.Release();
        ShowMessage(L"Database error", L"n00b!");
        EndProgramAfterDatabaseError();
    }
    StepEnded(RefreshStep::DatabaseOpened);

    const std::wstring query =
        BuildListQuery(ReadControlText(MnemonicFilter), ReadControlText(BytesFilter), SortMnemonic, SortBytes);
    if (OpcodeDatabase::Query(query)) {
        StepEnded(RefreshStep::QueryPrepared);
        SuppressControlEvents ownWrite;
        FillFromQuery(list);
        StepEnded(RefreshStep::ListFilled);
        redrawHeld.Release();
        StepEnded(RefreshStep::RedrawRestored);
    }
    OpcodeDatabase::Close();
    StepEnded(RefreshStep::DatabaseClosed);
}
