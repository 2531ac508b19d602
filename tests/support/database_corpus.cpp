#include "support/database_corpus.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>

#include "support/fixture_database.h"
#include "support/temp_folder.h"

namespace {

std::wstring Db(const std::wstring& folder) { return folder + L"\\tuvex.db3"; }

const char Seven[] =
    "create table opc (opid integer primary key, mn text, op text, sw text, len text, flags text, args text);";

std::string ThreeRows()
{
    return std::string(Seven) +
           "insert into opc values (1, 'ADD', '00 mr', 'N B', '2~4', 'O---SZAPC', 'rmb,rb');"
           "insert into opc values (2, 'CLC', 'F8', '- -', '1', '--------0', '');"
           "insert into opc values (3, 'NOP', '90', '- -', '1', '---------', '');";
}

// A table large enough to span many pages, so damage lands inside the data.
std::string ManyRows(int count)
{
    std::string sql = std::string(Seven) + "begin;";
    for (int n = 1; n <= count; ++n)
        sql += "insert into opc values (" + std::to_string(n) + ", 'MN" + std::to_string(n) +
               "', 'op bytes " + std::to_string(n) + "', 'N B', '2~4', 'O---SZAPC', 'rmb,rb');";
    return sql + "commit;";
}

std::string RandomBytes(size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

// Runs SQL on a connection that is still open when the files are copied elsewhere, as if the
// writer had died at that moment.
void CopyWhileOpen(const std::wstring& folder, const char* setup, const char* whileOpen,
                   const std::vector<std::wstring>& suffixes)
{
    TempFolder scratch;
    const std::wstring source = Db(scratch.Path());
    MakeDatabase(source, setup);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Utf8(source).c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, whileOpen, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    for (const std::wstring& suffix : suffixes)
        ASSERT_TRUE(CopyFileW((source + suffix).c_str(), (Db(folder) + suffix).c_str(), FALSE))
            << "no file " << Utf8(source + suffix);
    sqlite3_close(db); // the copies keep the state of the moment before
}

const std::vector<CorpusCase> Corpus = {
    {"empty file", [](const std::wstring& f) { WriteBytes(Db(f), ""); }, 0, nullptr, nullptr, false},
    {"text file", [](const std::wstring& f) { WriteBytes(Db(f), "opid,mn,op\n1,ADD,00\n"); }, 0, nullptr, nullptr,
     false},
    {"random bytes", [](const std::wstring& f) { WriteBytes(Db(f), RandomBytes(8192, 7)); }, 0, nullptr, nullptr,
     false},
    {"truncated in the middle of a page",
     [](const std::wstring& f) {
         MakeDatabase(Db(f), ManyRows(400));
         const std::string bytes = ReadBytes(Db(f));
         WriteBytes(Db(f), bytes.substr(0, bytes.size() / 2 + 1000));
     },
     -1, nullptr, nullptr, false},
    {"valid header, damaged pages",
     [](const std::wstring& f) {
         MakeDatabase(Db(f), ManyRows(400));
         std::string bytes = ReadBytes(Db(f));
         const std::string noise = RandomBytes(bytes.size() - 4096, 11);
         bytes.replace(4096, noise.size(), noise);
         WriteBytes(Db(f), bytes);
     },
     -1, nullptr, nullptr, false},
    {"no table opc",
     [](const std::wstring& f) { MakeDatabase(Db(f), "create table opcodes (opid, mn, op, a, b, c, d);"); }, 0,
     nullptr, nullptr, false},
    {"opc with three columns",
     [](const std::wstring& f) {
         MakeDatabase(Db(f), "create table opc (opid integer primary key, mn, op); insert into opc values (1, 'ADD', '00');");
     },
     1, L"ADD", L"ADD \r\n bytes:00\r\nflags:,Sign Bit/Word-byte bit:", false},
    {"named columns in other positions",
     [](const std::wstring& f) {
         MakeDatabase(Db(f), "create table opc (mn, op, opid, a, b, c, d);"
                             "insert into opc values ('ADD', '00', 1, 'A', 'B', 'C', 'D');");
     },
     // Columns are taken by position: "Mnem" shows op and the key is read from mn.
     1, L"00", nullptr, false},
    {"opc as a view",
     [](const std::wstring& f) {
         MakeDatabase(Db(f), "create table t (id integer primary key, m, o, s, l, fl, a);"
                             "insert into t values (9, 'HLT', 'F4', '- -', '1', '---------', '');"
                             "create view opc (opid, mn, op, sw, len, flags, args) as select * from t;");
     },
     1, L"HLT", L"HLT \r\n1 bytes:F4\r\nflags:---------,Sign Bit/Word-byte bit:- -", false},
    {"every storage class in every column",
     [](const std::wstring& f) {
         MakeDatabase(Db(f), "create table opc (opid, mn, op, sw, len, flags, args);"
                             "insert into opc values (1, 12, 3.5, x'4142', NULL, -7, 1e300);"
                             "insert into opc values (2, NULL, NULL, NULL, NULL, NULL, NULL);"
                             "insert into opc values (3, x'41', 0, 'text', 2, 0.5, x'');");
     },
     3, L"12", L"12 1.0e+300\r\n bytes:3.5\r\nflags:-7,Sign Bit/Word-byte bit:AB", false},
    {"a megabyte in mn",
     [](const std::wstring& f) {
         MakeDatabase(Db(f), std::string(Seven) +
                                 "insert into opc values (1, 'A' || hex(zeroblob(524288)), '00', "
                                 "'', '', '', '');");
     },
     1, nullptr, nullptr, false},
    {"a value made huge by the schema",
     [](const std::wstring& f) {
         // A view that would hand the reader half a gigabyte per row.
         MakeDatabase(Db(f), "create view opc as select 1 as opid, randomblob(500000000) as mn, '00' as op, "
                             "'' as a, '' as b, '' as c, '' as d;");
     },
     0, nullptr, nullptr, false},
    {"opid outside the 32-bit range",
     [](const std::wstring& f) {
         MakeDatabase(Db(f), std::string(Seven) +
                                 "insert into opc values (-4294967295, 'BIG', 'FF', '', '', '', 'far away');"
                                 "insert into opc values (1, 'ONE', '01', '', '', '', 'the first');");
     },
     2, L"BIG", L"BIG far away\r\n bytes:FF\r\nflags:,Sign Bit/Word-byte bit:", false},
    {"two hundred thousand rows",
     [](const std::wstring& f) {
         MakeDatabase(Db(f), std::string(Seven) +
                                 "with recursive n(i) as (select 1 union all select i + 1 from n where i < 200000)"
                                 "insert into opc select i, 'MN' || i, printf('%02X mr', i % 256), 'N W', '2~4',"
                                 "'O---SZAPC', 'rmw,rw' from n;");
     },
     200000, L"MN1", L"MN1 rmw,rw\r\n2~4 bytes:01 mr\r\nflags:O---SZAPC,Sign Bit/Word-byte bit:N W", false},
    {"WAL mode with its -wal file",
     [](const std::wstring& f) {
         CopyWhileOpen(f, "pragma journal_mode=wal; create table opc (opid integer primary key, mn, op, a, b, c, d);"
                          "insert into opc values (1, 'ADD', '00', 0, 0, 0, 0);",
                       "pragma wal_autocheckpoint=0; insert into opc values (2, 'SUB', '28', 0, 0, 0, 0);",
                       {L"", L"-wal"});
     },
     2, L"ADD", nullptr, true},
    {"a hot journal",
     [](const std::wstring& f) {
         CopyWhileOpen(f, ManyRows(300).c_str(),
                       "pragma cache_size=1; begin; update opc set mn = 'CHANGED'; delete from opc where opid > 5;",
                       {L"", L"-journal"});
     },
     300, L"MN1", nullptr, true},
};

// opc as a view over the numbers from 1 on, without end, with mn and op computed from i.
std::string EndlessView(const std::string& mnemonic, const std::string& bytes)
{
    return "create view opc as with recursive n(i) as (select 1 union all select i + 1 from n) "
           "select i as opid, " + mnemonic + " as mn, " + bytes + " as op, '' as a, '' as b, '' as c, '' as d from n;";
}

const std::vector<CorpusCase> Exhausting = {
    {"an endless recursive view", [](const std::wstring& f) { MakeDatabase(Db(f), EndlessView("'MN' || i", "'op'")); },
     -1, L"MN1", L"MN1 \r\n bytes:op\r\nflags:,Sign Bit/Word-byte bit:", false},
    {"a view that yields a row a second",
     [](const std::wstring& f) {
         // Each row counts a million steps of a recursion of its own.
         MakeDatabase(Db(f), EndlessView("'MN' || i", "(with recursive w(k) as (select n.i union all select k + 1 from "
                                                      "w where k < n.i + 1000000) select count(*) from w)"));
     },
     -1, L"MN1", nullptr, false},
    {"a cross join of eight billion rows",
     [](const std::wstring& f) {
         MakeDatabase(Db(f), "create table t (i integer primary key);"
                             "with recursive n(i) as (select 1 union all select i + 1 from n where i < 2000)"
                             "insert into t select i from n;"
                             "create view opc as select (a.i - 1) * 4000000 + (b.i - 1) * 2000 + c.i as opid,"
                             "'MN' || a.i as mn, b.i || ' ' || c.i as op, '' as s, '' as l, '' as f, '' as g "
                             "from t a, t b, t c;");
     },
     -1, L"MN1", L"MN1 \r\n bytes:1 1\r\nflags:,Sign Bit/Word-byte bit:", false},
    {"a single row of three gigabytes",
     [](const std::wstring& f) {
         std::string values;
         for (int n = 0; n < 200; ++n)
             values += ", randomblob(15000000) as c" + std::to_string(n);
         MakeDatabase(Db(f), "create view opc as select 1 as opid, 'WIDE' as mn, '00' as op" + values + ";");
     },
     0, nullptr, nullptr, false},
    {"endless rows of eight-megabyte mnemonics",
     [](const std::wstring& f) { MakeDatabase(Db(f), EndlessView("printf('%.*c', 8000000, 'A')", "'op'")); }, 4,
     nullptr, nullptr, false},
};

} // namespace

const std::vector<CorpusCase>& DatabaseCorpus() { return Corpus; }

const std::vector<CorpusCase>& ExhaustingCorpus() { return Exhausting; }

std::vector<std::wstring> MnemonicsInFile(const std::wstring& database)
{
    std::vector<std::wstring> mnemonics;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(Utf8(database).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "select mn from opc order by opid", -1, &statement, nullptr) == SQLITE_OK)
            while (sqlite3_step(statement) == SQLITE_ROW) {
                const void* text = sqlite3_column_text16(statement, 0);
                mnemonics.push_back(text ? static_cast<const wchar_t*>(text) : L"");
            }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return mnemonics;
}

bool PassesIntegrityCheck(const std::wstring& database)
{
    sqlite3* db = nullptr;
    bool ok = false;
    if (sqlite3_open_v2(Utf8(database).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "pragma integrity_check", -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            ok = std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))) == "ok";
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return ok;
}
