// tessarine-cli export: cache textures as image files, decoded by the codec plug-ins.
#include "cli/Cli.h"
#include "pipeline/CacheHelper.h"
#include "platform/SafeFileName.h"
#include "raster/ImageFile.h"

#include <cstdio>
#include <filesystem>

using namespace Cli;

namespace {

const char kUsage[] = "usage: tessarine-cli export INDEX [TEXTURE...] [--category NAME] --out "
                      "FILE|FOLDER [--format png|bmp|gif|jpg|tif] [--cache C] [--level N] "
                      "[--thumb] [--aliases]";

// The mip level asked for by --level: a number, 0 without the option.
uint32_t RequestedLevel(const Args& args) {
    constexpr long kLastLevel = 15; // a side of 32768 halves 15 times
    const std::string text = args.Get("--level", "0");
    char* end = nullptr;
    const long level = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || level < 0 || level > kLastLevel)
        throw Failure{kBadInput, "--level takes a mip level from 0 to 15"};
    return static_cast<uint32_t>(level);
}

// The textures named, else those of --category, else all; aliases only when named or with
// --aliases.
std::vector<int> ChosenTextures(CTextureDatabase& db, const Args& args) {
    std::vector<int> textures;
    for (size_t i = 1; i < args.positional.size(); ++i)
        textures.push_back(FindTexture(db, args.positional[i]));
    if (!textures.empty())
        return textures;
    const int only = args.Has("--category") ? FindCategory(db, args.Get("--category")) : -1;
    for (int t = 0; t < db.TextureCount(); ++t)
        if ((only < 0 || db.GetTextureCategory(t) == only) &&
            (!db.IsAlias(t) || args.Has("--aliases")))
            textures.push_back(t);
    return textures;
}

// One export run: where the files go and what each texture is decoded from.
class CExport {
public:
    CExport(CTextureDatabase& db, CacheId cache, uint32_t level, bool thumb)
        : m_Db(db), m_Helper(&db), m_Cache(cache), m_nLevel(level), m_bThumb(thumb) {}

    // Into a folder: texture names become file names inside it only, one file each.
    void IntoFolder(const std::string& folder, const std::string& format) {
        m_strOut = folder;
        m_strFormat = format;
        std::filesystem::create_directories(folder);
    }
    void ToFile(const std::string& file) { m_strOut = file; }

    // Writes one texture; false (after saying why) when it is not written.
    bool Write(int texture) {
        const std::string name = m_Db.GetTextureName(texture);
        const uint32_t levels = m_Db.GetLevelCount(m_Cache, texture, m_bThumb);
        if (m_nLevel >= levels)
            return Report(name + " not exported: it has " + std::to_string(levels) + " mip levels");
        const std::string file =
            m_strFormat.empty() ? std::string() : m_Namer.Take(name, m_strFormat);
        const std::string path = file.empty() ? m_strOut : m_strOut + "/" + file;
        const auto bitmap = m_Helper.DecodeCacheTexture(texture, m_Cache, m_nLevel, m_bThumb);
        if (!bitmap) {
            const std::string& why = m_Helper.DecodeError().text;
            return Report(name + " could not be decoded" + (why.empty() ? "" : ": " + why));
        }
        const std::string failure = SaveImage(*bitmap, path);
        if (!failure.empty())
            return Report(failure);
        if (!file.empty() && file != name + "." + m_strFormat)
            Report(name + " written as " + file);
        return true;
    }

private:
    // Says something about the texture in hand on stderr; false, for the refusals.
    static bool Report(const std::string& message) {
        std::fprintf(stderr, "tessarine-cli export: %s\n", Shown(message).c_str());
        return false;
    }

    CTextureDatabase& m_Db;
    CCacheHelper m_Helper;
    CacheId m_Cache;
    uint32_t m_nLevel;
    bool m_bThumb;
    std::string m_strOut;
    std::string m_strFormat; // empty when writing one file
    SafeFileName::CNamer m_Namer;
};

} // namespace

int CommandExport(const Args& args) {
    if (args.positional.empty() || !args.Has("--out"))
        throw Failure{kBadInput, kUsage};
    const uint32_t level = RequestedLevel(args);
    const bool thumb = args.Has("--thumb");
    PluginSession plugins;
    auto db = OpenCache(args);
    const std::optional<CacheId> cache =
        args.Has("--cache") ? CacheNamed(args.Get("--cache")) : db->PrimaryCache();
    if (!cache || (thumb ? !db->IsTmbOpen(*cache) : !db->IsDatOpen(*cache)))
        throw Failure{kRefused, "that cache has no files to export from"};
    const std::vector<int> textures = ChosenTextures(*db, args);
    const auto [out, format, toFile] = ChooseExportTarget(args, textures.size());
    CExport run(*db, *cache, level, thumb);
    if (toFile)
        run.ToFile(out);
    else
        run.IntoFolder(out, format);
    size_t written = 0;
    for (size_t i = 0; i < textures.size(); ++i) {
        Progress(i + 1, textures.size(), db->GetTextureName(textures[i]));
        written += run.Write(textures[i]);
    }
    std::printf("exported %zu of %zu textures to %s\n", written, textures.size(),
                Shown(out).c_str());
    return written == textures.size() && written > 0 ? kDone : kRefused;
}
