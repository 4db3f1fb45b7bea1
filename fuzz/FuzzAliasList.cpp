// Arbitrary bytes as an alias list against a small index: every alias the list may make
// has a name the index can hold, is new to the index and listed once, and names an
// ordinary texture; written out as a list again it reads back as the same aliases.
#include "cache/AliasList.h"
#include "cache/NameRules.h"
#include "cache/TextureDatabase.h"
#include "platform/Text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CTextureDatabase db(0);
    db.ParseTxt("cat=0 name=Default onfoot=0 slow=0 fast=0\r\n"
                "\"wall\" width=4 height=4\r\n\"door close \" width=4 height=4\r\n"
                "\"Taken\" width=4 height=4\r\n\"sub\" \"affiliate=wall\"\r\n");
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const AliasListResult plan = PlanAliasList(db, text);
    std::set<std::string> seen;
    CTextureDatabase written(0);
    std::string list;
    for (const AliasEntry& entry : plan.created) {
        const int original = db.FindTexture(entry.original, true);
        if (CheckTextureName(entry.alias) != NameProblem::kNone || db.FindTexture(entry.alias, false) >= 0 ||
            original < 0 || db.IsAlias(original) || !seen.insert(Text::AsciiLower(entry.alias)).second)
            std::abort();
    }
    for (const AliasListLine& line : plan.refused)
        if (line.text.size() > kAliasListLineLimit || line.reason.empty())
            std::abort();
    // The planned aliases as an index of their own, listed and planned again against the
    // first index: the same aliases come back.
    std::string index = "cat=0 name=Default onfoot=0 slow=0 fast=0\r\n";
    for (const AliasEntry& entry : plan.created)
        index += "\"" + Text::Utf8ToLatin1(entry.alias) + "\" \"affiliate=" +
                 Text::Utf8ToLatin1(entry.original) + "\"\r\n";
    written.ParseTxt(index);
    const AliasListResult again = PlanAliasList(db, BuildAliasList(written));
    if (again.created.size() != plan.created.size() || !again.refused.empty())
        std::abort();
    for (size_t i = 0; i < plan.created.size(); ++i)
        if (again.created[i].alias != plan.created[i].alias ||
            again.created[i].original != plan.created[i].original)
            std::abort();
    return 0;
}
