#include <windows.h>
#include <commctrl.h>

#include "app/legend_tooltip.h"
#include "window/program_window.h"

namespace {

// Written out apart from the program's own pieces, one entry per shown line.
const wchar_t* const LegendLines[] = {
    L"mb memory byte",
    L"mw memory word",
    L"md memory double word",
    L"mq memory quad word",
    L"rb register byte",
    L"rw register word",
    L"rd register double word",
    L"rmb register or memory byte",
    L"rmw register or memory word",
    L"sl short label",
    L"ll long label",
    L"np near pointer",
    L"fp far pointer",
    L"ib immediate byte",
    L"iw immediate word",
    L"mwr memory word real",
    L"mdr memory double word real",
    L"mqr memory quad word real",
    L"mtr memory ten byte real",
    L"cr control register",
    L"dr Debug register",
    L"",
    L"Sign Bit E: Sign-extended 8-bit immediate data N: Non",
    L"Word/byte Bit W: 16-bit operanrs B: 8-bit operands",
    L"mr Addressing mode Byte = MODRM(mod-reg-r/m)",
    L"/0~7 2nd Or 3rd Opcode (MODRM bits 5,4,3 from reg field)",
    L"d0 d1 Displacement [Low-byte High-byte]",
    L"i0 i1 Immediate word value",
    L"o0 o1 Offset value",
    L"s0 s1 Segment value",
    L"r0 Relative Short Displacement To label 'sl' (-128/+127 bytes)",
    L"r0 r1 Relative Long Displacement To label 'll' (-32768/+32767 bytes)",
};

std::wstring ExpectedLegend()
{
    std::wstring text;
    for (const wchar_t* line : LegendLines) {
        if (!text.empty() || line != LegendLines[0])
            text += L'\r';
        text += line;
    }
    return text;
}

using Legend = ProgramWindowTest;

TEST_F(Legend, TextIsTheThirtyTwoLinesSeparatedByLoneCarriageReturns)
{
    EXPECT_EQ(LegendText.size(), 865u);
    EXPECT_EQ(LegendText, ExpectedLegend());
    EXPECT_EQ(LegendText.find(L'\n'), std::wstring::npos);
}

TEST_F(Legend, ThePaneIsTheOnlyToolOfATooltipOfItsOwn)
{
    HWND tooltip = TooltipOf(DetailPane);
    ASSERT_NE(tooltip, nullptr);
    EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);

    std::vector<wchar_t> text(2048);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.lpszText = text.data();
    ASSERT_TRUE(SendMessageW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_EQ(tool.uFlags & (TTF_IDISHWND | TTF_SUBCLASS), UINT(TTF_IDISHWND | TTF_SUBCLASS));
    EXPECT_EQ(tool.hwnd, ControlWindow(DetailPane));
    EXPECT_EQ(tool.lParam, 0);
    EXPECT_EQ(std::wstring(text.data()), ExpectedLegend());
}

TEST_F(Legend, TooltipHasItsOwnStylesWidthDelayAndColours)
{
    HWND tooltip = TooltipOf(DetailPane);
    ASSERT_NE(tooltip, nullptr);
    const LONG_PTR style = GetWindowLongPtrW(tooltip, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & TTS_NOPREFIX);
    EXPECT_FALSE(style & TTS_ALWAYSTIP);
    EXPECT_FALSE(GetWindowLongPtrW(tooltip, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(tooltip, GW_OWNER), nullptr);
    EXPECT_EQ(SendMessageW(tooltip, TTM_GETMAXTIPWIDTH, 0, 0), 600);
    EXPECT_EQ(SendMessageW(tooltip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 15000);
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(tooltip, TTM_GETTIPTEXTCOLOR, 0, 0)), GetSysColor(COLOR_INFOTEXT));
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(tooltip, TTM_GETTIPBKCOLOR, 0, 0)), GetSysColor(COLOR_INFOBK));
}

TEST_F(Legend, ShowsOverThePaneOnlyAndStaysTheSameAfterARowClick)
{
    HWND tooltip = TooltipOf(DetailPane);
    ASSERT_NE(tooltip, nullptr);
    ClickAt(ListRowPoint(0));

    const auto hoverShows = [&](HWND control) {
        RECT bounds{};
        GetWindowRect(control, &bounds);
        SetCursorPos((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2 + 5);
        PumpFor(100);
        SetCursorPos((bounds.left + bounds.right) / 2 + 2, (bounds.top + bounds.bottom) / 2 + 3);
        const bool shown = PumpUntil([&] { return IsWindowVisible(tooltip) != FALSE; }, 1200);
        SendMessageW(tooltip, TTM_POP, 0, 0);
        // Showing a tip makes its window top-most; put it back as the program made it.
        SetWindowPos(tooltip, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return shown;
    };
    EXPECT_FALSE(hoverShows(ControlWindow(OpcodeList)));
    EXPECT_FALSE(hoverShows(ControlWindow(MnemonicFilter)));
    EXPECT_TRUE(hoverShows(ControlWindow(DetailPane)));

    std::vector<wchar_t> text(2048);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.lpszText = text.data();
    SendMessageW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(std::wstring(text.data()), ExpectedLegend());
}

} // namespace
