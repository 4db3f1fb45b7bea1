#pragma once
// The message boxes of the tool dialogs, through the platform's boxes, in the language
// in use.
#include "platform/MessageBox.h"

#include <QString>
#include <string>

namespace ToolBoxes {

// A window text as the platform's boxes and the core take it.
std::string Utf8(const QString& text);
// text in an OK box under the string table's error caption; icon is its MB_ICON* flag.
void ErrorBox(const QString& text, unsigned icon = MB_ICONERROR);
// The answer to a close or a second start while a tool's work runs; icon as above.
void BusyBox(unsigned icon = 0);

} // namespace ToolBoxes
