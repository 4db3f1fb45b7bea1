// The Tools menu: each tool is a dialog of ui/tools that reaches the window only through
// its hooks; the window opens it and refreshes what the tool may have changed.
#include "ui/main/DlgMain.h"
#include "ui/main/EditTexts.h"

using namespace EditTexts;

bool CDlgMain::OnToolCommand(int id) {
    switch (id) {
    case kToolImportTxd:
        RunImportTxd();
        return true;
    case kToolCheckModel:
        RunModelCheck();
        return true;
    case kToolImportImg:
        RunImportImg();
        return true;
    case kToolImgTool:
        RunImgTool();
        return true;
    case kToolSyncImg:
        ToolNotAvailable(id);
        return true;
    case kToolRadar:
        ToolNotAvailable(id);
        return true;
    case kToolConverter:
        ToolNotAvailable(id);
        return true;
    case kToolOptimize:
        ToolNotAvailable(id);
        return true;
    case kToolInformation:
        ToolNotAvailable(id);
        return true;
    case kToolSiblings:
        ToolNotAvailable(id);
        return true;
    case kToolAliasExport:
        ToolNotAvailable(id);
        return true;
    case kToolAliasImport:
        ToolNotAvailable(id);
        return true;
    default:
        return false;
    }
}
