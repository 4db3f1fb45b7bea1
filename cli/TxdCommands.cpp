// tessarine-cli txd: texture dictionaries (PC, PS2 and mobile) shown, exported and
// imported into a cache.
#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cache/NameRules.h"
#include "cli/Cli.h"
#include "pipeline/ExportTextures.h"
#include "pipeline/ImportImage.h"
#include "pipeline/RwOutline.h"
#include "pipeline/TXDHelper.h"
#include "platform/Files.h"
#include "platform/SafeFileName.h"
#include "raster/ImageFile.h"
#include "rw/SectionNames.h"

#include <cstdio>
#include <filesystem>

using namespace Cli;

namespace {

const char kTxdUsage[] =
    "usage: tessarine-cli txd info FILE | list FILE [--json] | export FILE [TEXTURE...] --out "
    "FILE|FOLDER [--format png|bmp|gif|jpg|tif] | import INDEX FILE... [--category NAME] "
    "[--replace] [--game N]";

void OpenDictionary(CTXDHelper& helper, const std::string& path) {
    RequireReadableFile(path);
    try {
        helper.OpenTXD(path);
    } catch (const RW::CException& e) {
        throw Failure{kBadInput,
                      "'" + path + "' is not a texture dictionary this program reads: " + e.Text()};
    }
}

void PrintTree(RW::CStream& stream, RW::CNode* node, int depth) {
    std::printf("%*s%s\n", depth * 2, "", Shown(SectionLabel(stream, node)).c_str());
    for (auto& child : node->m_ppSections)
        PrintTree(stream, child.get(), depth + 1);
}

int TxdInfo(const Args& args) {
    CTXDHelper helper;
    OpenDictionary(helper, args.positional.at(1));
    RW::ITXD* txd = helper.TXD();
    std::printf("%s dictionary, %u textures\nRW Version: 0x%08X\n", helper.FlavourName(),
                txd->GetTextureCount(), txd->Stream().GetVersion());
    PrintTree(txd->Stream(), txd->Stream().Root(), 0);
    return kDone;
}

int TxdList(const Args& args) {
    CTXDHelper helper;
    OpenDictionary(helper, args.positional.at(1));
    RW::ITXD* txd = helper.TXD();
    const bool json = args.Has("--json");
    const uint32_t count = txd->GetTextureCount();
    if (json)
        std::printf("{\"flavour\": %s, \"textures\": [", Json(helper.FlavourName()).c_str());
    int failed = 0;
    for (uint32_t i = 0; i < count; ++i) {
        try {
            const std::string name = txd->GetTextureName(i, false);
            const char* format = txd->GetTextureFormatName(i);
            const uint32_t w = txd->GetTextureWidth(i), h = txd->GetTextureHeight(i);
            const bool alpha = txd->TextureHasAlpha(i);
            if (json)
                std::printf("%s\n  {\"id\": %u, \"name\": %s, \"width\": %u, \"height\": %u, "
                            "\"format\": %s, \"alpha\": %s}",
                            i ? "," : "", i, Json(name).c_str(), w, h,
                            Json(format ? format : "").c_str(), alpha ? "true" : "false");
            else
                std::printf("%4u  %-32s %5u x %-5u %-16s %s\n", i, Shown(name).c_str(), w, h,
                            format ? format : "", alpha ? "alpha" : "");
        } catch (const RW::CException& e) {
            std::fprintf(stderr, "tessarine-cli txd: texture %u: %s\n", i, Shown(e.Text()).c_str());
            ++failed;
        }
    }
    if (json)
        std::printf("\n]}\n");
    return failed ? kBadInput : kDone;
}

int TxdExport(const Args& args) {
    if (!args.Has("--out"))
        throw Failure{kBadInput, kTxdUsage};
    PluginSession plugins;
    CTXDHelper helper;
    OpenDictionary(helper, args.positional.at(1));
    RW::ITXD* txd = helper.TXD();
    std::vector<uint32_t> textures;
    for (size_t i = 2; i < args.positional.size(); ++i) {
        uint32_t found = UINT32_MAX;
        for (uint32_t t = 0; t < txd->GetTextureCount() && found == UINT32_MAX; ++t)
            if (txd->GetTextureName(t, false) == args.positional[i])
                found = t;
        if (found == UINT32_MAX)
            throw Failure{kRefused, "no texture named '" + args.positional[i] + "'"};
        textures.push_back(found);
    }
    if (textures.empty())
        for (uint32_t t = 0; t < txd->GetTextureCount(); ++t)
            textures.push_back(t);
    const auto [out, format, toFile] = ChooseExportTarget(args, textures.size());
    if (!toFile)
        std::filesystem::create_directories(out);
    // Names from the dictionary become file names inside the folder only, one file each.
    SafeFileName::CNamer namer;
    int failed = 0;
    for (size_t i = 0; i < textures.size(); ++i) {
        std::string name = "texture " + std::to_string(textures[i]);
        try {
            name = txd->GetTextureName(textures[i], false);
            Progress(i + 1, textures.size(), Shown(name));
            auto bitmap = helper.DecodeTexture(textures[i]);
            const std::string file = toFile ? std::string() : namer.Take(name, format);
            const std::string path = toFile ? out : out + "/" + file;
            if (!bitmap)
                throw RW::CException("the texture has no pixels", nullptr, nullptr);
            const std::string failure = SaveImageChecked(*bitmap, path);
            if (!failure.empty())
                throw RW::CException(path + ": " + failure, nullptr, nullptr);
            if (!toFile && file != name + "." + format)
                std::fprintf(stderr, "tessarine-cli txd: %s written as %s\n", Shown(name).c_str(),
                             Shown(file).c_str());
        } catch (const RW::CException& e) {
            std::fprintf(stderr, "tessarine-cli txd: %s: %s\n", Shown(name).c_str(),
                         Shown(e.Text()).c_str());
            ++failed;
        }
    }
    std::printf("exported %zu of %zu textures to %s\n", textures.size() - failed, textures.size(),
                out.c_str());
    return failed ? kRefused : kDone;
}

int TxdImport(const Args& args) {
    if (args.positional.size() < 3)
        throw Failure{kBadInput, kTxdUsage};
    PluginSession plugins;
    auto db = OpenCache(args, 1, Access::kWrite);
    RequireDataFiles(*db);
    const int category = ImportCategory(*db, args);
    const int game = ImportGame(*db, args);
    // Every dictionary is opened before the first texture is imported: one that cannot be
    // read stops the command with the cache unchanged.
    std::vector<std::unique_ptr<CTXDHelper>> dictionaries;
    for (size_t f = 2; f < args.positional.size(); ++f) {
        dictionaries.push_back(std::make_unique<CTXDHelper>());
        OpenDictionary(*dictionaries.back(), args.positional[f]);
    }
    CCacheHelper cache(db.get());
    DictionaryImport import{*db, cache, category, game, args.Has("--replace")};
    for (size_t f = 0; f < dictionaries.size(); ++f)
        import.Run(*dictionaries[f], args.positional[f + 2]);
    db->Flush();
    std::printf("imported %d textures, skipped %d existing, %d with names the index cannot "
                "hold, %d failed\n",
                import.imported, import.skipped, import.refused, import.failed);
    if (import.failed || import.refused)
        return kBadInput;
    return import.skipped || import.imported == 0 ? kRefused : kDone;
}

} // namespace

