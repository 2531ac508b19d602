#include <windows.h>
#include <commctrl.h>

#include "app/event_queue.h"
#include "catalogue/refresh_list.h"
#include "support/message_box_watch.h"
#include "support/temp_folder.h"
#include "window/program_window.h"

namespace {

using Refresh = ProgramWindowTest;
using Names = std::vector<std::wstring>;

TEST_F(Refresh, FirstFillListsEveryRowWithItsKeyInTableOrder)
{
    const std::vector<ListRow> expected = {
        {L"ADD", L"00 mr", 1}, {L"ADC", L"10 mr", 2}, {L"AND", L"20 mr", 3},
        {L"CLC", L"F8", 4},    {L"add", L"0F 01", 5}, {L"JMP", L"E9 r0 r1", 6},
    };
    EXPECT_EQ(ListRows(), expected);
}

struct FilterCase {
    const wchar_t* mnemonic;
    const wchar_t* bytes;
    Names mnemonics;
};

TEST_F(Refresh, FiltersArePrefixMatchesWithSqlitesLike)
{
    const FilterCase cases[] = {
        {L"ad", L"", {L"ADD", L"ADC", L"add"}},
        {L"ADD", L"", {L"ADD", L"add"}},          // ASCII letters match in either case
        {L"dd", L"", {}},                         // a prefix, not a substring
        {L"%dd", L"", {L"ADD", L"add"}},          // % is a wildcard
        {L"_", L"", {L"ADD", L"ADC", L"AND", L"CLC", L"add", L"JMP"}},
        {L"A_D", L"", {L"ADD", L"AND", L"add"}},  // _ is exactly one character
        {L" ", L"", {}},                          // spaces count
        {L"", L"0", {L"ADD", L"add"}},
        {L"a", L"0", {L"ADD", L"add"}},           // the two filters combine with and
        {L"a", L"0f", {L"add"}},
        {L"", L"E9 r", {L"JMP"}},
    };
    for (const FilterCase& c : cases) {
        SetText(MnemonicFilter, c.mnemonic);
        SetText(BytesFilter, c.bytes);
        EXPECT_EQ(ListMnemonics(), c.mnemonics) << "filters '" << testing::PrintToString(std::wstring(c.mnemonic))
                                                << "' and '" << testing::PrintToString(std::wstring(c.bytes)) << "'";
    }
}

TEST_F(Refresh, EmptyingEitherFilterFirstKeepsTheOtherApplied)
{
    TypeInto(BytesFilter, L"0");
    EXPECT_EQ(ListMnemonics(), (Names{L"ADD", L"add"}));
    TypeInto(MnemonicFilter, L"A");
    EXPECT_EQ(ListMnemonics(), (Names{L"ADD", L"add"}));
    SetText(MnemonicFilter, L"");
    EXPECT_EQ(ListMnemonics(), (Names{L"ADD", L"add"})) << "back to the where form of the bytes filter";

    SetText(MnemonicFilter, L"C");
    EXPECT_EQ(ListMnemonics(), Names{});
    SetText(BytesFilter, L"");
    EXPECT_EQ(ListMnemonics(), Names{L"CLC"});
}

TEST_F(Refresh, QuotesSpacesAndNullsInTheTable)
{
    UseDatabase("create table opc (opid integer primary key, mn text, op text, a, b, c, d);"
                "insert into opc values (1, 'A''B', '''00', 0, 0, 0, 0), (2, ' NOP', NULL, 0, 0, 0, 0),"
                "(3, NULL, '90', 0, 0, 0, 0), (4, 'AB', 'CC', 0, 0, 0, 0);");
    RefreshList();
    EXPECT_EQ(ListRows().size(), 4u);

    const FilterCase cases[] = {
        {L"a'", L"", {L"A'B"}},
        {L"'", L"", {}},
        {L"", L"'", {L"A'B"}},
        {L" ", L"", {L" NOP"}},
        {L"%", L"", {L"A'B", L" NOP", L"AB"}}, // a NULL matches no pattern
        {L"", L"%", {L"A'B", L"", L"AB"}},
        {L"'; drop table opc; --", L"", {}},
    };
    for (const FilterCase& c : cases) {
        SetText(MnemonicFilter, c.mnemonic);
        SetText(BytesFilter, c.bytes);
        EXPECT_EQ(ListMnemonics(), c.mnemonics) << testing::PrintToString(std::wstring(c.mnemonic)) << " / "
                                                << testing::PrintToString(std::wstring(c.bytes));
    }
    SetText(MnemonicFilter, L"");
    SetText(BytesFilter, L"");
    EXPECT_EQ(ListRows().size(), 4u) << "the table is still whole";
}

TEST_F(Refresh, EachEditOfAFilterRaisesExactlyOneChange)
{
    const auto pendingChanges = [] {
        int changes = 0;
        while (auto event = TakePendingEvent())
            if (event->kind == EventKind::Control && event->control == MnemonicFilter && event->code == EN_CHANGE)
                ++changes;
        return changes;
    };
    HWND filter = ControlWindow(MnemonicFilter);

    SendMessageW(filter, WM_CHAR, L'a', 1);
    EXPECT_EQ(pendingChanges(), 1) << "typing a letter";

    SendMessageW(filter, WM_CHAR, VK_BACK, 1);
    EXPECT_EQ(pendingChanges(), 1) << "deleting it";

    SendMessageW(filter, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"adc"));
    EXPECT_EQ(pendingChanges(), 1) << "pasting a word";
    RefreshList();
    EXPECT_EQ(ListMnemonics(), Names{L"ADC"});
}

TEST_F(Refresh, TheProgramsOwnWritesRaiseNoEvents)
{
    RefreshList();
    SetControlText(DetailPane, L"written by the program");
    EXPECT_FALSE(HasPendingEvent());
}

TEST_F(Refresh, ARefillClearsTheSelectionAndLeavesThePaneAlone)
{
    ClickAt(ListRowPoint(1));
    ASSERT_EQ(SelectedListRow(), 1);
    const std::wstring pane = TextOf(DetailPane);
    ASSERT_FALSE(pane.empty());

    TypeInto(MnemonicFilter, L"c");
    EXPECT_EQ(SelectedListRow(), -1);
    EXPECT_EQ(ListMnemonics(), Names{L"CLC"});
    EXPECT_EQ(TextOf(DetailPane), pane) << "the pane still shows the record clicked last";
}

TEST_F(Refresh, AFileWithoutTheTableGivesAnEmptyListAndNoMessage)
{
    for (const char* contents : {"", "this is not a database"}) {
        RemoveDatabase();
        WriteBytes(DatabasePath(), contents);
        MessageBoxWatch watch(1500);
        SetText(MnemonicFilter, L"a");
        EXPECT_TRUE(ListRows().empty());
        EXPECT_FALSE(watch.Result().has_value()) << "a failed query is not reported";
        SetText(MnemonicFilter, L"");
    }

    // Every further keystroke tries again.
    UseDatabase(StandardTable);
    TypeInto(MnemonicFilter, L"ad");
    EXPECT_EQ(ListMnemonics(), (Names{L"ADD", L"ADC", L"add"}));
}

} // namespace
