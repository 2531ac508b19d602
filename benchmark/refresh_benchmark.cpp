// Measures a keystroke's list refresh in the real, visible window against the database work
// that the same refresh cannot avoid, for tables of three sizes, three filters, with and
// without a sort. Usage:
//   refresh_benchmark [--reference PATH] [--page-size BYTES] [--repetitions-scale X] [--breakdown]
// The first table has the size of the reference table, read from PATH or, without --reference,
// from the "tuvex.db3" built beside this executable; --breakdown adds one timed pass of each
// step of an unfiltered refresh per table size.

#include <windows.h>
#include <commctrl.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/event_loop.h"
#include "app/event_queue.h"
#include "app/program.h"
#include "benchmark/synthetic_table.h"
#include "catalogue/list_query.h"
#include "catalogue/opcode_database.h"
#include "catalogue/refresh_list.h"
#include "catalogue/sort_state.h"

namespace {

struct Options {
    std::string referencePath;
    int pageSize = 4096;
    double repetitionsScale = 1.0;
    bool breakdown = false;
};

struct FilterCase {
    const wchar_t* mnemonicFilter;
    const char* label;
};

constexpr FilterCase Filters[] = {{L"", "none"}, {L"f", "'f'"}, {L"add", "'add'"}};

struct TableSize {
    int rows;
    int repetitions;
};

struct CaseResult {
    int tableRows;
    const char* filter;
    bool sorted;
    int rowsReturned;
    double floorMedian;
    double refreshMedian;
};

double Milliseconds(LARGE_INTEGER start, LARGE_INTEGER end)
{
    static const double ticksPerMillisecond = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    return static_cast<double>(end.QuadPart - start.QuadPart) / ticksPerMillisecond;
}

double TimeOf(const std::function<void()>& work)
{
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    work();
    QueryPerformanceCounter(&end);
    return Milliseconds(start, end);
}

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

// Lets the window handle whatever the last refresh left queued, so that every timed refresh
// starts from an idle window, and drops the control events that a user's handling would see.
void SettleWindow()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DeliverMessage(message);
    DiscardPendingEvents();
}

// The database part of a refresh alone, as RefreshList does it: a fresh connection, the
// query built from the same filters, every row with its three shown columns read, Close.
int RunDatabasePart(const std::wstring& query)
{
    int rows = 0;
    if (!OpcodeDatabase::Open())
        return -1;
    if (OpcodeDatabase::Query(query)) {
        while (OpcodeDatabase::NextRow()) {
            volatile std::int64_t key = OpcodeDatabase::ColumnInt(0);
            volatile wchar_t mnemonic = *OpcodeDatabase::ColumnText(1);
            volatile wchar_t bytes = *OpcodeDatabase::ColumnText(2);
            (void)key, (void)mnemonic, (void)bytes;
            ++rows;
        }
    }
    OpcodeDatabase::Close();
    return rows;
}

double RefreshAndRepaint()
{
    HWND list = ControlWindow(OpcodeList);
    return TimeOf([list] {
        RefreshList();
        UpdateWindow(list);
    });
}

CaseResult MeasureCase(int tableRows, int repetitions, const FilterCase& filter, bool sorted)
{
    SetControlText(MnemonicFilter, filter.mnemonicFilter);
    SetControlText(BytesFilter, L"");
    SortMnemonic = sorted ? SortAscending : NotSorted;
    SortBytes = NotSorted;
    const std::wstring query = BuildListQuery(filter.mnemonicFilter, L"", SortMnemonic, SortBytes);

    // One untimed pass of each fills the file cache and leaves the list as a keystroke finds it:
    // holding the rows of the same filter.
    const int rowsReturned = RunDatabasePart(query);
    RefreshAndRepaint();
    SettleWindow();

    std::vector<double> floors, refreshes;
    for (int n = 0; n < repetitions; ++n) {
        floors.push_back(TimeOf([&] { RunDatabasePart(query); }));
        refreshes.push_back(RefreshAndRepaint());
        SettleWindow();
    }
    return {tableRows, filter.label, sorted, rowsReturned, Median(floors), Median(refreshes)};
}

