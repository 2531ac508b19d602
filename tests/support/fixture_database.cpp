#include "support/fixture_database.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

namespace {

void Execute(const std::wstring& path, const std::string& sql, int flags)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(Utf8(path).c_str(), &db, flags, nullptr), SQLITE_OK);
    char* error = nullptr;
    const int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(result, SQLITE_OK) << message << "\nin: " << sql.substr(0, 300);
}

} // namespace

void MakeDatabase(const std::wstring& path, const std::string& sql)
{
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    Execute(path, sql, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

void RunSql(const std::wstring& path, const std::string& sql) { Execute(path, sql, SQLITE_OPEN_READWRITE); }
