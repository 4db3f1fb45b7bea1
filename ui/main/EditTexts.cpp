#include "ui/main/EditTexts.h"

#include "ui/main/Resources.h"

#include <algorithm>
#include <iterator>

namespace EditTexts {

QString MenuText(int id) {
    switch (id) {
    case kCategoryPopup:
        return Res::MenuText(Res::kContextCategoryMenu);
    case kDetailPopup:
        return Res::MenuText(Res::kContextDetailMenu);
    case kPropertiesPopup:
        return Res::MenuText(Res::kContextPropertiesMenu);
    default:
        return Res::MenuText(id);
    }
}

namespace {

const int kTools[] = {kToolImportTxd,   kToolCheckModel, kToolImportImg,  kToolImgTool,
                      kToolSyncImg,     kToolRadar,      kToolConverter,  kToolOptimize,
                      kToolInformation, kToolSiblings,   kToolAliasExport, kToolAliasImport};

} // namespace

QString ToolName(int id) {
    if (std::find(std::begin(kTools), std::end(kTools), id) == std::end(kTools))
        return {};
    // The tool's menu item, without its key mark and dots.
    QString name = Res::MenuText(id);
    name.remove('&');
    while (name.endsWith('.'))
        name.chop(1);
    return name;
}

std::string ToolNotAvailableText(int id) {
    return Res::FormatText(Res::Texts::kToolNotAvailable, ToolName(id).toUtf8().constData())
        .toStdString();
}

std::string NameRefused(const std::string& name, const std::string& reason) {
    return Res::FormatText(Res::Texts::kNameRefused, name.c_str(), reason.c_str()).toStdString();
}

} // namespace EditTexts
