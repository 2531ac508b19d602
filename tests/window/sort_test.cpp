#include <windows.h>
#include <commctrl.h>

#include "app/event_queue.h"
#include "catalogue/column_sort.h"
#include "catalogue/refresh_list.h"
#include "catalogue/sort_state.h"
#include "window/program_window.h"

namespace {

using Sort = ProgramWindowTest;
using Names = std::vector<std::wstring>;

int Arrows(int column) { return HeaderFormat(column) & (HDF_SORTUP | HDF_SORTDOWN); }

TEST_F(Sort, HeaderClicksCycleAscendingDescendingAndMoveBetweenColumns)
{
    struct Step {
        int column;
        int sortMnemonic;
        int sortBytes;
        int mnemonicArrows;
        int bytesArrows;
        Names mnemonics;
    };
    const Step steps[] = {
        {0, -1, 0, HDF_SORTDOWN, 0, {L"ADC", L"ADD", L"AND", L"CLC", L"JMP", L"add"}},
        {0, 1, 0, HDF_SORTUP, 0, {L"add", L"JMP", L"CLC", L"AND", L"ADD", L"ADC"}},
        {0, -1, 0, HDF_SORTDOWN, 0, {L"ADC", L"ADD", L"AND", L"CLC", L"JMP", L"add"}},
        {1, 0, -1, 0, HDF_SORTDOWN, {L"ADD", L"add", L"ADC", L"AND", L"JMP", L"CLC"}},
        {1, 0, 1, 0, HDF_SORTUP, {L"CLC", L"JMP", L"AND", L"ADC", L"add", L"ADD"}},
        {0, -1, 0, HDF_SORTDOWN, 0, {L"ADC", L"ADD", L"AND", L"CLC", L"JMP", L"add"}},
        {1, 0, -1, 0, HDF_SORTDOWN, {L"ADD", L"add", L"ADC", L"AND", L"JMP", L"CLC"}}, // starts again ascending
    };
    for (size_t index = 0; index < std::size(steps); ++index) {
        const Step& step = steps[index];
        SCOPED_TRACE(testing::Message() << "click " << index + 1 << " on column " << step.column);
        ClickHeader(step.column);
        EXPECT_EQ(SortMnemonic, step.sortMnemonic);
        EXPECT_EQ(SortBytes, step.sortBytes);
        EXPECT_EQ(Arrows(0), step.mnemonicArrows);
        EXPECT_EQ(Arrows(1), step.bytesArrows);
        EXPECT_EQ(ListMnemonics(), step.mnemonics);
    }
}

TEST_F(Sort, OtherFormatBitsOfTheHeaderItemsStay)
{
    for (int column : {0, 1}) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        item.fmt = HDF_RIGHT | HDF_STRING;
        SendMessageW(Header(), HDM_SETITEMW, column, reinterpret_cast<LPARAM>(&item));
    }
    for (int column : {0, 0, 1, 0, 1, 1})
        ClickHeader(column);
    EXPECT_EQ(HeaderFormat(0), HDF_RIGHT | HDF_STRING);
    EXPECT_EQ(HeaderFormat(1), HDF_RIGHT | HDF_STRING | HDF_SORTUP);
}

TEST_F(Sort, FiltersStayAppliedAndTheOrderSurvivesFilterEdits)
{
    SetText(MnemonicFilter, L"a");
    SetText(BytesFilter, L"_0");
    EXPECT_EQ(ListMnemonics(), (Names{L"ADD", L"ADC", L"AND"}));
    ClickHeader(0);
    ClickHeader(0);
    EXPECT_EQ(ListMnemonics(), (Names{L"AND", L"ADD", L"ADC"}));
    SetText(BytesFilter, L"");
    EXPECT_EQ(ListMnemonics(), (Names{L"add", L"AND", L"ADD", L"ADC"}));
    EXPECT_EQ(Arrows(0), HDF_SORTUP);
    EXPECT_EQ(TextOf(MnemonicFilter), L"a");
}

