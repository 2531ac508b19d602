// Broken, odd, busy and hostile databases, and filter text as an attacker would type it,
// through the real window.
#include <windows.h>
#include <commctrl.h>

#include <sqlite3.h>

#include <algorithm>
#include <random>

#include "app/event_queue.h"
#include "catalogue/opcode_detail.h"
#include "catalogue/refresh_list.h"
#include "support/database_corpus.h"
#include "support/fixture_database.h"
#include "support/kernel_handles.h"
#include "support/temp_folder.h"
#include "window/program_window.h"

namespace {

void EmptyTestFolder()
{
    for (const std::wstring& name : FilesIn(TestFolder())) {
        const std::wstring path = TestFolder() + L"\\" + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
    }
}

// A keystroke and its deletion: the list ends up refilled for empty filters.
void TypeAndDelete()
{
    TypeInto(MnemonicFilter, L"a");
    TypeInto(MnemonicFilter, L"\b");
}

using HostileInput = ProgramWindowTest;

TEST_F(HostileInput, EveryDatabaseInTheCorpusGivesItsListAndPaneWithoutAMessage)
{
    for (const CorpusCase& c : DatabaseCorpus()) {
        SCOPED_TRACE(c.name);
        EmptyTestFolder();
        c.make(TestFolder());
        SetText(DetailPane, L"before");
        UnexpectedBoxes boxes;

        TypeAndDelete();
        const std::vector<ListRow> rows = ListRows();
        if (c.listedRows >= 0)
            EXPECT_EQ(int(rows.size()), c.listedRows);
        if (c.firstMnemonic && !rows.empty())
            EXPECT_EQ(rows.front().mnemonic, c.firstMnemonic);
        if (!rows.empty()) {
            ClickAt(ListRowPoint(0));
            if (c.firstDetail)
                EXPECT_EQ(TextOf(DetailPane), c.firstDetail);
        }
        EXPECT_TRUE(IsWindow(MainWindowHandle()));
        EXPECT_TRUE(boxes.Texts().empty()) << "a message box came up";
    }
    EmptyTestFolder();
}

TEST_F(HostileInput, AMegabyteMnemonicIsListedWholeAndShownInPart)
{
    EmptyTestFolder();
    UseDatabase(std::string(CreateOpcodeTable) +
                "insert into opc values (1, 'A' || hex(zeroblob(524288)), '00', '', '', '', '');");
    TypeAndDelete();
    ASSERT_EQ(ListRows().size(), 1u);
    std::vector<wchar_t> buffer(2 << 20);
    LVITEMW item{};
    item.pszText = buffer.data();
    item.cchTextMax = int(buffer.size());
    EXPECT_EQ(SendMessageW(ControlWindow(OpcodeList), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item)),
              1 + 1048576);

    ClickAt(ListRowPoint(0));
    const std::wstring pane = TextOf(DetailPane);
    EXPECT_EQ(pane.size(), LongestShownValue + 44);
    EXPECT_EQ(pane.substr(0, 4), L"A000");
    EXPECT_EQ(pane.substr(LongestShownValue), L" \r\n bytes:00\r\nflags:,Sign Bit/Word-byte bit:");
}

