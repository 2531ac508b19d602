#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include <sqlite3.h>

#include "app/win32_handles.h"
#include "program/program_process.h"
#include "support/fixture_database.h"
#include "support/message_box_watch.h"
#include "support/temp_folder.h"

namespace {

const char ThreeRows[] =
    "create table opc (opid integer primary key, mn text, op text, sw text, len text, flags text, args text);"
    "insert into opc values (1, 'ADD', '00 mr', 'N B', '2~4', 'O---SZAPC', 'rmb,rb');"
    "insert into opc values (2, 'CLC', 'F8', '- -', '1', '--------0', '');"
    "insert into opc values (3, 'NOP', '90', '- -', '1', '---------', '');";

POINT FirstRowOf(const ProgramProcess& program)
{
    RECT header{};
    GetWindowRect(program.ListHeader(), &header);
    return {header.left + 60, header.bottom + 5};
}

POINT FirstHeaderItemOf(const ProgramProcess& program)
{
    RECT header{};
    GetWindowRect(program.ListHeader(), &header);
    return {header.left + 60, (header.top + header.bottom) / 2};
}

// Each way of closing the window ends the program with exit code 0 and leaves every file as it was.
TEST(Program, EveryWayOfClosingEndsWithExitCodeZeroAndWritesNothing)
{
    struct Close {
        const char* name;
        void (*close)(HWND main);
    } closes[] = {
        {"WM_CLOSE", [](HWND main) { PostMessageW(main, WM_CLOSE, 0, 0); }},
        {"Close in the system menu", [](HWND main) { PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Escape held while a message arrives",
         [](HWND main) {
             SetForegroundWindow(main);
             Sleep(100);
             KeyDown(VK_ESCAPE);
             Sleep(100);
             PostMessageW(main, WM_NULL, 0, 0);
         }},
    };
    for (const Close& c : closes) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        MakeDatabase(folder.File(L"tuvex.db3"), ThreeRows);
        const auto before = FolderContents(folder.Path());

        ProgramProcess program(folder.Path());
        ASSERT_TRUE(program.Started());
        HWND main = program.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        EXPECT_TRUE(program.WaitForListRows(3));
        c.close(main);
        const auto exitCode = program.WaitForExit();
        KeyUp(VK_ESCAPE);
        ASSERT_TRUE(exitCode.has_value()) << "the program did not end";
        EXPECT_EQ(*exitCode, 0u);
        EXPECT_EQ(FolderContents(folder.Path()), before);
    }
}

TEST(Program, WithoutADatabaseTheWindowShowsThenTheBoxThenItEnds)
{
    TempFolder folder;
    ProgramProcess program(folder.Path());
    ASSERT_TRUE(program.Started());

    bool windowShownAndDisabled = false;
    const auto seen = DismissMessageBox(program.Id(), 15000, [&](HWND) {
        HWND main = program.WaitForMainWindow(0);
        windowShownAndDisabled = main && IsWindowVisible(main) && !IsWindowEnabled(main);
    });
    ASSERT_TRUE(seen.has_value()) << "no message box";
    EXPECT_EQ(seen->title, L"Database error");
    EXPECT_EQ(seen->text, L"n00b!");
    EXPECT_TRUE(windowShownAndDisabled);
    EXPECT_EQ(seen->owner, program.WaitForMainWindow(0)) << "the program's own foreground window owns the box";

    const auto exitCode = program.WaitForExit();
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0u);
    EXPECT_TRUE(FilesIn(folder.Path()).empty()) << "no database file was created";
}

TEST(Program, AnEmptyDatabaseFileGivesAnEmptyListAndNoBox)
{
    TempFolder folder;
    WriteBytes(folder.File(L"tuvex.db3"), "");
    ProgramProcess program(folder.Path());
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(DismissMessageBox(program.Id(), 1500).has_value());
    EXPECT_TRUE(program.WaitForListRows(0));
    PostMessageW(main, WM_CLOSE, 0, 0);
    const auto exitCode = program.WaitForExit();
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0u);
    EXPECT_EQ(ReadBytes(folder.File(L"tuvex.db3")), "");
}