TEST_F(Sort, AHeaderClickClearsTheSelectionAndLeavesThePaneAlone)
{
    ClickAt(ListRowPoint(2));
    ASSERT_EQ(SelectedListRow(), 2);
    const std::wstring pane = TextOf(DetailPane);
    ClickHeader(1);
    EXPECT_EQ(SelectedListRow(), -1);
    EXPECT_EQ(TextOf(DetailPane), pane);
}

TEST_F(Sort, NullsNumbersTextsAndBlobsSortInSqlitesOrder)
{
    UseDatabase("create table opc (opid integer primary key, mn, op, a, b, c, d);"
                "insert into opc values (1, 'b', x'41', 0, 0, 0, 0), (2, 10, 'a', 0, 0, 0, 0),"
                "(3, NULL, 9, 0, 0, 0, 0), (4, 'B', NULL, 0, 0, 0, 0), (5, 9.5, 'A', 0, 0, 0, 0);");
    RefreshList();
    const auto keys = [] {
        std::vector<std::int64_t> order;
        for (const ListRow& row : ListRows())
            order.push_back(row.key);
        return order;
    };
    ClickHeader(0);
    EXPECT_EQ(keys(), (std::vector<std::int64_t>{3, 5, 2, 4, 1})) << "NULL, numbers, then texts byte-wise";
    ClickHeader(0);
    EXPECT_EQ(keys(), (std::vector<std::int64_t>{1, 4, 2, 5, 3}));
    ClickHeader(1);
    EXPECT_EQ(keys(), (std::vector<std::int64_t>{4, 3, 5, 2, 1})) << "NULL, number, texts, then the blob";
    ClickHeader(1);
    EXPECT_EQ(keys(), (std::vector<std::int64_t>{1, 2, 5, 3, 4}));
}

TEST_F(Sort, TheRefillRunsInsideTheNotification)
{
    NMLISTVIEW click{};
    click.hdr.hwndFrom = ControlWindow(OpcodeList);
    click.hdr.idFrom = OpcodeList;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = 1;
    SendMessageW(MainWindowHandle(), WM_NOTIFY, OpcodeList, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(ListBytes(), (Names{L"00 mr", L"0F 01", L"10 mr", L"20 mr", L"E9 r0 r1", L"F8"}));
    EXPECT_FALSE(HasPendingEvent()) << "a header click raises no control event";
}

TEST_F(Sort, OtherMessagesChangeNoState)
{
    ClickHeader(0);
    ASSERT_EQ(SortMnemonic, -1);
    HWND list = ControlWindow(OpcodeList);
    HWND notList = ControlWindow(MnemonicFilter);

    struct Notification {
        HWND from;
        UINT code;
    } notifications[] = {
        {notList, LVN_COLUMNCLICK},  // not from the list, e.g. a tooltip's
        {Header(), LVN_COLUMNCLICK}, // not from the list itself
        {list, NM_CLICK},
        {list, LVN_ITEMCHANGED},
        {list, NM_RCLICK},
    };
    for (const Notification& n : notifications) {
        NMLISTVIEW message{};
        message.hdr.hwndFrom = n.from;
        message.hdr.code = n.code;
        message.iItem = -1;
        message.iSubItem = 1;
        WindowCallback(MainWindowHandle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&message));
    }
    WindowCallback(MainWindowHandle(), WM_COMMAND, MAKEWPARAM(MnemonicFilter, EN_CHANGE),
                   reinterpret_cast<LPARAM>(ControlWindow(MnemonicFilter)));

    EXPECT_EQ(SortMnemonic, -1);
    EXPECT_EQ(SortBytes, 0);
    EXPECT_EQ(Arrows(0), HDF_SORTDOWN);
    EXPECT_EQ(Arrows(1), 0);
    EXPECT_EQ(ListMnemonics(), (Names{L"ADC", L"ADD", L"AND", L"CLC", L"JMP", L"add"}));
}

} // namespace
