#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program/program_process.h"
#include "release/unpacked_release.h"
#include "support/temp_folder.h"

namespace {

std::wstring ProgramIn(const std::wstring& folder) { return folder + L"\\x86opcodes.exe"; }

std::wstring VersionValue(const std::vector<BYTE>& block, const std::wstring& name)
{
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = L"\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || !length)
        return L"<missing>";
    const auto* text = static_cast<const wchar_t*>(value);
    return std::wstring(text, wcsnlen(text, length));
}

// What Explorer's file properties show: the version resource, read through version.dll.
TEST(UnpackedRelease, TheProgramCarriesTheReleaseVersionAndItsNames)
{
    const std::wstring program = ProgramIn(ReleaseFolder);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource";
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, block.data()));

    const std::pair<const wchar_t*, std::wstring> values[] = {
        {L"ProductName", L"x86 opcodes"},
        {L"FileVersion", ReleaseVersion},
        {L"ProductVersion", ReleaseVersion},
        {L"OriginalFilename", L"x86opcodes.exe"},
        {L"LegalCopyright", L"Copyright (c) 2026 The x86 opcodes authors. MIT licence."},
    };
    for (const auto& [name, expected] : values)
        EXPECT_EQ(VersionValue(block, name), expected) << name;
    EXPECT_NE(VersionValue(block, L"FileDescription"), L"<missing>");

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    const std::wstring numeric = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                                 std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                                 std::to_wstring(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(numeric, ReleaseVersion);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

// A user unpacks the zip and starts the program from its folder: it shows every row of the
// shipped table, Escape ends it with exit code 0, and nothing in the folder changes.
TEST(UnpackedRelease, StartedInItsFolderItShowsTheWholeTableAndEndsOnEscape)
{
    const auto before = FolderContents(ReleaseFolder);
    ASSERT_FALSE(before.empty());

    ProgramProcess program(ReleaseFolder, ProgramIn(ReleaseFolder));
    ASSERT_TRUE(program.Started());
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(program.WaitForListRows(ReleaseRows)) << "the list does not show the table's " << ReleaseRows
                                                      << " rows";

    // The program looks at the Escape key when it wakes up, so the key is held while a message arrives.
    SetForegroundWindow(main);
    Sleep(100);
    KeyDown(VK_ESCAPE);
    Sleep(100);
    PostMessageW(main, WM_NULL, 0, 0);
    const auto exitCode = program.WaitForExit();
    KeyUp(VK_ESCAPE);
    ASSERT_TRUE(exitCode.has_value()) << "Escape did not end the program";
    EXPECT_EQ(*exitCode, 0u);
    EXPECT_EQ(FolderContents(ReleaseFolder), before);
}

} // namespace
