#pragma once

#include <string>
#include <string_view>

// Doubles every apostrophe so the text can stand inside an SQL string literal.
std::wstring EscapeQuotes(std::wstring_view text);

// The list query for the two filter texts (prefix matches with SQLite's LIKE) and the
// sort state; the mnemonic's sort state takes precedence over the bytes'.
std::wstring BuildListQuery(std::wstring_view mnemonicFilter, std::wstring_view bytesFilter, int sortMnemonic,
                            int sortBytes);
