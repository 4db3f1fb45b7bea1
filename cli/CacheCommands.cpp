// tessarine-cli commands that create, describe, check, repair and read caches.
#include "cache/CacheCheck.h"
#include "cli/Cli.h"
#include "pipeline/CacheHelper.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"

#include <cstdio>

using namespace Cli;

int CommandCreate(const Args& args) {
    Need(args, 1, "create INDEX.txt [--force]");
    const std::string path = args.positional[0];
    CheckNewIndexPath(path);
    CTextureDatabase probe(0);
    bool exists = Files::Exists(path);
    const std::string base = path.substr(0, path.size() - 4);
    for (const char* cache : kCacheNames)
        for (const char* extension : {".dat", ".toc", ".tmb"})
            exists = exists || Files::Exists(base + "." + cache + extension);
    if (exists && !args.Has("--force"))
        throw Failure{kRefused, "a cache already exists at '" + path +
                                    "'; --force replaces it and loses its textures"};
    CTextureDatabase db(0);
    db.Create(path);
    if (db.PrimaryCache() == std::nullopt)
        throw Failure{kRefused, "No caches created."};
    std::printf("Created %s with the caches dxt, etc, pvr and unc.\n", path.c_str());
    return kDone;
}

int CommandInfo(const Args& args) {
    Need(args, 1, "info INDEX [--json] [--game N]");
    auto db = OpenCache(args);
    int aliases = 0;
    for (const TextureRecord& t : db->Textures())
        aliases += t.IsAlias();
    if (args.Has("--json")) {
        std::printf("{\"index\": %s, \"textures\": %d, \"aliases\": %d, \"categories\": [",
                    Json(db->Path()).c_str(), db->TextureCount(), aliases);
        for (int c = 0; c < db->CategoryCount(); ++c)
            std::printf("%s%s", c ? ", " : "", Json(db->GetCategoryName(c)).c_str());
        std::printf("], \"caches\": [");
        bool first = true;
        for (CacheId k : kAllCaches) {
            if (!db->IsDatOpen(k) && !db->IsTocOpen(k) && !db->IsTmbOpen(k))
                continue;
            std::printf("%s{\"name\": \"%s\", \"dat\": %lld, \"toc\": %lld, \"tmb\": %lld, "
                        "\"textures\": %d, \"thumbnails\": %d, \"tocSound\": %s}",
                        first ? "" : ", ", CacheName(k),
                        static_cast<long long>(db->FileLength(CacheFileKind::kDat, k)),
                        static_cast<long long>(db->FileLength(CacheFileKind::kToc, k)),
                        static_cast<long long>(db->FileLength(CacheFileKind::kTmb, k)),
                        db->CountTextures(k), db->CountThumbs(k),
                        db->CheckToc(k) ? "true" : "false");
            first = false;
        }
        std::printf("]}\n");
        return kDone;
    }
    std::printf("%s: %d textures (%d aliases), %d categories\n", db->Path().c_str(),
                db->TextureCount(), aliases, db->CategoryCount());
    for (CacheId k : kAllCaches) {
        if (!db->IsDatOpen(k) && !db->IsTocOpen(k) && !db->IsTmbOpen(k))
            continue;
        const auto size = [&](CacheFileKind kind) {
            const int64_t length = db->FileLength(kind, k);
            return length < 0 ? std::string("missing")
                              : FormatFileSize(static_cast<uint64_t>(length));
        };
        std::printf("  %s: DAT %s, TOC %s%s, TMB %s; %d textures, %d thumbnails\n", CacheName(k),
                    size(CacheFileKind::kDat).c_str(), size(CacheFileKind::kToc).c_str(),
                    db->IsTocOpen(k) && db->IsDatOpen(k) && !db->CheckToc(k) ? " (damaged)" : "",
                    size(CacheFileKind::kTmb).c_str(), db->CountTextures(k), db->CountThumbs(k));
    }
    return kDone;
}

