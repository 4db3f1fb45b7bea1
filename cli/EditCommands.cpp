// tessarine-cli commands that change a cache. Each one says what it changed, and fails
// with exit code 1 when it changed nothing.
#include "cli/Cli.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdio>

using namespace Cli;

namespace {

std::string Q(const std::string& name) {
    return "'" + Shown(name) + "'";
}

// Index of the category named name in any letter case, -1 when there is none.
int CategoryInAnyCase(const CTextureDatabase& db, const std::string& name) {
    for (int c = 0; c < db.CategoryCount(); ++c)
        if (Text::EqualsNoCase(db.GetCategoryName(c), name))
            return c;
    return -1;
}

int CategoryAdd(const Args& args) {
    Need(args, 2, "category add INDEX NAME");
    const std::string& name = args.positional[1];
    RequireCategoryName(name);
    auto db = OpenCache(args, 0, Access::kWrite);
    if (CategoryInAnyCase(*db, name) >= 0)
        throw Failure{kRefused, "the category " + Q(name) + " already exists"};
    if (!db->AddCategory(name))
        throw Failure{kRefused, "the category " + Q(name) + " was not added"};
    std::printf("category %d %s added\n", db->CategoryCount() - 1,
                Shown(db->GetCategoryName(db->CategoryCount() - 1)).c_str());
    return kDone;
}

int CategoryRename(const Args& args) {
    Need(args, 3, "category rename INDEX OLD NEW");
    const std::string& name = args.positional[2];
    RequireCategoryName(name);
    auto db = OpenCache(args, 0, Access::kWrite);
    const int category = FindCategory(*db, args.positional[1]);
    if (db->GetCategoryName(category) == name)
        throw Failure{kRefused, "the category is named " + Q(name) + " already; nothing changed"};
    const int other = CategoryInAnyCase(*db, name);
    if (other >= 0 && other != category)
        throw Failure{kRefused, "the category " + Q(name) + " already exists"};
    if (!db->RenameCategory(category, name))
        throw Failure{kRefused, "the category was not renamed"};
    std::printf("category renamed\n");
    return kDone;
}

int CategoryDelete(const Args& args) {
    Need(args, 2, "category delete INDEX NAME");
    auto db = OpenCache(args, 0, Access::kWrite);
    const int category = FindCategory(*db, args.positional[1]);
    if (db->CategoryCount() == 1)
        throw Failure{kRefused, "the last category cannot be deleted"};
    db->DeleteCategory(category);
    std::printf("category deleted; its textures are in %s now\n",
                Shown(db->GetCategoryName(0)).c_str());
    return kDone;
}

int CategoryMove(const Args& args) {
    NeedAtLeast(args, 3, "category move INDEX CATEGORY TEXTURE...");
    auto db = OpenCache(args, 0, Access::kWrite);
    const int category = FindCategory(*db, args.positional[1]);
    std::vector<int> textures;
    for (size_t i = 2; i < args.positional.size(); ++i)
        textures.push_back(FindTexture(*db, args.positional[i]));
    std::sort(textures.begin(), textures.end());
    textures.erase(std::unique(textures.begin(), textures.end()), textures.end());
    int moved = 0;
    for (int t : textures) {
        const std::string name = Q(db->GetTextureName(t));
        if (db->IsAlias(t)) {
            // An alias has the category of its original; it has none of its own to change.
            std::fprintf(stderr, "tessarine-cli category: %s not moved: it is an alias of %s\n",
                         name.c_str(), Q(db->Textures()[size_t(t)].affiliate).c_str());
        } else if (db->GetTextureCategory(t) == category) {
            std::fprintf(stderr, "tessarine-cli category: %s is in that category already\n",
                         name.c_str());
        } else if (db->SetCategory(t, category)) {
            ++moved;
        }
    }
    if (moved == 0)
        throw Failure{kRefused, "no texture moved"};
    std::printf("%d of %zu textures moved to %s\n", moved, textures.size(),
                Shown(db->GetCategoryName(category)).c_str());
    return moved == static_cast<int>(textures.size()) ? kDone : kRefused;
}

} // namespace

int CommandRename(const Args& args) {
    Need(args, 3, "rename INDEX TEXTURE NEW-NAME");
    const std::string& name = args.positional[2];
    RequireTextureName(name);
    auto db = OpenCache(args, 0, Access::kWrite);
    const int texture = FindTexture(*db, args.positional[1]);
    const std::string old = db->GetTextureName(texture);
    if (old == name)
        throw Failure{kRefused, "the texture is named " + Q(name) + " already; nothing changed"};
    if (db->FindTexture(name, false) >= 0)
        throw Failure{kRefused, "a texture named " + Q(name) + " already exists"};
    if (!db->RenameTexture(texture, name))
        throw Failure{kRefused, "the texture was not renamed"};
    std::printf("renamed %s to %s\n", Shown(old).c_str(),
                Shown(db->GetTextureName(texture)).c_str());
    return kDone;
}

