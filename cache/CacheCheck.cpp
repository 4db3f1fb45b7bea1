#include "cache/CacheCheck.h"

#include "platform/Files.h"

namespace {

constexpr size_t kNamesShown = 8;

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

std::vector<CacheProblem> CheckCache(CTextureDatabase& db, bool records) {
    std::vector<CacheProblem> problems;
    if (!db.PrimaryCache()) {
        problems.push_back({CacheProblem::NoCaches, std::nullopt,
                            "No caches found, lol.\n\nCheck .DAT, .TMB and .TOC files."});
        return problems;
    }
    if (!Files::Exists(db.Path())) {
        problems.push_back({CacheProblem::NoIndex, std::nullopt,
                            "Whoa! No TXT database found.\n\nDo you want to build new "
                            "database?\n(Tessarine can't work without txt database)"});
        return problems;
    }
    if (db.TextureCount() == 0) {
        // Fitting the TOCs to an empty index would throw away every record.
        for (CacheId k : kAllCaches)
            if (db.FileLength(CacheFileKind::kDat, k) > 0) {
                problems.push_back({CacheProblem::EmptyIndex, std::nullopt,
                                    "The TXT database lists no textures, but " +
                                        Files::FileNameOf(db.FilePath(CacheFileKind::kDat, k)) +
                                        " holds records.\n\nDo you want to build the database "
                                        "from them?"});
                return problems;
            }
    }
    for (CacheId k : kAllCaches)
        if (db.IsDatOpen(k) && !db.CheckToc(k))
            problems.push_back(
                {CacheProblem::BadToc, k,
                 Upper(CacheName(k)) + ".TOC file is corrupted.\r\n\r\nDo you want to fix it?"});
    for (CacheId k : kAllCaches) {
        // A TMB holds a thumbnail for every texture with data of its own, whatever state
        // the DAT and TOC beside it are in.
        const bool broken =
            db.IsTmbOpen(k) ? db.CountThumbs(k) != db.OrdinaryCount() : db.IsDatOpen(k);
        if (broken)
            problems.push_back({CacheProblem::BadTmb, k,
                                Upper(CacheName(k)) +
                                    ".TMB file is corrupted, it can hang game loading.\r\n\r\n"
                                    "Do you wanna apply fast fix?"});
    }
    if (!records)
        return problems;
    for (CacheId k : kAllCaches) {
        std::vector<int> damaged = db.DamagedRecords(k);
        if (damaged.empty())
            continue;
        std::string names;
        for (size_t i = 0; i < damaged.size() && i < kNamesShown; ++i)
            names += (i ? ", " : "") + db.GetTextureName(damaged[i]);
        if (damaged.size() > kNamesShown)
            names += ", ...";
        problems.push_back({CacheProblem::BadRecords, k,
                            Upper(CacheName(k)) + ": " + std::to_string(damaged.size()) +
                                " textures have missing or damaged records (" + names +
                                "); delete or import them again.",
                            std::move(damaged)});
    }
    return problems;
}

bool FixProblem(CTextureDatabase& db, const CacheProblem& problem,
                const ThumbnailMaker& makeThumbnail) {
    switch (problem.kind) {
    case CacheProblem::NoCaches:
    case CacheProblem::BadRecords:
        return false;
    case CacheProblem::NoIndex:
    case CacheProblem::EmptyIndex:
        if (!db.RebuildFromDat())
            return false;
        db.Open(db.Path());
        return true;
    case CacheProblem::BadToc:
        // Textures whose records are nowhere stay missing: the TOC is sound, the cache
        // is not, and the record check keeps saying so.
        return db.FixToc(*problem.cache) == 0 && db.CheckToc(*problem.cache);
    case CacheProblem::BadTmb: {
        // The thumbnails take the record layout of the cache's textures; a game chosen in
        // the settings decides it, as it decides how the TMB is walked.
        const RecordLayout layout = db.TextureCount() > 0 && db.PrimaryCache()
                                        ? db.LayoutOf(0, *db.PrimaryCache(), false)
                                        : LayoutOfGame(db.Game()).value_or(RecordLayout::kVC);
        if (!db.RebuildTmb(*problem.cache, layout, makeThumbnail))
            return false;
        db.LoadOffsets(*problem.cache, true);
        return true;
    }
    }
    return false;
}
