#include "app/program.h"

#include <windows.h>
#include <commctrl.h>

#include "app/controls.h"
#include "app/event_loop.h"
#include "app/legend_tooltip.h"
#include "app/private_font.h"
#include "catalogue/column_sort.h"
#include "catalogue/refresh_list.h"
#include "catalogue/sort_state.h"

namespace {

[[noreturn]] void EndWithoutFontRemoval()
{
    DestroyWindows();
    DeletePrivateFontObject();
    ExitProcess(0);
}

[[noreturn]] void ShutDown()
{
    RemovePrivateFont();
    EndWithoutFontRemoval();
}

} // namespace

void EndProgramAfterDatabaseError()
{
    AbandonPrivateFont();
    EndWithoutFontRemoval();
}

bool OpenProgramWindows()
{
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);

    SortMnemonic = NotSorted;
    SortBytes = NotSorted;

    if (!OpenMainWindow())
        return false;
    CreateControls();

    AssembleLegendText();
    AttachLegendTooltip(nullptr, DetailPane, LegendText);

    InstallMessageHook(WindowCallback);
    return true;
}

bool StartUpWindows()
{
    if (!OpenProgramWindows())
        return false;
    RegisterPrivateFont();
    return true;
}

void RunProgram()
{
    if (!StartUpWindows())
        ShutDown();
    RefreshList();
    RunEventLoop();
    ShutDown();
}
