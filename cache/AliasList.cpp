#include "cache/AliasList.h"

#include "app/Log.h"
#include "cache/CacheEditor.h"
#include "cache/NameRules.h"
#include "platform/Files.h"

#include <filesystem>
#include <optional>
#include <set>

namespace {

// A name as a list writes it: quoted when it holds a blank, is empty or begins as a
// comment does, else bare.
std::string ListName(const std::string& name) {
    if (name.empty() || name.front() == '#' || name.find_first_of(" \t") != std::string::npos)
        return '"' + name + '"';
    return name;
}

// The next name of a line from pos: "quoted" (up to the next quote) or up to a blank.
// nullopt when the line ends first or a quote is not closed.
std::optional<std::string> NextName(std::string_view line, size_t& pos) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
    if (pos >= line.size())
        return std::nullopt;
    if (line[pos] == '"') {
        const size_t end = line.find('"', pos + 1);
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string name(line.substr(pos + 1, end - pos - 1));
        pos = end + 1;
        return name;
    }
    const size_t end = std::min(line.find_first_of(" \t", pos), line.size());
    std::string name(line.substr(pos, end - pos));
    pos = end;
    return name;
}

bool OnlyBlanks(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

// Why a line of the list makes no alias; empty when it makes one (entry filled).
std::string Judge(const CTextureIndex& db, std::string_view line, const std::set<std::string>& made,
                  AliasEntry& entry) {
    if (line.size() > kAliasListLineLimit)
        return "the line is longer than " + std::to_string(kAliasListLineLimit) + " bytes";
    size_t pos = 0;
    const std::optional<std::string> alias = NextName(line, pos);
    const std::optional<std::string> original = alias ? NextName(line, pos) : std::nullopt;
    if (!alias || !original || !OnlyBlanks(line.substr(pos)))
        return "the line is not two names, an alias and its original";
    for (const std::string* name : {&*alias, &*original}) {
        const NameProblem problem = CheckTextureName(*name);
        if (problem != NameProblem::kNone)
            return "the name cannot be used: " + DescribeNameProblem(problem);
    }
    std::string folded = *alias;
    for (char& c : folded)
        c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (made.count(folded))
        return "the alias is listed twice";
    if (db.FindTexture(*alias, false) >= 0)
        return "the cache has a texture named '" + *alias + "'";
    const int target = db.FindTexture(*original, true);
    if (target < 0)
        return "the cache has no texture '" + *original + "'";
    if (db.IsAlias(target))
        return "'" + *original + "' is an alias itself";
    entry = {*alias, *original};
    return {};
}

} // namespace

std::string BuildAliasList(const CTextureIndex& db) {
    std::string text;
    for (const TextureRecord& record : db.Textures())
        if (record.IsAlias())
            text += ListName(record.name) + ' ' + ListName(record.affiliate) + '\n';
    return text;
}

AliasListResult PlanAliasList(const CTextureIndex& db, std::string_view text) {
    AliasListResult result;
    std::set<std::string> made; // alias names in lower case, as lookups in any case see them
    size_t number = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (OnlyBlanks(line) || line.front() == '#')
            continue;
        AliasEntry entry;
        std::string reason = Judge(db, line, made, entry);
        if (!reason.empty()) {
            const std::string_view shown = line.substr(0, std::min(line.size(), kAliasListLineLimit));
            result.refused.push_back({number, std::string(shown), std::move(reason)});
            continue;
        }
        std::string folded = entry.alias;
        for (char& c : folded)
            c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        made.insert(folded);
        result.created.push_back(std::move(entry));
    }
    return result;
}

AliasListResult ImportAliasList(CCacheEditor& db, std::string_view text) {
    AliasListResult result = PlanAliasList(db, text);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const AliasEntry& entry : result.created)
        pairs.emplace_back(entry.alias, entry.original);
    if (!pairs.empty() && !db.AddAliases(pairs))
        throw CError("the aliases of the list could not be added");
    LogPrintA("CTextureDatabase: %d aliases added from a list, %d lines refused\n",
              int(result.created.size()), int(result.refused.size()));
    return result;
}

int CCacheEditor::AddAliases(const std::vector<std::pair<std::string, std::string>>& aliases) {
    for (const auto& [name, original] : aliases)
        if (CheckTextureName(name) != NameProblem::kNone ||
            CheckTextureName(original) != NameProblem::kNone)
            return 0;
    CEditScope edit(*this);
    for (const auto& [name, original] : aliases)
        PushAlias(name, original);
    RebuildTxt();
    return 1;
}

std::string ReadAliasListFile(const std::string& path) {
    // Only a plain file: a device or a pipe could feed an endless "list".
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw CError("the list '" + path + "' is not a file that can be read");
    const int64_t size = Files::FileSize(path);
    if (size < 0)
        throw CError("the list '" + path + "' cannot be read");
    if (uint64_t(size) > kAliasListFileLimit)
        throw CError("the list '" + path + "' is too large to be an alias list");
    std::optional<std::string> text = Files::ReadWholeFile(path);
    if (!text)
        throw CError("the list '" + path + "' cannot be read");
    if (text->size() > kAliasListFileLimit)
        throw CError("the list '" + path + "' is too large to be an alias list");
    return std::move(*text);
}

void WriteAliasListFile(const std::string& path, const std::string& text) {
    if (!Files::WriteFileAtomically(path, text))
        throw CError("the list '" + path + "' cannot be written");
}
