#include "ui/main/EditTexts.h"

#include "ui/main/Resources.h"

#include <map>

namespace EditTexts {

QString MenuText(int id) {
    static const std::map<int, const char*> texts = {
        {kExportOne, "&Export..."},
        {kRenameTexture, "&Rename"},
        {kRenameCategory, "&Rename"},
        {kCreateAlias, "Create &Alias..."},
        {kGoToOriginal, "Go To &Original"},
        {kShowAliases, "&Show All Aliases..."},
        {kDeleteTextures, "&Delete"},
        {kDeleteCategory, "&Delete"},
        {kExportCategory, "&Export all"},
        {kNewCategoryMove, "&New Category..."},
        {kDetailNone, "&None"},
        {kCamNorm, "camnorm"},
        {kHasSibling, "hassibling"},
        {kHasDetail, "hasdetail"},
        {kHasBias, "hasbias"},
        {kMipMode, "mipmode"},
        {kStreamMode, "streammode"},
        {kCategoryPopup, "&Category"},
        {kDetailPopup, "D&etail"},
        {kPropertiesPopup, "&Properties"},
    };
    const auto it = texts.find(id);
    return it == texts.end() ? Res::MenuText(id) : QString::fromUtf8(it->second);
}

QString ToolName(int id) {
    static const std::map<int, const char*> names = {
        {40262, "Import TXD"},       {40278, "Check Model (DFF)"}, {40281, "Import IMG"},
        {40617, "IMG Tool"},         {40279, "IMG Synchronizer"},  {40277, "Radar Map Editor"},
        {40359, "Cache Converter"},  {40601, "Cache Optimizer"},   {40602, "Cache Information"},
        {40271, "Show All Aliases"},
    };
    const auto it = names.find(id);
    return it == names.end() ? QString() : QString::fromUtf8(it->second);
}

std::string ToolNotAvailableText(int id) {
    return "The tool \"" + ToolName(id).toStdString() +
           "\" is not available yet in this version of Tessarine.";
}

std::string NameRefused(const std::string& name, const std::string& reason) {
    return "The name '" + name + "' cannot be used: " + reason + ".";
}

} // namespace EditTexts
