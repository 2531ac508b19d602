#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

#include "catalogue/opcode_database.h"
#include "catalogue/refresh_list.h"
#include "program/program_process.h"
#include "support/database_corpus.h"
#include "support/kernel_handles.h"
#include "support/message_box_watch.h"
#include "support/message_wait.h"
#include "support/temp_folder.h"

namespace {

// What the program may hold at most, whatever the file.
constexpr SIZE_T MostMemory = SIZE_T{1} << 30;

// The most memory the process has held so far, read as another program would; 0 when it
// cannot be read.
SIZE_T PeakMemoryOf(DWORD processId)
{
    UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!process || !GetProcessMemoryInfo(process.get(), &counters, sizeof(counters)))
        return 0;
    return std::max(counters.PeakWorkingSetSize, counters.PeakPagefileUsage);
}

// Whether the window takes a message again before the deadline (a GetTickCount64 time).
bool AnswersBefore(HWND window, ULONGLONG deadline)
{
    const ULONGLONG now = GetTickCount64();
    const auto answers = [window] {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
    };
    return WaitUntil(answers, deadline > now ? static_cast<DWORD>(deadline - now) : 0, nullptr, 200);
}

std::wstring PaneTextOf(HWND main)
{
    std::vector<wchar_t> text(1 << 16);
    DWORD_PTR length = 0;
    SendMessageTimeoutW(GetDlgItem(main, 3), WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 1000, &length);
    return {text.data(), length};
}

// A session with each file of the corpus: the program shows it, takes a click on the first
// row, reports nothing, holds less than a gigabyte, ends with exit code 0 when closed, and
// leaves every file as it was.
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
        EXPECT_LT(PeakMemoryOf(program.Id()), MostMemory);

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

// The files made to exhaust the reader, each in a session of its own, all side by side. The
// start-up refresh and a click on the first row each give up within the time of a pass (the
// budget here leaves room for the sessions sharing the machine), the list keeps within its
// bounds, the process's memory stays far below a gigabyte, and the session ends as any other.
TEST(DatabaseCorpus, AFileMadeToExhaustTheReaderNeitherHangsTheProgramNorTakesItsMemory)
{
    constexpr ULONGLONG Budget = 3 * OpcodeDatabase::PassMilliseconds;
    struct Session {
        const CorpusCase* c;
        TempFolder folder;
        std::map<std::wstring, std::string> before;
        std::unique_ptr<ProgramProcess> program;
        HWND main = nullptr;
        int rows = 0;
    };
    std::vector<std::unique_ptr<Session>> sessions;
    for (const CorpusCase& c : ExhaustingCorpus()) {
        auto session = std::make_unique<Session>();
        session->c = &c;
        c.make(session->folder.Path());
        session->before = FolderContents(session->folder.Path());
        sessions.push_back(std::move(session));
    }
    const ULONGLONG started = GetTickCount64();
    for (auto& s : sessions)
        s->program = std::make_unique<ProgramProcess>(s->folder.Path());

    for (auto& s : sessions) {
        SCOPED_TRACE(s->c->name);
        s->main = s->program->WaitForMainWindow(DWORD(Budget));
        ASSERT_NE(s->main, nullptr);
        EXPECT_TRUE(AnswersBefore(s->main, started + Budget)) << "the start-up refresh does not end";
        DWORD_PTR rows = 0;
        SendMessageTimeoutW(s->program->List(), LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000, &rows);
        s->rows = int(rows);
        if (s->c->listedRows >= 0)
            EXPECT_EQ(s->rows, s->c->listedRows);
        else
            EXPECT_TRUE(s->rows > 0 && s->rows <= MostListedRows) << s->rows << " rows";
    }

    const ULONGLONG clicked = GetTickCount64();
    for (auto& s : sessions) {
        if (s->rows == 0)
            continue;
        SCOPED_TRACE(s->c->name);
        // Posted to the list, as the sessions' windows lie on one another on the screen.
        RECT header{};
        GetClientRect(s->program->ListHeader(), &header);
        const LPARAM firstRow = MAKELPARAM(60, header.bottom + 5);
        PostMessageW(s->program->List(), WM_LBUTTONDOWN, MK_LBUTTON, firstRow);
        PostMessageW(s->program->List(), WM_LBUTTONUP, 0, firstRow);
    }
    for (auto& s : sessions) {
        SCOPED_TRACE(s->c->name);
        if (s->c->firstDetail) {
            const ULONGLONG now = GetTickCount64();
            WaitUntil([&] { return PaneTextOf(s->main) == s->c->firstDetail; },
                      clicked + Budget > now ? static_cast<DWORD>(clicked + Budget - now) : 0, nullptr, 200);
            EXPECT_EQ(PaneTextOf(s->main), s->c->firstDetail);
        }
        EXPECT_TRUE(AnswersBefore(s->main, clicked + Budget)) << "the row click's pass does not end";
        const SIZE_T memory = PeakMemoryOf(s->program->Id());
        EXPECT_GT(memory, 0u) << "the memory cannot be read";
        EXPECT_LT(memory, MostMemory) << memory / (1 << 20) << " MiB";
        EXPECT_FALSE(DismissMessageBox(s->program->Id(), 300).has_value()) << "a message box came up";
        PostMessageW(s->main, WM_CLOSE, 0, 0);
    }
    for (auto& s : sessions) {
        SCOPED_TRACE(s->c->name);
        const auto exitCode = s->program->WaitForExit(60000);
        ASSERT_TRUE(exitCode.has_value());
        EXPECT_EQ(*exitCode, 0u);
        EXPECT_TRUE(FolderContents(s->folder.Path()) == s->before) << "a file was written, created or removed";
    }
}

} // namespace
