#include "catalogue/list_query.h"

#include "catalogue/sort_state.h"

std::wstring EscapeQuotes(std::wstring_view text)
{
    std::wstring escaped;
    escaped.reserve(text.size());
    for (wchar_t c : text) {
        escaped += c;
        if (c == L'\'')
            escaped += L'\'';
    }
    return escaped;
}

namespace {

const wchar_t* SortClause(int sortMnemonic, int sortBytes)
{
    if (sortMnemonic == SortAscending)
        return L" order by mn ASC";
    if (sortMnemonic == SortDescending)
        return L" order by mn DESC";
    if (sortBytes == SortAscending)
        return L" order by op ASC";
    if (sortBytes == SortDescending)
        return L" order by op DESC";
    return L"";
}

} // namespace

std::wstring BuildListQuery(std::wstring_view mnemonicFilter, std::wstring_view bytesFilter, int sortMnemonic,
                            int sortBytes)
{
    std::wstring filter;
    if (!mnemonicFilter.empty())
        filter = L" where mn like '" + EscapeQuotes(mnemonicFilter) + L"%'";
    if (!bytesFilter.empty())
        filter += (filter.empty() ? L" where op like '" : L" and op like '") + EscapeQuotes(bytesFilter) + L"%'";
    return L"select * from opc" + filter + SortClause(sortMnemonic, sortBytes);
}
