#include "catalogue/opcode_database.h"

#include <windows.h>

#include <sqlite3.h>

#include <string>

#include "app/unique_handle.h"

namespace {

using UniqueConnection = UniqueHandle<sqlite3*, &sqlite3_close>;
using UniqueStatement = UniqueHandle<sqlite3_stmt*, &sqlite3_finalize>;

UniqueConnection Connection;
UniqueStatement Statement;

// A wait for another program's lock counts against the pass's time but is not cut by it:
// SQLite does not ask the progress handler while it sleeps, so a wait still lasts up to the
// whole busy timeout, and the rows get only what is left of the pass's time after it. A pass
// that waits for a lock and then meets a slow query therefore still ends about 20 s after
// Open, not 20 s after the lock is gone.
constexpr int BusyTimeoutMilliseconds = 20000;
static_assert(BusyTimeoutMilliseconds == OpcodeDatabase::PassMilliseconds);

std::uint64_t PassStart = 0;

// SQLite asks this every so many steps of its program, and while it prepares a statement, so
// an endless or slow query (a recursive view that never ends, a join of billions of rows)
// is interrupted even before it yields a row.
constexpr int InstructionsBetweenClockReadings = 1000;

int InterruptWhenPassTimeIsUp(void*) { return OpcodeDatabase::PassTimeIsUp(PassStart, GetTickCount64()) ? 1 : 0; }

// The file is whatever lies in the current directory, so it is read as untrusted: no value
// may grow past what a list row could ever show, nothing may be attached, and the schema may
// neither call functions with side effects nor alter the file's internals.
constexpr int LongestValueBytes = 16 * 1024 * 1024;
// A view may compute a row of many such values, gigabytes in all; past this SQLite's
// allocations fail, and with them the step. A pass over a sound table takes a few megabytes.
constexpr sqlite3_int64 MostSqliteHeapBytes = 256 * 1024 * 1024;

void GuardAgainstHostileFile(sqlite3* connection)
{
    sqlite3_db_config(connection, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(connection, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_limit(connection, SQLITE_LIMIT_LENGTH, LongestValueBytes);
    sqlite3_limit(connection, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_hard_heap_limit64(MostSqliteHeapBytes);
}

std::string ToUtf8(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

} // namespace

namespace OpcodeDatabase {

bool Open()
{
    PassStart = GetTickCount64();
    sqlite3* connection = nullptr;
    const int result = sqlite3_open_v2(ToUtf8(FileName).c_str(), &connection, SQLITE_OPEN_READWRITE, nullptr);
    // SQLite hands back a connection object even when the open fails; it must be closed too.
    Connection.reset(connection);
    if (result != SQLITE_OK) {
        Connection.reset();
        return false;
    }
    GuardAgainstHostileFile(Connection.get());
    sqlite3_busy_timeout(Connection.get(), BusyTimeoutMilliseconds);
    sqlite3_progress_handler(Connection.get(), InstructionsBetweenClockReadings, InterruptWhenPassTimeIsUp, nullptr);
    return true;
}

bool Query(std::wstring_view sql)
{
    Statement.reset();
    if (!Connection)
        return false;
    sqlite3_stmt* statement = nullptr;
    const int result = sqlite3_prepare_v2(Connection.get(), ToUtf8(sql).c_str(), -1, &statement, nullptr);
    Statement.reset(statement);
    return result == SQLITE_OK && Statement;
}

// The time the caller spends on each row counts too: past the pass's time no further row is
// read, however few of SQLite's steps each row takes.
bool NextRow()
{
    return Statement && !PassTimeIsUp(PassStart, GetTickCount64()) && sqlite3_step(Statement.get()) == SQLITE_ROW;
}

const wchar_t* ColumnText(int column)
{
    if (!Statement)
        return L"";
    const void* text = sqlite3_column_text16(Statement.get(), column);
    return text ? static_cast<const wchar_t*>(text) : L"";
}

std::int64_t ColumnInt(int column) { return Statement ? sqlite3_column_int64(Statement.get(), column) : 0; }

void Close()
{
    Statement.reset();
    Connection.reset();
}

} // namespace OpcodeDatabase