TEST_F(HostileInput, ALockOutlastingTheBusyTimeoutLeavesTheListEmptyAndThePaneAloneWithoutAMessage)
{
    ClickAt(ListRowPoint(0));
    const std::wstring pane = TextOf(DetailPane);
    ASSERT_FALSE(pane.empty());

    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(Utf8(DatabasePath()).c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        UnexpectedBoxes boxes;
        const ULONGLONG started = GetTickCount64();
        TypeInto(MnemonicFilter, L"a");
        EXPECT_GE(GetTickCount64() - started, 19000u) << "the refresh waits for the lock";
        EXPECT_TRUE(ListRows().empty());

        ShowOpcodeDetail(1);
        EXPECT_EQ(TextOf(DetailPane), pane);
        EXPECT_TRUE(boxes.Texts().empty());
    }
    sqlite3_exec(writer, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(writer);

    TypeInto(MnemonicFilter, L"d");
    EXPECT_EQ(ListMnemonics(), (std::vector<std::wstring>{L"ADD", L"ADC", L"add"})) << "the next keystroke fills it";
}

DWORD WINAPI ReleaseLockSoon(void* writer)
{
    Sleep(1500);
    sqlite3_exec(static_cast<sqlite3*>(writer), "commit", nullptr, nullptr, nullptr);
    return 0;
}

TEST_F(HostileInput, AShortLockIsWaitedForAndAWritersChangesShowNext)
{
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(Utf8(DatabasePath()).c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer,
                           "begin exclusive; update opc set args = 'written meanwhile' where opid = 1;"
                           "insert into opc values (7, 'ADDX', '77', '', '', '', '');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    JoinedThread releaser(CreateThread(nullptr, 0, ReleaseLockSoon, writer, 0, nullptr));
    TypeInto(MnemonicFilter, L"add");
    EXPECT_EQ(ListMnemonics(), (std::vector<std::wstring>{L"ADD", L"add", L"ADDX"}));
    ClickAt(ListRowPoint(0));
    EXPECT_EQ(TextOf(DetailPane).substr(0, 21), L"ADD written meanwhile");
    releaser.reset();
    sqlite3_close(writer);
}

// The rows a filter pair must give, asked of SQLite through bound parameters instead of text
// pasted into the query.
std::vector<int> RowsThroughBoundParameters(const std::wstring& mnemonic, const std::wstring& bytes)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(Utf8(DatabasePath()).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::string sql = "select opid from opc where 1";
    if (!mnemonic.empty())
        sql += " and mn like ?1 || '%'";
    if (!bytes.empty())
        sql += " and op like ?2 || '%'";
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    const std::string m = Utf8(mnemonic), b = Utf8(bytes);
    sqlite3_bind_text(statement, 1, m.c_str(), int(m.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(statement, 2, b.c_str(), int(b.size()), SQLITE_TRANSIENT);
    std::vector<int> keys;
    while (sqlite3_step(statement) == SQLITE_ROW)
        keys.push_back(sqlite3_column_int(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    std::sort(keys.begin(), keys.end());
    return keys;
}

std::vector<int> ListedKeys()
{
    std::vector<int> keys;
    for (const ListRow& row : ListRows())
        keys.push_back(row.key);
    std::sort(keys.begin(), keys.end());
    return keys;
}

// What an attacker would type: quotes, wildcards, SQL, control characters, letters in both
// cases, characters outside the Basic Multilingual Plane and halves of surrogate pairs.
const std::vector<std::wstring> Alphabet = {
    L"'", L"''", L"%", L"_", L"a", L"A", L"d", L"D", L"0", L" ", L";", L"-", L"--", L"\"", L"\\", L"*",
    L"\t", L"\x01", L"\x1b", L"\u00e9", L"\u00c9", L"\u2019", L"\U0001F600", L"\xD83D", L"\xDE00",
    L"drop table opc", L"select", L") or 1=1 --", L"'; drop table opc; --",
};

std::wstring RandomFilter(std::mt19937& random)
{
    std::wstring text;
    const int pieces = int(random() % 5);
    for (int n = 0; n < pieces; ++n)
        text += Alphabet[random() % Alphabet.size()];
    return text;
}

// Rows whose values come from the same alphabet; they go in through bound parameters, so no
// escaping of ours is involved in making them.
void MakeRandomTable(std::mt19937& random, int rows)
{
    UseDatabase(CreateOpcodeTable);
    sqlite3* db = nullptr;
    sqlite3_open(Utf8(DatabasePath()).c_str(), &db);
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "insert into opc (opid, mn, op) values (?1, ?2, ?3)", -1, &insert, nullptr);
    for (int key = 1; key <= rows; ++key) {
        const std::string mnemonic = Utf8(RandomFilter(random) + RandomFilter(random));
        const std::string bytes = Utf8(RandomFilter(random));
        sqlite3_bind_int(insert, 1, key);
        if (key % 37 == 0)
            sqlite3_bind_null(insert, 2);
        else
            sqlite3_bind_text(insert, 2, mnemonic.c_str(), int(mnemonic.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, bytes.c_str(), int(bytes.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

TEST_F(HostileInput, FiltersListExactlyTheRowsThatBoundParametersGive)
{
    std::mt19937 random(20261211);
    MakeRandomTable(random, 400);

    UnexpectedBoxes boxes;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring mnemonic = RandomFilter(random);
        const std::wstring bytes = attempt % 3 == 0 ? RandomFilter(random) : L"";
        {
            // Both fields first, then the one refill that a change of either makes.
            SuppressControlEvents quietly;
            SetWindowTextW(ControlWindow(BytesFilter), bytes.c_str());
            SetWindowTextW(ControlWindow(MnemonicFilter), mnemonic.c_str());
        }
        RefreshList();
        ASSERT_EQ(ListedKeys(), RowsThroughBoundParameters(mnemonic, bytes))
            << "filters " << testing::PrintToString(mnemonic) << " and " << testing::PrintToString(bytes);
    }
    EXPECT_TRUE(boxes.Texts().empty());
    SetText(MnemonicFilter, L"");
    SetText(BytesFilter, L"");
    EXPECT_EQ(ListRows().size(), 400u) << "nothing was dropped or changed";
}

TEST_F(HostileInput, TheLongestFilterTheFieldTakesIsHandled)
{
    HWND filter = ControlWindow(MnemonicFilter);
    const int limit = int(SendMessageW(filter, EM_GETLIMITTEXT, 0, 0));
    ASSERT_GT(limit, 0);
    const size_t length = std::min<size_t>(size_t(limit), 1u << 20);
    for (const wchar_t filler : {L'\'', L'%', L'a'}) {
        SCOPED_TRACE(testing::Message() << "filler " << char(filler));
        UnexpectedBoxes boxes;
        SetText(MnemonicFilter, std::wstring(length, filler));
        EXPECT_EQ(ReadControlText(MnemonicFilter).size(), length);
        EXPECT_EQ(ListedKeys(), RowsThroughBoundParameters(ReadControlText(MnemonicFilter), L""));
        EXPECT_TRUE(boxes.Texts().empty());
    }
    SetText(MnemonicFilter, L"");
    EXPECT_EQ(ListRows().size(), 6u);
}

} // namespace
