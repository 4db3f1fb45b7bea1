#include "ui/main/EditTexts.h"

#include "ui/main/Resources.h"


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

std::string NameRefused(const std::string& name, const std::string& reason) {
    return Res::FormatText(Res::Texts::kNameRefused, name.c_str(), reason.c_str()).toStdString();
}

} // namespace EditTexts
