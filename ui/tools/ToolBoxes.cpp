#include "ui/tools/ToolBoxes.h"

#include "ui/tools/ToolTexts.h"

namespace ToolBoxes {

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

void ErrorBox(const QString& text, unsigned icon) {
    MessageBox(Utf8(text), Utf8(ToolTexts::String(ToolTexts::kErrorCaption)), MB_OK | icon);
}

void BusyBox(unsigned icon) {
    MessageBox(Utf8(ToolTexts::Text(ToolTexts::kBusy)), "", MB_OK | icon);
}

} // namespace ToolBoxes
