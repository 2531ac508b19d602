#include <gtest/gtest.h>

#include <climits>

#include "catalogue/opcode_detail.h"

namespace {

TEST(DetailQuery, WritesTheKeyInPlainDecimal)
{
    const std::pair<std::int64_t, const wchar_t*> cases[] = {
        {42, L"select * from opc where opid=42"},
        {0, L"select * from opc where opid=0"},
        {-5, L"select * from opc where opid=-5"},
        {INT_MIN, L"select * from opc where opid=-2147483648"},
        {INT_MAX, L"select * from opc where opid=2147483647"},
        {-4294967295LL, L"select * from opc where opid=-4294967295"},
        {INT64_MIN, L"select * from opc where opid=-9223372036854775808"},
    };
    for (const auto& [key, query] : cases)
        EXPECT_EQ(BuildDetailQuery(key), query);
}

TEST(DetailText, PutsTheColumnsOnThreeLines)
{
    const wchar_t* const columns[7] = {L"", L"ADD", L"00 mr", L"N B", L"2~4", L"O---SZAPC", L"rmb,rb"};
    EXPECT_EQ(BuildDetailText(columns),
              L"ADD rmb,rb\r\n2~4 bytes:00 mr\r\nflags:O---SZAPC,Sign Bit/Word-byte bit:N B");
}

TEST(DetailText, KeepsTheLiteralsAroundEmptyColumns)
{
    const wchar_t* const columns[7] = {L"", L"NOP", L"90", L"", L"", L"", L""};
    EXPECT_EQ(BuildDetailText(columns), L"NOP \r\n bytes:90\r\nflags:,Sign Bit/Word-byte bit:");
}

TEST(DetailText, CutsEachValueAtTheLongestShown)
{
    const std::wstring huge(LongestShownValue + 5, L'x');
    const std::wstring exact(LongestShownValue, L'y');
    const wchar_t* const columns[7] = {L"", huge.c_str(), exact.c_str(), L"", L"", L"", L""};
    EXPECT_EQ(BuildDetailText(columns), std::wstring(LongestShownValue, L'x') + L" \r\n bytes:" + exact +
                                            L"\r\nflags:,Sign Bit/Word-byte bit:");
}

} // namespace
