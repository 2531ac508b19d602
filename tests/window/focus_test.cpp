#include "window/program_window.h"

namespace {

using Focus = ProgramWindowTest;

HWND Control(int number) { return ControlWindow(number); }

TEST_F(Focus, TabAndShiftTabWalkTheControlsAndWrapAtBothEnds)
{
    const int forward[] = {OpcodeList, DetailPane, MnemonicFilter, BytesFilter, OpcodeList};
    SetFocus(nullptr);
    for (int expected : forward) {
        PressKey(VK_TAB);
        EXPECT_EQ(GetFocus(), Control(expected)) << "Tab towards control " << expected;
    }

    const int backward[] = {BytesFilter, MnemonicFilter, DetailPane, OpcodeList, BytesFilter};
    SetFocus(nullptr);
    for (int expected : backward) {
        PressKey(VK_TAB, /*withShift=*/true);
        EXPECT_EQ(GetFocus(), Control(expected)) << "Shift+Tab towards control " << expected;
    }
}

TEST_F(Focus, TabInThePaneMovesOnAndInsertsNothing)
{
    SetText(DetailPane, L"keep");
    SetFocus(Control(DetailPane));
    PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), Control(MnemonicFilter));
    EXPECT_EQ(TextOf(DetailPane), L"keep");
    EXPECT_EQ(TextOf(MnemonicFilter), L"");
}

TEST_F(Focus, TheFocusedControlGetsTheFocusBackOnReactivation)
{
    SetFocus(Control(BytesFilter));
    HWND other = CreateWindowExW(0, L"Static", L"another window", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    SetActiveWindow(other);
    SetFocus(other);
    PumpFor(50);
    ASSERT_NE(GetFocus(), Control(BytesFilter));

    SetActiveWindow(MainWindowHandle());
    PumpFor(50);
    EXPECT_EQ(GetFocus(), Control(BytesFilter));
    DestroyWindow(other);
}

} // namespace
