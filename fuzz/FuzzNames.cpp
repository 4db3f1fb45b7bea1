// Arbitrary bytes as names: a name the rules let through is written and read back as
// itself, and a file name made from any name stays inside its folder.
#include "cache/IndexLine.h"
#include "cache/NameRules.h"
#include "cache/TextureDatabase.h"
#include "platform/MessageBox.h"
#include "platform/SafeFileName.h"
#include "platform/Text.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace {

// The line as the index writer puts it in the file.
std::string Stored(const std::string& line) {
    return Text::Utf8ToLatin1(IndexLine::TrimLine(line)) + "\r\n";
}

void CheckIndexNames(const std::string& name) {
    CTextureDatabase db(0);
    if (CheckTextureName(name) == NameProblem::kNone) {
        TextureRecord texture, alias;
        texture.name = name;
        texture.width = texture.height = 4;
        alias.name = "alias";
        alias.affiliate = name;
        db.ParseTxt(Stored(db.BuildTextureLine(texture)) + Stored(db.BuildTextureLine(alias)));
        if (db.TextureCount() != 2 || db.GetTextureName(0) != name ||
            db.Textures()[1].affiliate != name || db.Textures()[0].width != 4)
            __builtin_trap();
    }
    if (CheckCategoryName(name) == NameProblem::kNone) {
        CategoryRecord category;
        category.name = name;
        category.onfoot = 1;
        db.ParseTxt(Stored(CTextureDatabase::BuildCategoryLine(category)));
        const CategoryRecord& back = db.Categories().back();
        if (back.name != name || back.onfoot != 1)
            __builtin_trap();
    }
}

void CheckFileName(const std::string& name) {
    const std::string stem = SafeFileName::Stem(name);
    if (stem.empty() || stem.size() > SafeFileName::kMaxStemBytes || stem[0] == '.' ||
        !Text::IsValidUtf8(stem) || Text::EscapeControls(stem) != stem ||
        stem.find_first_of("/\\") != std::string::npos)
        __builtin_trap();
    const std::filesystem::path folder = "/folder";
    const std::filesystem::path file = (folder / (stem + ".png")).lexically_normal();
    if (file.parent_path() != folder)
        __builtin_trap();
    SafeFileName::CNamer namer;
    if (namer.Take(name, "png") == namer.Take(name, "png"))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDOK; });
        return true;
    }();
    (void)quiet;
    const std::string name(reinterpret_cast<const char*>(data), size);
    CheckIndexNames(name);
    CheckFileName(name);
    return 0;
}