int CommandList(const Args& args) {
    Need(args, 1, "list INDEX [--category NAME] [--json] [--game N]");
    auto db = OpenCache(args);
    const int only = args.Has("--category") ? FindCategory(*db, args.Get("--category")) : -1;
    const bool json = args.Has("--json");
    if (json) {
        std::printf("{\"categories\": [");
        for (int c = 0; c < db->CategoryCount(); ++c)
            std::printf("%s{\"id\": %d, \"name\": %s}", c ? ", " : "", c,
                        Json(db->GetCategoryName(c)).c_str());
        std::printf("], \"textures\": [");
    } else {
        std::printf("%s: %d categories, %d textures\n", db->Path().c_str(), db->CategoryCount(),
                    db->TextureCount());
        for (const CategoryRecord& c : db->Categories()) {
            std::printf("category %d %s (onfoot=%d slow=%d fast=%d", c.id, Shown(c.name).c_str(),
                        c.onfoot, c.slow, c.fast);
            if (c.defaultformat || c.defaultstream)
                std::printf(" defaultformat=%d defaultstream=%d", c.defaultformat, c.defaultstream);
            std::printf(")\n");
        }
    }
    bool first = true;
    for (int i = 0; i < db->TextureCount(); ++i) {
        const int category = db->GetTextureCategory(i);
        if (only >= 0 && category != only)
            continue;
        const TextureRecord& t = *db->GetTexture(i);
        std::string formats;
        for (CacheId k : kAllCaches) {
            if (!db->IsDatOpen(k) || t.datOffset[k] == -1)
                continue;
            char text[96];
            std::snprintf(text, sizeof text,
                          json ? "%s{\"cache\": \"%s\", \"format\": \"%s\"}" : "%s%s %s",
                          formats.empty() ? "" : (json ? ", " : ", "), CacheName(k),
                          db->GetFormatName(k, i, false));
            formats += text;
        }
        if (json) {
            std::printf("%s{\"index\": %d, \"name\": %s, \"width\": %u, \"height\": %u, "
                        "\"category\": %d, \"alias\": %s, \"alphamode\": %u, \"formats\": [%s]}",
                        first ? "" : ", ", i, Json(t.name).c_str(), t.width, t.height, category,
                        t.IsAlias() ? Json(t.affiliate).c_str() : "null", t.alphamode,
                        formats.c_str());
        } else {
            std::printf("#%d %s %ux%u in %s", i, Shown(t.name).c_str(), t.width, t.height,
                        Shown(db->GetCategoryName(category)).c_str());
            if (t.IsAlias())
                std::printf(", alias of %s", Shown(t.affiliate).c_str());
            if (t.alphamode)
                std::printf(", alpha");
            if (t.hasdetail)
                std::printf(", detail %u", t.hasdetail);
            if (!formats.empty())
                std::printf(" [%s]", formats.c_str());
            std::printf("\n");
        }
        first = false;
    }
    if (json)
        std::printf("]}\n");
    return kDone;
}

namespace {

const char* KindName(CacheProblem::Kind kind) {
    switch (kind) {
    case CacheProblem::NoCaches:
        return "no-caches";
    case CacheProblem::NoIndex:
        return "no-index";
    case CacheProblem::BadToc:
        return "toc";
    case CacheProblem::BadTmb:
        return "tmb";
    case CacheProblem::EmptyIndex:
        return "empty-index";
    case CacheProblem::BadRecords:
        return "records";
    }
    return "";
}

} // namespace

int CommandCheck(const Args& args) {
    Need(args, 1, "check INDEX [--json] [--game N]");
    auto db = OpenCache(args);
    const auto problems = CheckCache(*db, true);
    std::vector<int> damaged;
    for (int i = 0; i < db->TextureCount(); ++i)
        if (!db->IsRecordValid(i))
            damaged.push_back(i);
    const bool sound = problems.empty() && damaged.empty();
    if (args.Has("--json")) {
        std::printf("{\"sound\": %s, \"problems\": [", sound ? "true" : "false");
        for (size_t i = 0; i < problems.size(); ++i)
            std::printf("%s{\"kind\": \"%s\", \"cache\": %s, \"message\": %s}", i ? ", " : "",
                        KindName(problems[i].kind),
                        problems[i].cache ? Json(CacheName(*problems[i].cache)).c_str() : "null",
                        Json(problems[i].prompt).c_str());
        std::printf("], \"damagedTextures\": [");
        for (size_t i = 0; i < damaged.size(); ++i)
            std::printf("%s%s", i ? ", " : "", Json(db->GetTextureName(damaged[i])).c_str());
        std::printf("]}\n");
    } else {
        for (const CacheProblem& p : problems) {
            std::string text = p.prompt;
            const size_t question = text.find("\r\n\r\n");
            if (question != std::string::npos)
                text.resize(question);
            for (char& c : text)
                if (c == '\n')
                    c = ' ';
            std::printf("%s: %s\n", KindName(p.kind), text.c_str());
        }
        for (int t : damaged)
            std::printf("damaged raster header: #%d %s\n", t, Shown(db->GetTextureName(t)).c_str());
        if (sound)
            std::printf("%s: sound\n", db->Path().c_str());
    }
    return sound ? kDone : kBadInput;
}

