#include "app/legend_tooltip.h"

#include <commctrl.h>

#include "app/controls.h"

std::wstring LegendText;

namespace {

constexpr wchar_t MemoryOperands[] =
    L"mb memory byte\r"
    L"mw memory word\r"
    L"md memory double word\r"
    L"mq memory quad word\r";

constexpr wchar_t RegisterOperands[] =
    L"rb register byte\r"
    L"rw register word\r"
    L"rd register double word\r"
    L"rmb register or memory byte\r"
    L"rmw register or memory word\r";

constexpr wchar_t OtherOperands[] =
    L"sl short label\r"
    L"ll long label\r"
    L"np near pointer\r"
    L"fp far pointer\r"
    L"ib immediate byte\r"
    L"iw immediate word\r"
    L"mwr memory word real\r"
    L"mdr memory double word real\r"
    L"mqr memory quad word real\r"
    L"mtr memory ten byte real\r"
    L"cr control register\r"
    L"dr Debug register\r"
    L"\r";

constexpr wchar_t EncodingFields[] =
    L"Sign Bit E: Sign-extended 8-bit immediate data N: Non\r"
    L"Word/byte Bit W: 16-bit operanrs B: 8-bit operands\r"
    L"mr Addressing mode Byte = MODRM(mod-reg-r/m)\r"
    L"/0~7 2nd Or 3rd Opcode (MODRM bits 5,4,3 from reg field)\r"
    L"d0 d1 Displacement [Low-byte High-byte]\r"
    L"i0 i1 Immediate word value\r"
    L"o0 o1 Offset value\r"
    L"s0 s1 Segment value\r"
    L"r0 Relative Short Displacement To label 'sl' (-128/+127 bytes)\r"
    L"r0 r1 Relative Long Displacement To label 'll' (-32768/+32767 bytes)";

constexpr int LegendWidth = 600;
constexpr int LegendShowMilliseconds = 15000;

} // namespace

void AssembleLegendText()
{
    LegendText = MemoryOperands;
    LegendText += RegisterOperands;
    LegendText += OtherOperands;
    LegendText += EncodingFields;
}

void AttachLegendTooltip(HWND parent, int control, const std::wstring& text)
{
    std::wstring ownCopy = text;
    HWND tooltip = CreateWindowExW(0, L"ToolTips_Class32", L"", WS_POPUP | TTS_NOPREFIX, 0, 0, 0, 0, parent,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(tooltip, TTM_SETTIPTEXTCOLOR, GetSysColor(COLOR_INFOTEXT), 0);
    SendMessageW(tooltip, TTM_SETTIPBKCOLOR, GetSysColor(COLOR_INFOBK), 0);
    SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0, LegendWidth);
    SendMessageW(tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, LegendShowMilliseconds);

    HWND tool = ControlWindow(control);
    TTTOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = tool;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = ownCopy.data();
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}