void Cli::DictionaryImport::Run(CTXDHelper& helper, const std::string& source) {
    const uint32_t count = helper.TXD()->GetTextureCount();
    for (uint32_t t = 0; t < count; ++t) {
        std::string name;
        try {
            const TextureImportRequest request = helper.FillImportRequest(t, category);
            name = request.name;
            Progress(t + 1, count, source + " / " + name);
            LogPrintA("CDlgImportIMG:  - Importing '%s'...\n", name.c_str());
            // A name the index cannot hold is reported and skipped, never stored.
            const NameProblem problem = CheckTextureName(name);
            if (problem != NameProblem::kNone) {
                std::fprintf(stderr, "tessarine-cli: %s: texture %u '%s' skipped: %s\n",
                             Shown(source).c_str(), t, Shown(name).c_str(),
                             DescribeNameProblem(problem).c_str());
                ++refused;
                continue;
            }
            // Known names are skipped before anything is decoded.
            if (!replace && db.FindTexture(name, true) >= 0) {
                LogPrintA("CDlgImportIMG:  - --> Texture '%s' SKIPPED (reason: already "
                          "exists)...\n",
                          name.c_str());
                std::printf("skipped %s (already exists)\n", Shown(name).c_str());
                ++skipped;
                continue;
            }
            auto bitmap = helper.DecodeTexture(t);
            if (!bitmap)
                throw RW::CException("the texture has no pixels", nullptr, nullptr);
            if (!EncodableSize(bitmap->Width(), bitmap->Height(), ForcedFamily(db, category)))
                throw RW::CException("its size " + std::to_string(bitmap->Width()) + "x" +
                                         std::to_string(bitmap->Height()) +
                                         " is not a power of two",
                                     nullptr, nullptr);
            const bool alpha = request.withAlpha != 0 || HasTransparentPixel(*bitmap);
            if (StoreBitmap(db, cache, *bitmap, name, alpha, category,
                            request.uncompressed != 0, game, replace) == StoreResult::kOutOfPlace) {
                std::fprintf(stderr, "tessarine-cli: %s: %s not replaced: %s\n", source.c_str(),
                             name.c_str(), kOutOfPlaceText);
                ++failed;
                continue;
            }
            ++imported;
        } catch (const RW::CException& e) {
            std::fprintf(stderr, "tessarine-cli: %s: %s: %s\n", Shown(source).c_str(),
                         name.empty() ? ("texture " + std::to_string(t)).c_str()
                                      : Shown(name).c_str(),
                         Shown(e.Text()).c_str());
            ++failed;
        }
    }
}

int CommandTxd(const Args& args) {
    if (args.positional.size() < 2)
        throw Failure{kBadInput, kTxdUsage};
    const std::string& verb = args.positional[0];
    if (verb == "info")
        return TxdInfo(args);
    if (verb == "list")
        return TxdList(args);
    if (verb == "export")
        return TxdExport(args);
    if (verb == "import")
        return TxdImport(args);
    throw Failure{kBadInput, kTxdUsage};
}
