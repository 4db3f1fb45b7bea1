#pragma once
// Language packs: shared libraries in the lang folder that carry the interface texts of
// one language (see lang/include/TessarineLanguage.h).
#include "platform/DynamicLibrary.h"
#include "ui/main/Resources.h"

#include <QString>
#include <memory>
#include <string>
#include <vector>

struct LanguagePack {
    std::unique_ptr<CDynamicLibrary> library;
    Res::Overrides texts;
    QString locale; // empty when the pack names none
};

// The lang folder beside the executable, else the installed one (lib/tessarine/lang).
std::string LanguagesFolder();

// File titles (names without ".so") of the packs in folder, in folder order.
std::vector<std::string> ListLanguageFiles(const std::string& folder);

// Loads folder/title.so and admits it like a codec plug-in (type bit 0x10, builds 368 up to
// this build). Its texts are checked before anything uses them: unknown ids, entries past
// the table limit and strings whose placeholders differ from the program's own are left
// out (and logged). Null when the file does not load, is refused, carries no tables or the
// title could reach outside the folder.
std::unique_ptr<LanguagePack> LoadLanguagePack(const std::string& folder, const std::string& title);
