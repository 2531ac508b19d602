#include <windows.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "catalogue/opcode_database.h"
#include "support/fixture_database.h"
#include "support/kernel_handles.h"
#include "support/temp_folder.h"

namespace {

class OpcodeDatabaseTest : public testing::Test {
protected:
    void SetUp() override
    {
        GetCurrentDirectoryW(MAX_PATH, previous_);
        SetCurrentDirectoryW(folder_.Path().c_str());
    }
    void TearDown() override
    {
        OpcodeDatabase::Close();
        SetCurrentDirectoryW(previous_);
    }
    std::wstring Database() const { return folder_.File(L"tuvex.db3"); }

    TempFolder folder_;
    wchar_t previous_[MAX_PATH] = {};
};

std::vector<std::wstring> ReadAll(int columns)
{
    std::vector<std::wstring> cells;
    while (OpcodeDatabase::NextRow())
        for (int n = 0; n < columns; ++n)
            cells.push_back(OpcodeDatabase::ColumnText(n));
    return cells;
}

TEST_F(OpcodeDatabaseTest, OpenNeverCreatesTheFile)
{
    EXPECT_FALSE(OpcodeDatabase::Open());
    EXPECT_TRUE(FilesIn(folder_.Path()).empty());
    // Without a statement every read is empty.
    EXPECT_FALSE(OpcodeDatabase::NextRow());
    EXPECT_STREQ(OpcodeDatabase::ColumnText(0), L"");
    EXPECT_EQ(OpcodeDatabase::ColumnInt(0), 0);
}

TEST_F(OpcodeDatabaseTest, OpensTheNameInTheCurrentDirectoryOnly)
{
    TempFolder elsewhere;
    MakeDatabase(elsewhere.File(L"tuvex.db3"), CreateOpcodeTable);
    EXPECT_FALSE(OpcodeDatabase::Open());

    MakeDatabase(Database(), CreateOpcodeTable);
    EXPECT_TRUE(OpcodeDatabase::Open());
}

TEST_F(OpcodeDatabaseTest, AnEmptyFileOpensButCannotBeQueried)
{
    WriteBytes(Database(), "");
    ASSERT_TRUE(OpcodeDatabase::Open());
    EXPECT_FALSE(OpcodeDatabase::Query(L"select * from opc"));
    EXPECT_FALSE(OpcodeDatabase::NextRow());
    OpcodeDatabase::Close();
    EXPECT_EQ(ReadBytes(Database()), "");
}

TEST_F(OpcodeDatabaseTest, ReadsEveryStorageClassAsTextAndTheKeyAsInt)
{
    MakeDatabase(Database(), std::string(CreateOpcodeTable) +
                                 "insert into opc values (-7, 'ADD', NULL, 12, 2.5, x'41', 'caf\xC3\xA9');");
    ASSERT_TRUE(OpcodeDatabase::Open());
    ASSERT_TRUE(OpcodeDatabase::Query(L"select * from opc"));
    ASSERT_TRUE(OpcodeDatabase::NextRow());
    EXPECT_EQ(OpcodeDatabase::ColumnInt(0), -7);
    const std::wstring expected[] = {L"-7", L"ADD", L"", L"12", L"2.5", L"A", L"caf\u00e9"};
    for (int n = 0; n < 7; ++n)
        EXPECT_EQ(std::wstring(OpcodeDatabase::ColumnText(n)), expected[n]) << "column " << n;
    EXPECT_STREQ(OpcodeDatabase::ColumnText(9), L"") << "a column past the last reads as empty";
    EXPECT_FALSE(OpcodeDatabase::NextRow());
}

TEST_F(OpcodeDatabaseTest, SendsTheQueryAsUtf8)
{
    MakeDatabase(Database(), std::string(CreateOpcodeTable) +
                                 "insert into opc (opid, mn) values (1, '\xC3\x84' || 'x'), (2, '\xF0\x9F\x98\x80');");
    ASSERT_TRUE(OpcodeDatabase::Open());
    ASSERT_TRUE(OpcodeDatabase::Query(L"select opid, mn from opc where mn like '\u00c4%' or mn = '\U0001F600'"));
    EXPECT_EQ(ReadAll(2), (std::vector<std::wstring>{L"1", L"\u00c4x", L"2", L"\U0001F600"}));
}

TEST_F(OpcodeDatabaseTest, RunsOnlyTheFirstStatementOfTheText)
{
    MakeDatabase(Database(), std::string(CreateOpcodeTable) + "insert into opc (opid, mn) values (1, 'NOP');");
    ASSERT_TRUE(OpcodeDatabase::Open());
    ASSERT_TRUE(OpcodeDatabase::Query(L"select mn from opc; drop table opc; --"));
    EXPECT_EQ(ReadAll(1), (std::vector<std::wstring>{L"NOP"}));
    OpcodeDatabase::Close();

    ASSERT_TRUE(OpcodeDatabase::Open());
    ASSERT_TRUE(OpcodeDatabase::Query(L"select count(*) from opc"));
    EXPECT_EQ(ReadAll(1), (std::vector<std::wstring>{L"1"}));
}

TEST_F(OpcodeDatabaseTest, CloseReleasesTheFile)
{
    MakeDatabase(Database(), CreateOpcodeTable);
    ASSERT_TRUE(OpcodeDatabase::Open());
    ASSERT_TRUE(OpcodeDatabase::Query(L"select * from opc"));
    OpcodeDatabase::Close();
    EXPECT_TRUE(DeleteFileW(Database().c_str())) << "the connection or its statement still holds the file";
}

TEST_F(OpcodeDatabaseTest, AWriteProtectedFileIsReadWithoutChange)
{
    MakeDatabase(Database(), std::string(CreateOpcodeTable) + "insert into opc (opid, mn) values (3, 'HLT');");
    const std::string before = ReadBytes(Database());
    SetFileAttributesW(Database().c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(OpcodeDatabase::Open());
    ASSERT_TRUE(OpcodeDatabase::Query(L"select mn from opc"));
    EXPECT_EQ(ReadAll(1), (std::vector<std::wstring>{L"HLT"}));
    OpcodeDatabase::Close();
    EXPECT_EQ(ReadBytes(Database()), before);
    EXPECT_EQ(FilesIn(folder_.Path()), (std::vector<std::wstring>{L"tuvex.db3"}));
}

// A sorted view over an endless recursion yields no row ever: only SQLite's own check of the
// clock can end the step. The next pass has its own time again.
TEST_F(OpcodeDatabaseTest, AQueryThatNeverEndsIsInterruptedWhenThePassTimeIsUp)
{
    MakeDatabase(Database(), "create view opc as with recursive n(i) as (select 1 union all select i + 1 from n)"
                             "select i as opid, 'MN' || i as mn, 'op' as op, '' as a, '' as b, '' as c, '' as d from n;");
    ASSERT_TRUE(OpcodeDatabase::Open());
    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(OpcodeDatabase::Query(L"select * from opc order by mn DESC"));
    EXPECT_FALSE(OpcodeDatabase::NextRow());
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_GE(took, OpcodeDatabase::PassMilliseconds - 1000);
    EXPECT_LT(took, OpcodeDatabase::PassMilliseconds + 5000);
    OpcodeDatabase::Close();

    ASSERT_TRUE(OpcodeDatabase::Open());
    ASSERT_TRUE(OpcodeDatabase::Query(L"select mn from opc limit 2"));
    EXPECT_EQ(ReadAll(1), (std::vector<std::wstring>{L"MN1", L"MN2"}));
}

TEST_F(OpcodeDatabaseTest, ATableOfTwoHundredThousandRowsReadsWhole)
{
    MakeDatabase(Database(), std::string(CreateOpcodeTable) +
                                 "with recursive n(i) as (select 1 union all select i + 1 from n where i < 200000)"
                                 "insert into opc select i, 'MN' || i, 'op', '', '', '', '' from n;");
    sqlite3_memory_highwater(1);
    ASSERT_TRUE(OpcodeDatabase::Open());
    ASSERT_TRUE(OpcodeDatabase::Query(L"select * from opc order by mn DESC"));
    int rows = 0;
    std::int64_t keys = 0;
    while (OpcodeDatabase::NextRow()) {
        ++rows;
        keys += OpcodeDatabase::ColumnInt(0);
    }
    EXPECT_EQ(rows, 200000);
    EXPECT_EQ(keys, std::int64_t{200000} * 200001 / 2);
    EXPECT_LT(sqlite3_memory_highwater(0), 32 * 1024 * 1024) << "a sound table's pass stays far inside the heap's bound";
}

// A view may compute a row of gigabytes; SQLite gives up on it instead of taking the memory.
TEST_F(OpcodeDatabaseTest, ARowOfGigabytesFailsTheStepWithinBoundedMemory)
{
    std::string values;
    for (int n = 0; n < 200; ++n)
        values += ", randomblob(15000000) as c" + std::to_string(n);
    MakeDatabase(Database(), "create view opc as select 1 as opid, 'WIDE' as mn, '00' as op" + values + ";");
    sqlite3_memory_highwater(1);
    ASSERT_TRUE(OpcodeDatabase::Open());
    ASSERT_TRUE(OpcodeDatabase::Query(L"select * from opc"));
    EXPECT_FALSE(OpcodeDatabase::NextRow());
    EXPECT_LT(sqlite3_memory_highwater(0), 300 * 1024 * 1024);
}

DWORD WINAPI CommitAfterTenSeconds(void* writer)
{
    Sleep(10000);
    sqlite3_exec(static_cast<sqlite3*>(writer), "commit", nullptr, nullptr, nullptr);
    return 0;
}

// A lock and a slow query share the pass's one time: after ten seconds of waiting for another
// program's lock, the rows come for the ten seconds that are left, not for another twenty.
TEST_F(OpcodeDatabaseTest, AWaitForALockAndASlowQueryShareThePassTime)
{
    MakeDatabase(Database(), "create table t (i);"
                             "create view opc as with recursive n(i) as (select 1 union all select i + 1 from n)"
                             "select i as opid, 'MN' || i as mn, (with recursive w(k) as (select n.i union all "
                             "select k + 1 from w where k < n.i + 200000) select count(*) from w) as op,"
                             "'' as a, '' as b, '' as c, '' as d from n;");
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open16(Database().c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "begin exclusive; insert into t values (1);", nullptr, nullptr, nullptr), SQLITE_OK);
    JoinedThread committer(CreateThread(nullptr, 0, CommitAfterTenSeconds, writer, 0, nullptr));

    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(OpcodeDatabase::Open());
    ASSERT_TRUE(OpcodeDatabase::Query(L"select * from opc"));
    EXPECT_GE(GetTickCount64() - start, 9000u) << "the query waits for the lock";
    int rows = 0;
    while (OpcodeDatabase::NextRow())
        ++rows;
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_GT(rows, 0) << "the time left after the lock reads rows";
    EXPECT_GE(took, OpcodeDatabase::PassMilliseconds - 1000);
    EXPECT_LT(took, OpcodeDatabase::PassMilliseconds + 5000);

    committer.reset();
    sqlite3_close(writer);
}

} // namespace