int CommandDelete(const Args& args) {
    NeedAtLeast(args, 2, "delete INDEX TEXTURE...");
    auto db = OpenCache(args, 0, Access::kWrite);
    // Every name is found before anything is deleted: a typo deletes nothing.
    std::vector<int> textures;
    for (size_t i = 1; i < args.positional.size(); ++i)
        textures.push_back(FindTexture(*db, args.positional[i]));
    std::sort(textures.begin(), textures.end());
    textures.erase(std::unique(textures.begin(), textures.end()), textures.end());
    const int before = db->TextureCount();
    if (!db->DeleteTextures(textures))
        throw Failure{kBadInput, std::string("nothing deleted: ") + kOutOfPlaceText};
    std::printf("deleted %d textures (%d with their aliases)\n", static_cast<int>(textures.size()),
                before - db->TextureCount());
    return kDone;
}

int CommandAlias(const Args& args) {
    Need(args, 3, "alias INDEX NAME ORIGINAL");
    const std::string& name = args.positional[1];
    RequireTextureName(name);
    auto db = OpenCache(args, 0, Access::kWrite);
    if (db->FindTexture(name, false) >= 0)
        throw Failure{kRefused, "a texture named " + Q(name) + " already exists"};
    const int original = FindTexture(*db, args.positional[2]);
    if (db->IsAlias(original))
        throw Failure{kRefused, Q(args.positional[2]) + " is an alias itself"};
    if (!db->AddAlias(name, db->GetTextureName(original)))
        throw Failure{kRefused, "the alias was not added"};
    std::printf("%s now stands for %s\n", Shown(name).c_str(),
                Shown(db->GetTextureName(original)).c_str());
    return kDone;
}

int CommandCategory(const Args& args) {
    const std::string usage = "category add INDEX NAME | rename INDEX OLD NEW | "
                              "delete INDEX NAME | move INDEX CATEGORY TEXTURE...";
    NeedAtLeast(args, 3, usage);
    const std::string action = args.positional[0];
    Args rest = args;
    rest.positional.erase(rest.positional.begin());
    if (action == "add")
        return CategoryAdd(rest);
    if (action == "rename")
        return CategoryRename(rest);
    if (action == "delete")
        return CategoryDelete(rest);
    if (action == "move")
        return CategoryMove(rest);
    throw Failure{kBadInput, "usage: tessarine-cli " + usage};
}

int CommandSet(const Args& args) {
    Need(args, 4, "set INDEX TEXTURE camnorm|hasbias|hasdetail VALUE");
    const std::string& key = args.positional[2];
    if (key != "camnorm" && key != "hasbias" && key != "hasdetail")
        throw Failure{kBadInput, "the keys are camnorm, hasbias and hasdetail"};
    char* end = nullptr;
    const long value = std::strtol(args.positional[3].c_str(), &end, 10);
    if (args.positional[3].empty() || *end != '\0' || value < 0 || value > 65535)
        throw Failure{kBadInput, "the value is a number from 0 to 65535"};
    auto db = OpenCache(args, 0, Access::kWrite);
    const int texture = FindTexture(*db, args.positional[1]);
    const std::string name = Q(db->GetTextureName(texture));
    // An alias's line holds only its name and its original's: its flags are its original's.
    if (db->IsAlias(texture))
        throw Failure{kRefused, name + " is an alias of " +
                                    Q(db->Textures()[size_t(texture)].affiliate) +
                                    "; set the flag on the original"};
    const int current = key == "camnorm"   ? db->GetTextureCamNorm(texture)
                        : key == "hasbias" ? db->GetTextureHasBias(texture)
                                           : db->GetTextureHasDetail(texture);
    if (current == value)
        throw Failure{kRefused, name + " has " + key + "=" + std::to_string(value) +
                                    " already; nothing changed"};
    if (key == "camnorm")
        db->SetCamNorm(texture, static_cast<int>(value));
    else if (key == "hasbias")
        db->SetHasBias(texture, static_cast<int>(value));
    else
        db->SetHasDetail(texture, static_cast<int>(value));
    db->RebuildTxt();
    std::printf("%s: %s=%ld\n", Shown(db->GetTextureName(texture)).c_str(), key.c_str(), value);
    return kDone;
}
