#include <windows.h>
#include <commctrl.h>

#include "catalogue/opcode_detail.h"
#include "catalogue/refresh_list.h"
#include "support/fixture_database.h"
#include "support/message_box_watch.h"
#include "support/temp_folder.h"
#include "window/program_window.h"

namespace {

using Detail = ProgramWindowTest;

const wchar_t AddDetail[] = L"ADD rmb,rb\r\n2~4 bytes:00 mr\r\nflags:O---SZAPC,Sign Bit/Word-byte bit:N B";

TEST_F(Detail, ALeftClickOnARowShowsItsRecordOnThreeLines)
{
    ClickAt(ListRowPoint(0));
    EXPECT_EQ(TextOf(DetailPane), AddDetail);
    EXPECT_EQ(DetailText, AddDetail);
    EXPECT_EQ(SendMessageW(ControlWindow(DetailPane), EM_GETLINECOUNT, 0, 0), 3);
}

TEST_F(Detail, ASecondClickOnTheSameRowReadsTheRecordAfresh)
{
    ClickAt(ListRowPoint(3));
    EXPECT_EQ(TextOf(DetailPane), L"CLC \r\n1 bytes:F8\r\nflags:--------0,Sign Bit/Word-byte bit:- -");
    RunSql(DatabasePath(), "update opc set args = 'changed' where opid = 4;");
    ClickAt(ListRowPoint(3));
    EXPECT_EQ(TextOf(DetailPane), L"CLC changed\r\n1 bytes:F8\r\nflags:--------0,Sign Bit/Word-byte bit:- -");
}

TEST_F(Detail, ShowsTheColumnsAsTextWhateverTheyHold)
{
    UseDatabase("create table opc (opid integer, mn text, op text, sw, len, flags, args, extra);"
                "insert into opc values (-5, 'NEG', 'F6 /3', NULL, 2, 1.5, NULL, 'never shown');"
                "insert into opc values (7, 'NOP', '90', NULL, NULL, NULL, NULL, 'never shown');"
                "insert into opc values (8, 'DUP', 'first', 'a', 'b', 'c', 'd', 'x');"
                "insert into opc values (8, 'DUP', 'second', 'e', 'f', 'g', 'h', 'y');");
    RefreshList();
    const std::pair<int, const wchar_t*> cases[] = {
        {0, L"NEG \r\n2 bytes:F6 /3\r\nflags:1.5,Sign Bit/Word-byte bit:"}, // a negative key, numbers as text
        {1, L"NOP \r\n bytes:90\r\nflags:,Sign Bit/Word-byte bit:"},        // all of columns 3 to 6 NULL
        {2, L"DUP h\r\nf bytes:second\r\nflags:g,Sign Bit/Word-byte bit:e"}, // one key twice: the last row
    };
    for (const auto& [row, text] : cases) {
        ClickAt(ListRowPoint(row));
        EXPECT_EQ(TextOf(DetailPane), text) << "row " << row;
    }
}

TEST_F(Detail, ARecordDeletedSinceTheFillEmptiesThePane)
{
    ClickAt(ListRowPoint(0));
    ASSERT_EQ(TextOf(DetailPane), AddDetail);
    RunSql(DatabasePath(), "delete from opc where opid = 2;");
    ClickAt(ListRowPoint(1));
    EXPECT_EQ(TextOf(DetailPane), L"");
}

TEST_F(Detail, ClicksThatSelectNoRowAndKeyboardMovesChangeNothing)
{
    ClickAt(ListRowPoint(0));
    ASSERT_EQ(TextOf(DetailPane), AddDetail);

    ClickAt(BelowLastRowPoint());
    EXPECT_EQ(SelectedListRow(), -1);
    EXPECT_EQ(TextOf(DetailPane), AddDetail) << "a click below the last row";

    ClickAt(ListRowPoint(2), /*rightButton=*/true);
    EXPECT_EQ(SelectedListRow(), 2);
    EXPECT_EQ(TextOf(DetailPane), AddDetail) << "a right click selects but shows nothing";

    SetFocus(ControlWindow(OpcodeList));
    for (WORD key : std::initializer_list<WORD>{VK_DOWN, VK_END, VK_HOME, VK_NEXT, 'C'})
        PressKey(key);
    EXPECT_NE(SelectedListRow(), -1);
    EXPECT_EQ(TextOf(DetailPane), AddDetail) << "keyboard moves of the selection";
}

TEST_F(Detail, ADoubleClickShowsTheRecordThroughItsFirstClick)
{
    RunSql(DatabasePath(), "update opc set args = 'before' where opid = 6;");
    DoubleClickAt(ListRowPoint(5));
    EXPECT_EQ(TextOf(DetailPane), L"JMP before\r\n3 bytes:E9 r0 r1\r\nflags:---------,Sign Bit/Word-byte bit:- -");
}

TEST_F(Detail, TypedTextStaysUntilTheNextRowClick)
{
    SetFocus(ControlWindow(DetailPane));
    TypeInto(DetailPane, L"my notes");
    EXPECT_EQ(TextOf(DetailPane), L"my notes");
    EXPECT_EQ(ListRows().size(), 6u) << "typing in the pane refills nothing";
    ClickAt(ListRowPoint(0));
    EXPECT_EQ(TextOf(DetailPane), AddDetail);
}

TEST_F(Detail, AMissingDatabaseIsReportedAndThePaneKept)
{
    ClickAt(ListRowPoint(0));
    RemoveDatabase();
    bool mainWindowEnabled = true;
    MessageBoxWatch watch(10000, [&](HWND) { mainWindowEnabled = IsWindowEnabled(MainWindowHandle()) != FALSE; });
    ShowOpcodeDetail(2);
    const auto seen = watch.Result();
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->title, L"Database error");
    EXPECT_EQ(seen->text, L"it happens");
    EXPECT_FALSE(mainWindowEnabled) << "the main window takes no input while the box is up";
    EXPECT_TRUE(IsWindowEnabled(MainWindowHandle()));
    EXPECT_EQ(TextOf(DetailPane), AddDetail);
    EXPECT_EQ(DetailText, AddDetail);
    EXPECT_FALSE(FileExists(DatabasePath())) << "nothing was created";

    UseDatabase(StandardTable);
    ShowOpcodeDetail(4);
    EXPECT_EQ(TextOf(DetailPane), L"CLC \r\n1 bytes:F8\r\nflags:--------0,Sign Bit/Word-byte bit:- -")
        << "the next click works once the file is back";
}

TEST_F(Detail, AFailedQueryChangesNothingAndShowsNothing)
{
    ClickAt(ListRowPoint(0));
    RemoveDatabase();
    WriteBytes(DatabasePath(), "not a database at all");
    MessageBoxWatch watch(1500);
    ShowOpcodeDetail(1);
    EXPECT_FALSE(watch.Result().has_value());
    EXPECT_EQ(TextOf(DetailPane), AddDetail);
}

} // namespace
