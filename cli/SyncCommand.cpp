// tessarine-cli sync: the cache textures no model of the game's archives uses, and their
// deletion in one pass.
#include "cache/TextureDatabase.h"
#include "cli/Cli.h"
#include "pipeline/SyncArchives.h"

#include <cstdio>

using namespace Cli;

namespace {

const char kSyncUsage[] = "usage: tessarine-cli sync INDEX ARCHIVE... [--delete] [--include-case] "
                          "[--json]";

void PrintJson(const CSyncScan& scan, const SyncListing& listing) {
    std::printf("{\"models\": %zu, \"names\": %zu, \"skipped\": [", scan.ModelCount(),
                scan.Used().size());
    const char* separator = "";
    for (const SyncSkipped& s : scan.Skipped()) {
        std::printf("%s\n  {\"archive\": %s, \"entry\": %s, \"error\": %s}", separator,
                    Json(s.archive).c_str(), Json(s.entry).c_str(), Json(s.error).c_str());
        separator = ",";
    }
    std::printf("],\n \"textures\": [");
    separator = "";
    for (const SyncTexture& t : listing.textures) {
        if (t.use == SyncUse::kUsed)
            continue;
        std::printf("%s\n  {\"name\": %s, \"alias\": %s, \"use\": \"%s\", \"delete\": %s}",
                    separator, Json(t.name).c_str(), t.alias ? "true" : "false",
                    t.use == SyncUse::kCaseOnly ? "case" : "unused", t.checked ? "true" : "false");
        separator = ",";
    }
    std::printf("],\n \"delete\": %d, \"bytes\": %llu}\n", listing.toDelete,
                static_cast<unsigned long long>(listing.bytes));
}

void PrintText(const CSyncScan& scan, const SyncListing& listing, int textureCount) {
    int caseOnly = 0;
    for (const SyncTexture& t : listing.textures) {
        if (t.checked)
            std::printf("%s%s\n", Shown(t.name).c_str(), t.alias ? " (alias)" : "");
        else if (t.use == SyncUse::kCaseOnly) {
            std::printf("%s (used in another letter case; kept)\n", Shown(t.name).c_str());
            ++caseOnly;
        }
    }
    std::printf("%zu names used by %zu models; %d of %d textures unused (%0.2f MB); %d used "
                "only in another letter case\n",
                scan.Used().size(), scan.ModelCount(), listing.toDelete, textureCount,
                double(listing.bytes) / 1048576.0, caseOnly);
}

} // namespace

int CommandSync(const Args& args) {
    if (args.positional.size() < 2)
        throw Failure{kBadInput, kSyncUsage};
    const bool remove = args.Has("--delete");
    auto db = remove ? OpenCacheForEdit(args, 0) : OpenCache(args, 0);
    CSyncScan scan;
    for (size_t i = 1; i < args.positional.size(); ++i) {
        const std::string& path = args.positional[i];
        RequireReadableFile(path);
        const bool scanned = scan.ScanArchive(path, [](const std::string& name, size_t at,
                                                      size_t total) {
            if (!name.empty())
                Progress(at, total, name);
            return true;
        });
        if (!scanned)
            throw Failure{kBadInput, "cannot open the archive '" + path +
                                         "' (for a version 1 archive its .dir must be beside it)"};
    }
    for (const SyncSkipped& s : scan.Skipped())
        std::fprintf(stderr, "tessarine-cli sync: %s skipped: %s\n", Shown(s.entry).c_str(),
                     Shown(s.error).c_str());
    const SyncListing listing = ListSyncTextures(*db, scan, args.Has("--include-case"));
    if (args.Has("--json"))
        PrintJson(scan, listing);
    else
        PrintText(scan, listing, db->TextureCount());
    if (!remove)
        return kDone;
    if (listing.toDelete == 0)
        throw Failure{kRefused, "every texture is used; nothing deleted"};
    if (!DeleteSyncTextures(*db, listing.Checked()))
        throw Failure{kBadInput, std::string("nothing deleted: ") + kOutOfPlaceText};
    if (!args.Has("--json"))
        std::printf("deleted %d textures\n", listing.toDelete);
    return kDone;
}
