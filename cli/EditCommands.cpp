// tessarine-cli commands that change a cache.
#include "cli/Cli.h"

#include <algorithm>
#include <cstdio>

using namespace Cli;

int CommandRename(const Args& args) {
    Need(args, 3, "rename INDEX TEXTURE NEW-NAME");
    auto db = OpenCacheForEdit(args);
    const int texture = FindTexture(*db, args.positional[1]);
    const std::string old = db->GetTextureName(texture);
    if (!db->RenameTexture(texture, args.positional[2]))
        throw Failure{kRefused, "a texture named '" + args.positional[2] + "' already exists"};
    std::printf("renamed %s to %s\n", old.c_str(), db->GetTextureName(texture).c_str());
    return kDone;
}

int CommandDelete(const Args& args) {
    if (args.positional.size() < 2)
        throw Failure{kBadInput, "usage: tessarine-cli delete INDEX TEXTURE..."};
    auto db = OpenCacheForEdit(args);
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
    auto db = OpenCacheForEdit(args);
    if (db->FindTexture(args.positional[1], false) >= 0)
        throw Failure{kRefused, "a texture named '" + args.positional[1] + "' already exists"};
    const int original = FindTexture(*db, args.positional[2]);
    if (db->IsAlias(original))
        throw Failure{kRefused, "'" + args.positional[2] + "' is an alias itself"};
    db->AddAlias(args.positional[1], db->GetTextureName(original));
    std::printf("%s now stands for %s\n", args.positional[1].c_str(),
                db->GetTextureName(original).c_str());
    return kDone;
}

int CommandCategory(const Args& args) {
    const std::string usage = "category add INDEX NAME | rename INDEX OLD NEW | "
                              "delete INDEX NAME | move INDEX CATEGORY TEXTURE...";
    if (args.positional.size() < 3)
        throw Failure{kBadInput, "usage: tessarine-cli " + usage};
    const std::string action = args.positional[0];
    Args rest = args;
    rest.positional.erase(rest.positional.begin());
    if (action == "add") {
        Need(rest, 2, "category add INDEX NAME");
        if (rest.positional[1].find_first_of(" \t") != std::string::npos)
            throw Failure{kRefused, "a category name is one word"};
        auto db = OpenCacheForEdit(rest);
        for (int c = 0; c < db->CategoryCount(); ++c)
            if (db->GetCategoryName(c) == rest.positional[1])
                throw Failure{kRefused, "the category already exists"};
        db->AddCategory(rest.positional[1]);
        std::printf("category %d %s added\n", db->CategoryCount() - 1,
                    db->GetCategoryName(db->CategoryCount() - 1).c_str());
    } else if (action == "rename") {
        Need(rest, 3, "category rename INDEX OLD NEW");
        if (rest.positional[2].find_first_of(" \t") != std::string::npos)
            throw Failure{kRefused, "a category name is one word"};
        auto db = OpenCacheForEdit(rest);
        if (!db->RenameCategory(FindCategory(*db, rest.positional[1]), rest.positional[2]))
            throw Failure{kRefused, "empty category name given"};
        std::printf("category renamed\n");
    } else if (action == "delete") {
        Need(rest, 2, "category delete INDEX NAME");
        auto db = OpenCacheForEdit(rest);
        const int category = FindCategory(*db, rest.positional[1]);
        if (db->CategoryCount() == 1)
            throw Failure{kRefused, "the last category cannot be deleted"};
        db->DeleteCategory(category);
        std::printf("category deleted; its textures are in %s now\n",
                    db->GetCategoryName(0).c_str());
    } else if (action == "move") {
        if (rest.positional.size() < 3)
            throw Failure{kBadInput,
                          "usage: tessarine-cli category move INDEX CATEGORY TEXTURE..."};
        auto db = OpenCacheForEdit(rest);
        const int category = FindCategory(*db, rest.positional[1]);
        std::vector<int> textures;
        for (size_t i = 2; i < rest.positional.size(); ++i)
            textures.push_back(FindTexture(*db, rest.positional[i]));
        CEditScope edit(*db);
        for (int t : textures)
            if (!db->IsAlias(t))
                db->SetCategory(t, category);
        std::printf("%zu textures moved to %s\n", textures.size(),
                    db->GetCategoryName(category).c_str());
    } else {
        throw Failure{kBadInput, "usage: tessarine-cli " + usage};
    }
    return kDone;
}

int CommandSet(const Args& args) {
    Need(args, 4, "set INDEX TEXTURE camnorm|hasbias|hasdetail VALUE");
    auto db = OpenCacheForEdit(args);
    const int texture = FindTexture(*db, args.positional[1]);
    const std::string& key = args.positional[2];
    char* end = nullptr;
    const long value = std::strtol(args.positional[3].c_str(), &end, 10);
    if (*end != '\0' || value < 0 || value > 65535)
        throw Failure{kBadInput, "the value is a number from 0 to 65535"};
    if (key == "camnorm")
        db->SetCamNorm(texture, static_cast<int>(value));
    else if (key == "hasbias")
        db->SetHasBias(texture, static_cast<int>(value));
    else if (key == "hasdetail")
        db->SetHasDetail(texture, static_cast<int>(value));
    else
        throw Failure{kBadInput, "the keys are camnorm, hasbias and hasdetail"};
    db->RebuildTxt();
    std::printf("%s: %s=%ld\n", db->GetTextureName(texture).c_str(), key.c_str(), value);
    return kDone;
}
