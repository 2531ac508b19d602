#include <gtest/gtest.h>

#include "catalogue/list_query.h"

namespace {

struct QueryCase {
    const wchar_t* mnemonic;
    const wchar_t* bytes;
    int sortMnemonic;
    int sortBytes;
    const wchar_t* query;
};

const QueryCase QueryCases[] = {
    {L"", L"", 0, 0, L"select * from opc"},
    {L"ad", L"", 0, 0, L"select * from opc where mn like 'ad%'"},
    {L"", L"0F", 0, 1, L"select * from opc where op like '0F%' order by op DESC"},
    {L"a'b", L"8", -1, 0, L"select * from opc where mn like 'a''b%' and op like '8%' order by mn ASC"},
    // The mnemonic's sort state decides whenever it is set.
    {L"", L"", 1, -1, L"select * from opc order by mn DESC"},
    {L"", L"", 0, -1, L"select * from opc order by op ASC"},
    // Wildcards, spaces and case go through untouched.
    {L"%dd", L"_", 0, 0, L"select * from opc where mn like '%dd%' and op like '_%'"},
    {L" ", L"", 0, 0, L"select * from opc where mn like ' %'"},
    {L"AdD", L"", 0, 0, L"select * from opc where mn like 'AdD%'"},
    // Only the bytes filter: the where form, whatever came before.
    {L"", L"'", 0, 0, L"select * from opc where op like '''%'"},
};

TEST(ListQuery, BuildsTheQueryFromFiltersAndSortState)
{
    for (const QueryCase& c : QueryCases)
        EXPECT_EQ(BuildListQuery(c.mnemonic, c.bytes, c.sortMnemonic, c.sortBytes), c.query)
            << "filters '" << testing::PrintToString(std::wstring(c.mnemonic)) << "', '"
            << testing::PrintToString(std::wstring(c.bytes)) << "'";
}

TEST(ListQuery, EscapeQuotesDoublesEveryApostropheAndNothingElse)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"", L""},
        {L"'", L"''"},
        {L"''", L"''''"},
        {L"a'b'c", L"a''b''c"},
        {L"'; drop table opc; --", L"''; drop table opc; --"},
        {L"\u2019\"`", L"\u2019\"`"}, // other quote characters stay
        {L"%_\\", L"%_\\"},
    };
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(EscapeQuotes(text), escaped);
}

} // namespace