// When each step of the observed refresh ended.
struct StepEnd {
    RefreshStep step;
    LARGE_INTEGER time;
};
std::vector<StepEnd> StepEnds;

void RecordStepEnd(RefreshStep step)
{
    StepEnd end{step, {}};
    QueryPerformanceCounter(&end.time);
    StepEnds.push_back(end);
}

const char* StepName(RefreshStep step)
{
    switch (step) {
    case RefreshStep::ListEmptied:
        return "empty the list";
    case RefreshStep::DatabaseOpened:
        return "open";
    case RefreshStep::QueryPrepared:
        return "query";
    case RefreshStep::ListFilled:
        return "fill (read and insert)";
    case RefreshStep::RedrawRestored:
        return "redraw on";
    case RefreshStep::DatabaseClosed:
        return "close";
    }
    return "?";
}

// Where the time of an unfiltered refresh goes: one pass of the real RefreshList, timed at the
// end of each of its steps, and the repaint that follows it.
void PrintBreakdown(int tableRows)
{
    SetControlText(MnemonicFilter, L"");
    SetControlText(BytesFilter, L"");
    SortMnemonic = NotSorted;
    SortBytes = NotSorted;
    RefreshAndRepaint();
    SettleWindow();

    HWND list = ControlWindow(OpcodeList);
    StepEnds.clear();
    ObserveRefreshSteps(RecordStepEnd);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    RefreshList();
    ObserveRefreshSteps(nullptr);
    const double repaint = TimeOf([list] { UpdateWindow(list); });
    SettleWindow();

    std::printf("Breakdown at %d rows (one pass, ms):", tableRows);
    LARGE_INTEGER previous = start;
    for (const StepEnd& end : StepEnds) {
        std::printf(" %s %.1f,", StepName(end.step), Milliseconds(previous, end.time));
        previous = end.time;
    }
    std::printf(" repaint %.1f\n", repaint);
}

std::string BuiltReferenceTable()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    folder.resize(folder.find_last_of("\\/") + 1);
    return folder + "tuvex.db3";
}