// The program started on the three-row table, its list filled.
class ProgramWithThreeRows : public testing::Test {
protected:
    void SetUp() override
    {
        MakeDatabase(folder.File(L"tuvex.db3"), ThreeRows);
        started = std::make_unique<ProgramProcess>(folder.Path());
        main = started->WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(started->WaitForListRows(3));
    }

    TempFolder folder;
    std::unique_ptr<ProgramProcess> started;
    HWND main = nullptr;
};

TEST_F(ProgramWithThreeRows, ADatabaseRemovedWhileRunningIsReportedByARowClickThenEndsItOnAHeaderClick)
{
    ProgramProcess& program = *started;
    SetForegroundWindow(main);
    ASSERT_TRUE(DeleteFileW(folder.File(L"tuvex.db3").c_str()));

    ClickScreen(FirstRowOf(program));
    const auto detailBox = DismissMessageBox(program.Id(), 10000);
    ASSERT_TRUE(detailBox.has_value());
    EXPECT_EQ(detailBox->text, L"it happens");
    EXPECT_FALSE(program.WaitForExit(1000).has_value()) << "the program carries on";

    ASSERT_TRUE(program.WaitUntilAnswering()) << "the program is back in its message loop";
    ClickScreen(FirstHeaderItemOf(program));
    const auto refreshBox = DismissMessageBox(program.Id(), 10000);
    ASSERT_TRUE(refreshBox.has_value());
    EXPECT_EQ(refreshBox->text, L"n00b!");
    const auto exitCode = program.WaitForExit();
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0u);
    EXPECT_TRUE(FilesIn(folder.Path()).empty());
}

int RowsMatching(const std::wstring& database, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(Utf8(database).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    const int rows = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

void PutOnClipboard(const std::wstring& text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

TEST(Program, ABurstOfKeystrokesOnALargeTableEndsWithTheRowsOfTheFinalFilter)
{
    TempFolder folder;
    MakeDatabase(folder.File(L"tuvex.db3"),
                 "create table opc (opid integer primary key, mn text, op text, sw, len, flags, args);"
                 "create index opc_mn_nocase on opc (mn collate nocase);"
                 "with recursive n(i) as (select 1 union all select i + 1 from n where i < 100000)"
                 "insert into opc select i, case i % 8 when 0 then 'ADD' when 1 then 'ADC' when 2 then 'AND' "
                 "when 3 then 'ADDPS' when 4 then 'SUB' when 5 then 'ADC' when 6 then 'CMP' else 'adc' end,"
                 "printf('%02X mr', i % 256), 'N W', '2~4', 'O---SZAPC', 'rmw,rw' from n;");
    ProgramProcess program(folder.Path());
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(program.WaitForListRows(100000, 60000));
    HWND filter = GetDlgItem(main, 1);
    ASSERT_NE(filter, nullptr);

    // A pasted word, then fast typing and deleting, all queued before the program takes any of it.
    PutOnClipboard(L"ad");
    PostMessageW(filter, WM_PASTE, 0, 0);
    for (wchar_t key : std::wstring(L"dx\b\bc"))
        PostMessageW(filter, WM_CHAR, key, 1);

    const int expected = RowsMatching(folder.File(L"tuvex.db3"), "select count(*) from opc where mn like 'adc%'");
    ASSERT_EQ(expected, 37500);
    EXPECT_TRUE(program.WaitForListRows(expected, 120000)) << "the list does not show the final filter's rows";
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer)) << "not responding";
    Sleep(500);
    EXPECT_TRUE(program.WaitForListRows(expected, 0)) << "a late refill changed the list";

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(30000).value_or(1), 0u);
}

int CALLBACK CountFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return 1;
}

TEST_F(ProgramWithThreeRows, OtherProcessesDoNotSeeThePrivateFont)
{
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcscpy(wanted.lfFaceName, L"Dina");
    int faces = 0;
    EnumFontFamiliesExW(GetWindowDc(nullptr).get().dc, &wanted, CountFace, reinterpret_cast<LPARAM>(&faces), 0);
    EXPECT_EQ(faces, 0);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(started->WaitForExit().value_or(1), 0u);
}

} // namespace