int CommandFix(const Args& args) {
    Need(args, 1, "fix INDEX [--yes] [--game N]");
    PluginSession plugins; // thumbnails are made again from the textures
    auto db = OpenCacheForEdit(args);
    CCacheHelper helper(db.get());
    auto problems = CheckCache(*db, true);
    if (problems.empty()) {
        std::printf("%s: nothing to fix\n", db->Path().c_str());
        return kDone;
    }
    int declined = 0, failed = 0;
    // Tables of contents first: the thumbnails are then compared with what they hold.
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1)
            problems = CheckCache(*db, true);
        for (const CacheProblem& problem : problems) {
            if (problem.kind == CacheProblem::NoCaches)
                throw Failure{kRefused, "no cache data files found (.dat)"};
            const bool first = problem.kind == CacheProblem::NoIndex ||
                               problem.kind == CacheProblem::EmptyIndex ||
                               problem.kind == CacheProblem::BadToc;
            if (problem.kind == CacheProblem::BadRecords || first != (pass == 0))
                continue;
            const bool index =
                problem.kind == CacheProblem::NoIndex || problem.kind == CacheProblem::EmptyIndex;
            if (AfxMessageBox(problem.prompt,
                              MB_YESNO | (index ? MB_ICONQUESTION : MB_ICONEXCLAMATION)) != IDYES) {
                ++declined;
                continue;
            }
            const bool fixed = FixProblem(*db, problem, helper.Thumbnails());
            for (const std::string& note : db->RepairNotes())
                std::fprintf(stderr, "tessarine-cli fix: %s\n", note.c_str());
            if (fixed)
                std::printf("fixed: %s%s%s\n", KindName(problem.kind), problem.cache ? " " : "",
                            problem.cache ? CacheName(*problem.cache) : "");
            else if (problem.kind != CacheProblem::BadToc)
                ++failed, std::fprintf(stderr, "tessarine-cli fix: could not fix %s\n",
                                       KindName(problem.kind));
            if (index)
                break; // the rebuilt index is checked afresh below
        }
    }
    if (declined)
        throw Failure{kRefused, "not all repairs were made; --yes makes them without asking"};
    // What no repair can bring back is said, so a fixed cache never looks sounder than
    // it is.
    for (const CacheProblem& problem : CheckCache(*db, true)) {
        std::fprintf(stderr, "tessarine-cli fix: still damaged: %s\n", problem.prompt.c_str());
        ++failed;
    }
    return failed ? kBadInput : kDone;
}

int CommandDump(const Args& args) {
    Need(args, 3, "dump INDEX TEXTURE OUTPUT [--cache dxt|etc|pvr|unc] [--thumb]");
    auto db = OpenCache(args);
    const int texture = FindTexture(*db, args.positional[1]);
    const std::optional<CacheId> chosen =
        args.Has("--cache") ? CacheNamed(args.Get("--cache")) : db->PrimaryCache();
    if (!chosen || !db->IsDatOpen(*chosen))
        throw Failure{kRefused, "that cache has no data file"};
    const CacheId cache = *chosen;
    const auto data = db->ReadTextureData(cache, texture, args.Has("--thumb"));
    if (!data)
        throw Failure{kRefused, "no data for that texture in that cache"};
    FILE* out = std::fopen(args.positional[2].c_str(), "wb");
    if (!out || std::fwrite(data->data(), 1, data->size(), out) != data->size() ||
        std::fclose(out) != 0)
        throw Failure{kRefused, "cannot write '" + args.positional[2] + "'"};
    std::printf("%zu bytes of %s (%s %dx%d) written to %s\n", data->size(),
                db->GetTextureName(texture).c_str(),
                db->GetFormatName(cache, texture, args.Has("--thumb")),
                db->GetWidth(cache, texture, args.Has("--thumb")),
                db->GetHeight(cache, texture, args.Has("--thumb")), args.positional[2].c_str());
    return kDone;
}