// The rows of the reference table's opc; 0 when the file cannot be read as one.
int CountReferenceRows(const std::string& path)
{
    sqlite3* connection = nullptr;
    int rows = 0;
    if (sqlite3_open_v2(path.c_str(), &connection, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* count = nullptr;
        if (sqlite3_prepare_v2(connection, "select count(*) from opc", -1, &count, nullptr) == SQLITE_OK &&
            sqlite3_step(count) == SQLITE_ROW)
            rows = sqlite3_column_int(count, 0);
        sqlite3_finalize(count);
    }
    sqlite3_close(connection);
    return rows;
}

// A folder per table size under a fresh temporary folder; each holds its own "tuvex.db3".
std::string MakeWorkFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "refresh-benchmark-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void RemoveWorkFolder(const std::string& folder, const std::vector<TableSize>& sizes)
{
    SetCurrentDirectoryA(folder.c_str());
    for (const TableSize& size : sizes) {
        const std::string sub = folder + "\\" + std::to_string(size.rows);
        DeleteFileA((sub + "\\tuvex.db3").c_str());
        RemoveDirectoryA(sub.c_str());
    }
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    SetCurrentDirectoryA(temp);
    RemoveDirectoryA(folder.c_str());
}

const char* WineVersion()
{
    using VersionFunction = const char*(CDECL*)();
    const auto version = reinterpret_cast<VersionFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    return version ? version() : "not Wine";
}

Options ParseOptions(int argc, char** argv)
{
    Options options;
    for (int n = 1; n < argc; ++n) {
        const bool hasValue = n + 1 < argc;
        if (!std::strcmp(argv[n], "--reference") && hasValue)
            options.referencePath = argv[++n];
        else if (!std::strcmp(argv[n], "--page-size") && hasValue)
            options.pageSize = std::atoi(argv[++n]);
        else if (!std::strcmp(argv[n], "--repetitions-scale") && hasValue)
            options.repetitionsScale = std::atof(argv[++n]);
        else if (!std::strcmp(argv[n], "--breakdown"))
            options.breakdown = true;
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[n]);
            std::exit(2);
        }
    }
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = ParseOptions(argc, argv);
    const std::string referencePath = options.referencePath.empty() ? BuiltReferenceTable() : options.referencePath;
    const int referenceRows = CountReferenceRows(referencePath);
    if (referenceRows <= 0) {
        std::fprintf(stderr, "no reference table with rows at %s (build it, or give --reference PATH)\n",
                     referencePath.c_str());
        return 2;
    }
    auto scaled = [&](int repetitions) { return std::max(3, static_cast<int>(repetitions * options.repetitionsScale)); };
    const std::vector<TableSize> sizes = {{referenceRows, scaled(41)}, {10000, scaled(21)}, {100000, scaled(7)}};

    const std::string workFolder = MakeWorkFolder();
    for (const TableSize& size : sizes) {
        const std::string folder = workFolder + "\\" + std::to_string(size.rows);
        CreateDirectoryA(folder.c_str(), nullptr);
        DeleteFileA((folder + "\\tuvex.db3").c_str());
        if (!WriteSyntheticTable(folder + "\\tuvex.db3", size.rows, options.pageSize)) {
            std::fprintf(stderr, "could not write the %d-row table in %s\n", size.rows, folder.c_str());
            return 1;
        }
    }

    if (!StartUpWindows()) {
        std::fprintf(stderr, "could not open the program's window (no display?)\n");
        return 1;
    }
    SetForegroundWindow(MainWindowHandle());
    SettleWindow();

    std::printf("List refresh benchmark: Wine %s, database page size %d bytes, medians in ms\n", WineVersion(),
                options.pageSize);
    std::printf("%8s %7s %5s %4s %7s %10s %10s %7s\n", "table", "filter", "sort", "reps", "rows", "floor",
                "refresh", "ratio");
    std::fflush(stdout);
    std::vector<CaseResult> results;
    for (const TableSize& size : sizes) {
        SetCurrentDirectoryA((workFolder + "\\" + std::to_string(size.rows)).c_str());
        for (const FilterCase& filter : Filters) {
            for (bool sorted : {false, true}) {
                const CaseResult result = MeasureCase(size.rows, size.repetitions, filter, sorted);
                std::printf("%8d %7s %5s %4d %7d %10.2f %10.2f %7.2f\n", result.tableRows, result.filter,
                            result.sorted ? "mn" : "-", size.repetitions, result.rowsReturned, result.floorMedian,
                            result.refreshMedian, result.refreshMedian / result.floorMedian);
                std::fflush(stdout);
                results.push_back(result);
            }
        }
    }
    if (options.breakdown) {
        for (const TableSize& size : sizes) {
            SetCurrentDirectoryA((workFolder + "\\" + std::to_string(size.rows)).c_str());
            PrintBreakdown(size.rows);
        }
    }

    const CaseResult& largest = *std::find_if(results.begin(), results.end(), [&](const CaseResult& result) {
        return result.tableRows == sizes.back().rows && !std::strcmp(result.filter, "none") && !result.sorted;
    });
    std::printf("refresh/floor median ratio: %.2f at %d rows\n", largest.refreshMedian / largest.floorMedian,
                largest.rowsReturned);
    std::fflush(stdout);

    // The window is left to the end of the process: destroying a visible window is slow on a bare X server.
    RemoveWorkFolder(workFolder, sizes);
    ExitProcess(0);
}
