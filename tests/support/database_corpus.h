#pragma once

#include <string>
#include <vector>

// Database files as they are found in the wild: broken, odd, hostile or busy. Each case makes
// its files in a folder and says what the list must show when the program reads them.
struct CorpusCase {
    const char* name;
    void (*make)(const std::wstring& folder);
    int listedRows;              // rows the list shows with both filters empty; -1: any number
    const wchar_t* firstMnemonic; // the first row's "Mnem" text, when there are rows and it is fixed
    const wchar_t* firstDetail;  // the pane after a click on the first row; null: not checked
    bool filesMayChange;         // SQLite recovers the file on reading (hot journal, orphaned WAL)
};

const std::vector<CorpusCase>& DatabaseCorpus();

// Files made to exhaust the reader: queries without end, rows that come slowly, rows of
// gigabytes. A pass over one of them may take the whole time a pass has, so their sessions
// are run side by side.
const std::vector<CorpusCase>& ExhaustingCorpus();

// For the cases whose files SQLite recovers: the rows that must be in the file afterwards, and
// whether it passes SQLite's own integrity check.
std::vector<std::wstring> MnemonicsInFile(const std::wstring& database);
bool PassesIntegrityCheck(const std::wstring& database);
