#include <windows.h>

#include <gtest/gtest.h>

#include <map>

#include "program/program_process.h"
#include "support/database_corpus.h"
#include "support/message_box_watch.h"
#include "support/temp_folder.h"

namespace {

// A session with each file of the corpus: the program shows it, takes a click on the first
// row, reports nothing, ends with exit code 0 when closed, and leaves every file as it was.
// Where SQLite itself recovers the file (a hot journal, an orphaned write-ahead log) the
// database must afterwards hold the same rows as seen in the session and be sound.
TEST(DatabaseCorpus, EverySessionEndsWithExitCodeZeroAndLosesNothing)
{
    for (const CorpusCase& c : DatabaseCorpus()) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        c.make(folder.Path());
        const auto before = FolderContents(folder.Path());

        ProgramProcess program(folder.Path());
        HWND main = program.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        if (c.listedRows >= 0)
            EXPECT_TRUE(program.WaitForListRows(c.listedRows, 60000));
        else
            EXPECT_TRUE(program.WaitUntilAnswering(60000));
        if (c.listedRows != 0) {
            SetForegroundWindow(main);
            RECT header{};
            GetWindowRect(program.ListHeader(), &header);
            ClickScreen({header.left + 60, header.bottom + 5});
        }
        EXPECT_FALSE(DismissMessageBox(program.Id(), 300).has_value()) << "a message box came up";

        PostMessageW(main, WM_CLOSE, 0, 0);
        const auto exitCode = program.WaitForExit(30000);
        ASSERT_TRUE(exitCode.has_value());
        EXPECT_EQ(*exitCode, 0u);

        if (!c.filesMayChange) {
            EXPECT_TRUE(FolderContents(folder.Path()) == before) << "a file was written, created or removed";
            continue;
        }
        const std::wstring database = folder.File(L"tuvex.db3");
        EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::wstring>{L"tuvex.db3"}) << "recovery left files behind";
        EXPECT_TRUE(PassesIntegrityCheck(database));
        EXPECT_EQ(MnemonicsInFile(database).size(), size_t(c.listedRows)) << "rows were lost";
        if (!MnemonicsInFile(database).empty())
            EXPECT_EQ(MnemonicsInFile(database).front(), c.firstMnemonic);
    }
}

} // namespace
