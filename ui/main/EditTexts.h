#pragma once
// Command ids and texts of the editing commands that the string table does not hold:
// the Tools menu, the tree's context menus, and the refusals that name their reason.
#include <QString>
#include <string>

namespace EditTexts {

// The Tools menu and the tools the tree's context menu opens.
enum Tool : int {
    kToolImportTxd = 40262,
    kToolSiblings = 40271,
    kToolRadar = 40277,
    kToolCheckModel = 40278,
    kToolSyncImg = 40279,
    kToolImportImg = 40281,
    kToolAliasExport = 40357,
    kToolAliasImport = 40358,
    kToolConverter = 40359,
    kToolOptimize = 40601,
    kToolInformation = 40602,
    kToolImgTool = 40617,
};

enum Command : int {
    kExportOne = 40006,
    kExport = 40012,
    kExportAll = 40065,
    kRenameTexture = 40075,
    kDeleteTextures = 40076,
    kFind = 40091,
    kNewCategoryMove = 40095,
    kMoveFirst = 40100, // + category index
    kMoveLast = 40199,
    kImportAlpha = 40202,
    kCreateAlias = 40204,
    kImportNoAlpha = 40205,
    kRenameCategory = 40207,
    kDeleteCategory = 40208,
    kExportCategory = 40209,
    kDeleteKey = 40210,
    kNewCategory = 40221,
    kFindNext = 40227,
    kDetailNone = 40240, // + hasdetail value
    kDetailLast = 40258,
    kGoToOriginal = 40261,
    kShowAliases = 40271,
    kImportUncompressed = 40273,
    kCamNorm = 40362,
    kHasSibling = 40363, // shown only
    kHasDetail = 40364,  // shown only
    kMipMode = 40365,    // shown only
    kStreamMode = 40366, // shown only
    kHasBias = 40368,
};

// The menu text of a context-menu command, or of a popup (by the ids above 0 and below
// 100 that ContextMenu uses).
QString MenuText(int id);
enum Popup : int { kCategoryPopup = 1, kDetailPopup = 2, kPropertiesPopup = 3 };

std::string NameRefused(const std::string& name, const std::string& reason);

} // namespace EditTexts
