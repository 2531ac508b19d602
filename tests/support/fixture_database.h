#pragma once

#include <string>

// The UTF-8 form of text, as SQLite takes file names and SQL.
std::string Utf8(const std::wstring& text);

// Creates a database file at path (replacing any file there) and runs the SQL script in it.
// Fails the current test on an SQL error.
void MakeDatabase(const std::wstring& path, const std::string& sql);

// Runs SQL on an existing database file, as another program writing to it would.
void RunSql(const std::wstring& path, const std::string& sql);

// The opcode table with the seven columns the program reads, under names of our own.
inline constexpr char CreateOpcodeTable[] =
    "create table opc (opid integer primary key, mn text, op text, sw text, len text, flags text, args text);";
