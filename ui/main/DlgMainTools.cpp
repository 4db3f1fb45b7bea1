// The Tools menu: each tool is a dialog of ui/tools that reaches the window only through
// its hooks; the window opens it and refreshes what the tool may have changed.
#include "ui/main/DlgMain.h"
#include "ui/main/EditTexts.h"
#include "ui/main/Resources.h"
#include "ui/tools/CacheTools.h"
#include "ui/tools/DlgRadarEditor.h"
#include "ui/tools/DlgSiblings.h"
#include "ui/tools/DlgConverter.h"
#include "ui/tools/DlgOptimize.h"
#include "ui/tools/DlgSyncIMG.h"

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
    case kToolSyncImg: {
        CDlgSyncIMG dialog(m_pCache.get(), this, this);
        dialog.exec();
        ReloadListHook();
        return true;
    }
    case kToolRadar: {
        if (!m_pCache)
            return true;
        CDlgRadarEditor radar(this, *this, *this, m_CurrentCache, m_nGame);
        radar.exec();
        return true;
    }
    case kToolConverter: {
        CDlgConverter dialog(*this, m_pCache.get(), this);
        dialog.exec();
        ReloadCache();
        return true;
    }
    case kToolOptimize: {
        CDlgOptimize dialog(*this, m_pCache.get(), this);
        dialog.exec();
        return true;
    }
    case kToolInformation:
        ShowCacheInformation(m_pCache.get());
        return true;
    case kToolSiblings: {
        if (!m_pCache)
            return true;
        const std::vector<int> selected = SelectedTextures();
        CDlgSiblings siblings(this, *this, *m_pCache, selected.empty() ? -1 : selected.front());
        siblings.exec();
        return true;
    }
    case kToolAliasExport:
        ExportAliasListTool(this, m_pCache.get());
        return true;
    case kToolAliasImport:
        ImportAliasListTool(this, m_pCache.get(), *this);
        return true;
    default:
        return false;
    }
}
