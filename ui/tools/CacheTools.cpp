#include "ui/tools/CacheTools.h"

#include "cache/AliasList.h"
#include "cache/CacheStatistics.h"
#include "platform/MessageBox.h"
#include "ui/tools/ToolBoxes.h"
#include "ui/tools/ToolFiles.h"
#include "ui/tools/ToolTexts.h"


namespace {

using namespace ToolTexts;


std::string LoadFirst() {
    return String(kLoadCacheFirst).toStdString();
}
// The refused lines a box lists before it only counts the rest.
constexpr size_t kShownRefusals = 20;

QString ChooseListFile(QWidget* parent, bool save) {
    return AskForFile(parent, {.ask = save ? FileAsk::kSave : FileAsk::kOpenOne,
                               .caption = Text(save ? kExportAliasList : kImportAliasList),
                               .filter = FileFilter(kTextFilter),
                               .suffix = "txt",
                               .name = save ? "AliasListExport" : "AliasListImport"});
}

} // namespace

void ShowCacheInformation(CTextureDatabase* db) {
    if (!db) {
        MessageBox(LoadFirst(), "", MB_OK | MB_ICONERROR);
        return;
    }
    MessageBox(StatisticsText(ComputeStatistics(*db)), "", MB_OK | MB_ICONINFORMATION);
}

bool ExportAliasListTool(QWidget* parent, CTextureDatabase* db, const QString& path) {
    if (!db) {
        MessageBox(LoadFirst(), "", MB_OK | MB_ICONERROR);
        return false;
    }
    const QString file = path.isEmpty() ? ChooseListFile(parent, true) : path;
    if (file.isEmpty())
        return false;
    try {
        WriteAliasListFile(file.toStdString(), BuildAliasList(*db));
    } catch (const CError& error) {
        ToolBoxes::ErrorBox(error.what());
        return false;
    }
    return true;
}

int ImportAliasListTool(QWidget* parent, CTextureDatabase* db, IMainWindowHooks& hooks,
                        const QString& path) {
    if (!db) {
        MessageBox(LoadFirst(), "", MB_OK | MB_ICONERROR);
        return 0;
    }
    const QString file = path.isEmpty() ? ChooseListFile(parent, false) : path;
    if (file.isEmpty())
        return 0;
    AliasListResult result;
    try {
        result = ImportAliasList(*db, ReadAliasListFile(file.toStdString()));
    } catch (const CError& error) {
        ToolBoxes::ErrorBox(error.what());
        return 0;
    }
    if (!result.created.empty())
        hooks.ReloadListHook();
    std::string text = FormatText(kAliasesCreated, int(result.created.size())).toStdString();
    if (!result.refused.empty()) {
        text += "\n\n" + FormatText(kLinesNotTaken, int(result.refused.size())).toStdString() + "\n";
        for (size_t i = 0; i < result.refused.size() && i < kShownRefusals; ++i)
            text += "line " + std::to_string(result.refused[i].line) + ": " +
                    result.refused[i].reason + "\n";
        if (result.refused.size() > kShownRefusals)
            text += "...\n";
    }
    MessageBox(text, "", MB_OK | (result.refused.empty() ? MB_ICONINFORMATION : MB_ICONWARNING));
    return int(result.created.size());
}
