#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "release/unpacked_release.h"

std::wstring ReleaseFolder;
std::wstring ReleaseVersion;
int ReleaseRows = -1;

int wmain(int argc, wchar_t** argv)
{
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        if (argument.rfind(L"--folder=", 0) == 0)
            ReleaseFolder = argument.substr(9);
        else if (argument.rfind(L"--version=", 0) == 0)
            ReleaseVersion = argument.substr(10);
        else if (argument.rfind(L"--rows=", 0) == 0)
            ReleaseRows = std::stoi(argument.substr(7));
    }
    if (ReleaseFolder.empty() || ReleaseVersion.empty() || ReleaseRows < 0) {
        fwprintf(stderr, L"usage: release_tests --folder=UNPACKED --version=X.Y.Z --rows=N [gtest flags]\n");
        return 2;
    }
    return RUN_ALL_TESTS();
}
