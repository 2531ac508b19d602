#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "app/message_box.h"
#include "app/private_font.h"
#include "app/win32_handles.h"
#include "support/message_box_watch.h"
#include "window/program_window.h"

namespace {

template <typename T>
T Read(size_t offset)
{
    T value;
    std::memcpy(&value, EmbeddedFontBlob + offset, sizeof(T));
    return value;
}

// The offset of the RT_FONT resource with the given ordinal in the embedded font file.
size_t FontResource(int ordinal)
{
    const size_t ne = Read<uint32_t>(0x3C);
    const size_t table = ne + Read<uint16_t>(ne + 0x24);
    const int shift = Read<uint16_t>(table);
    for (size_t type = table + 2; Read<uint16_t>(type) != 0;) {
        const int typeId = Read<uint16_t>(type);
        const int count = Read<uint16_t>(type + 2);
        for (int n = 0; n < count; ++n) {
            const size_t entry = type + 8 + 12 * n;
            if (typeId == 0x8008 && Read<uint16_t>(entry + 6) == (0x8000 | ordinal))
                return size_t(Read<uint16_t>(entry)) << shift;
        }
        type += 8 + 12 * count;
    }
    return 0;
}

// The glyph of a character as rows of bits, leftmost pixel in the top bit of each byte.
std::vector<uint8_t> GlyphRows(size_t font, unsigned char character)
{
    const int height = Read<uint16_t>(font + 0x58);
    const int first = Read<uint8_t>(font + 0x5F);
    const size_t entry = font + 0x76 + 4 * (character - first);
    EXPECT_EQ(Read<uint16_t>(entry), 8) << "one byte column per row";
    const size_t bits = font + Read<uint16_t>(entry + 2);
    std::vector<uint8_t> rows;
    for (int y = 0; y < height; ++y)
        rows.push_back(Read<uint8_t>(bits + y));
    return rows;
}

// Draws one character in the given font, black on white, and reads it back as rows of bits.
std::vector<uint8_t> DrawnRows(HFONT font, wchar_t character)
{
    const UniqueDisplayContext dc(CreateCompatibleDC(GetWindowDc(nullptr).get().dc));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, -16, 1, 32, BI_RGB};
    void* pixels = nullptr;
    const UniqueBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    const UniqueSelection bitmapSelected = SelectInto(dc.get(), bitmap.get());
    const UniqueSelection fontSelected = SelectInto(dc.get(), font);
    SetTextColor(dc.get(), RGB(0, 0, 0));
    SetBkColor(dc.get(), RGB(255, 255, 255));
    SetBkMode(dc.get(), OPAQUE);
    TextOutW(dc.get(), 0, 0, &character, 1);
    GdiFlush();
    std::vector<uint8_t> rows;
    const auto* colour = static_cast<const uint32_t*>(pixels);
    for (int y = 0; y < 16; ++y) {
        uint8_t row = 0;
        for (int x = 0; x < 8; ++x)
            row = uint8_t(row << 1 | ((colour[y * 8 + x] & 0xFFFFFF) == 0 ? 1 : 0));
        rows.push_back(row);
    }
    return rows;
}

HFONT ProgramFont()
{
    const UniqueDisplayContext display(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    const int height = -MulDiv(10, GetDeviceCaps(display.get(), LOGPIXELSY), 72);
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Dina");
}

using PrivateFont = ProgramWindowTest;

TEST_F(PrivateFont, IsRegisteredAndGivesEightBySixteenCellsAtNinetySixDpi)
{
    EXPECT_NE(PrivateFontRegistration(), nullptr);
    wchar_t face[LF_FACESIZE] = {};
    TEXTMETRICW metrics{};
    {
        const UniqueFont font(ProgramFont());
        const UniqueDisplayContext dc(CreateCompatibleDC(nullptr));
        const UniqueSelection fontSelected = SelectInto(dc.get(), font.get());
        GetTextFaceW(dc.get(), LF_FACESIZE, face);
        GetTextMetricsW(dc.get(), &metrics);
    }

    EXPECT_STREQ(face, L"Dina");
    EXPECT_EQ(metrics.tmHeight, 16);
    EXPECT_EQ(metrics.tmAveCharWidth, 8);
    EXPECT_EQ(metrics.tmMaxCharWidth, 8);
    EXPECT_EQ(metrics.tmInternalLeading, 3);
}

TEST_F(PrivateFont, TheFourControlsAndNothingElseUseIt)
{
    HFONT font = PrivateFontObject();
    ASSERT_NE(font, nullptr);
    for (int number : {OpcodeList, MnemonicFilter, BytesFilter, DetailPane}) {
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(ControlWindow(number), WM_GETFONT, 0, 0)), font) << number;
        EXPECT_EQ(FontsBeforeRegistration[number], GetStockObject(DEFAULT_GUI_FONT))
            << "control " << number << " was made with the stock GUI font, which stays when registration is skipped";
    }
    EXPECT_NE(reinterpret_cast<HFONT>(SendMessageW(MainWindowHandle(), WM_GETFONT, 0, 0)), font);

    const std::vector<HWND> tooltips = TooltipWindows();
    int usingFont = 0;
    for (HWND tooltip : tooltips)
        if (reinterpret_cast<HFONT>(SendMessageW(tooltip, WM_GETFONT, 0, 0)) == font)
            ++usingFont;
    EXPECT_GE(tooltips.size(), 2u) << "the filter tips' tooltip and the legend";
    EXPECT_EQ(usingFont, 0) << "the tooltips keep the system's font";
}

TEST_F(PrivateFont, AMessageBoxKeepsTheSystemsFont)
{
    HFONT boxFont = nullptr;
    MessageBoxWatch watch(10000, [&](HWND box) {
        boxFont = reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(box, 0xFFFF), WM_GETFONT, 0, 0));
    });
    ShowMessage(L"Database error", L"it happens");
    ASSERT_TRUE(watch.Result().has_value());
    EXPECT_NE(boxFont, PrivateFontObject());
}

TEST_F(PrivateFont, DrawsTheGlyphsOfTheEmbeddedFile)
{
    const size_t font = FontResource(4);
    ASSERT_NE(font, 0u);
    HFONT programFont = PrivateFontObject();
    for (wchar_t character : {L'A', L'g', L'0', L'#', L'~', L'm'}) {
        EXPECT_EQ(DrawnRows(programFont, character), GlyphRows(font, static_cast<unsigned char>(character)))
            << "character " << char(character);
    }
}

} // namespace
