#pragma once
// The interface texts: the string table (ids 106-177) and the menu item texts, keyed by
// command id. A language pack replaces entries of either; what it leaves out keeps the
// program's own text.
#include <QString>
#include <map>

namespace Res {

QString String(int id);
// A string table entry used as a printf format, filled with QString::asprintf rules.
template <class... A> QString Format(int id, A... args) {
    return QString::asprintf(String(id).toUtf8().constData(), args...);
}
QString MenuText(int commandId);

// Replacements from a language pack; empty maps restore the program's own texts.
void SetOverrides(std::map<int, QString> strings, std::map<int, QString> menus);

} // namespace Res
