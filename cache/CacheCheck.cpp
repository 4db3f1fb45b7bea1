#include "cache/CacheCheck.h"

#include "platform/Files.h"

namespace {

std::string Upper(const char* name) {
    std::string text = name;
    for (char& c : text)
        c = static_cast<char>(c - 'a' + 'A');
    return text;
}

} // namespace

std::string IndexPathFor(const std::string& path) {
    const std::string name = Files::FileNameOf(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return path;
    const std::string extension = name.substr(dot + 1);
    if (extension != "toc" && extension != "dat")
        return path;
    std::string stem = name.substr(0, dot);
    const size_t second = stem.rfind('.');
    if (second != std::string::npos)
        stem = stem.substr(0, second);
    const std::string folder = Files::DirectoryOf(path);
    return (folder.empty() ? std::string() : folder + "/") + stem + ".txt";
}

std::vector<CacheProblem> CheckCache(CTextureDatabase& db) {
    std::vector<CacheProblem> problems;
    if (db.PrimaryCache() < 0) {
        problems.push_back({CacheProblem::NoCaches, -1,
                            "No caches found, lol.\n\nCheck .DAT, .TMB and .TOC files."});
        return problems;
    }
    if (!Files::Exists(db.Path())) {
        problems.push_back({CacheProblem::NoIndex, -1,
                            "Whoa! No TXT database found.\n\nDo you want to build new "
                            "database?\n(Tessarine can't work without txt database)"});
        return problems;
    }
    for (int k = 0; k < kCacheCount; ++k)
        if (db.IsDatOpen(k) && !db.CheckToc(k))
            problems.push_back(
                {CacheProblem::BadToc, k,
                 Upper(kCacheNames[k]) + ".TOC file is corrupted.\r\n\r\nDo you want to fix it?"});
    int lastPresent = -1;
    for (int k = 0; k < kCacheCount; ++k)
        if (db.IsDatOpen(k))
            lastPresent = k;
    for (int k = 0; k < kCacheCount; ++k) {
        // A TMB is compared with the texture count of its own cache; one without its DAT
        // with that of the last cache that has data.
        const int reference = db.IsDatOpen(k) ? k : lastPresent;
        const bool broken =
            db.IsTmbOpen(k) ? db.CountThumbs(k) != db.CountTextures(reference) : db.IsDatOpen(k);
        if (broken)
            problems.push_back({CacheProblem::BadTmb, k,
                                Upper(kCacheNames[k]) +
                                    ".TMB file is corrupted, it can hang game loading.\r\n\r\n"
                                    "Do you wanna apply fast fix?"});
    }
    return problems;
}

bool FixProblem(CTextureDatabase& db, const CacheProblem& problem) {
    switch (problem.kind) {
    case CacheProblem::NoCaches:
        return false;
    case CacheProblem::NoIndex:
        if (!db.RebuildFromDat())
            return false;
        for (int k = 0; k < kCacheCount; ++k)
            if (db.IsDatOpen(k) && !db.CheckToc(k))
                db.FixToc(k);
        db.Open(db.Path());
        return true;
    case CacheProblem::BadToc:
        db.FixToc(problem.cache);
        return db.CheckToc(problem.cache);
    case CacheProblem::BadTmb: {
        // The thumbnails take the record layout of the cache's textures; a game chosen in
        // the settings decides it, as it decides how the TMB is walked.
        const int primary = db.PrimaryCache();
        const int layout = db.Game() != 0          ? db.Game()
                           : db.TextureCount() > 0 ? db.DetectLayout(0, primary, false)
                                                   : 0;
        if (!db.RebuildTmb(problem.cache, layout))
            return false;
        db.LoadOffsets(problem.cache, true);
        return true;
    }
    }
    return false;
}
