// Builds the bundled sample caches from pictures it draws itself:
//   FOLDER/sa/sample.txt  San Andreas layout, packed, every codec family, categories,
//                         aliases (before and after their originals) and the 64 radar tiles
//   FOLDER/vc/sample.txt  Vice City layout, a few textures and an alias
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cache/TextureDatabase.h"
#include "pipeline/CacheHelper.h"
#include "pipeline/ImportImage.h"
#include "platform/MessageBox.h"
#include "raster/PluginHost.h"
#include "samples/generator/Pictures.h"

#include <cstdio>
#include <filesystem>

namespace {

struct Builder {
    CTextureDatabase db{0};
    CCacheHelper helper{&db};
    int game;

    Builder(const std::string& path, int gameId, const std::vector<std::string>& categories)
        : game(gameId) {
        db.Create(path);
        for (const std::string& name : categories)
            db.AddCategory(name);
    }

    void Add(const std::string& name, const Bitmap32& picture, int category, bool alpha,
             bool uncompressed = false) {
        // The same import the editor and the command-line tool make.
        if (!ImportImage(helper, picture, name, alpha, category, uncompressed, std::nullopt, game))
            throw CError("cannot import " + name);
        db.SetCategory(db.TextureCount() - 1, category);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string out = argv[1];
    SetMessageBoxHandler([](const std::string& text, const std::string&, unsigned) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return IDOK;
    });
    // Only the caches' own folders start afresh: the output folder is also the build
    // system's folder for the samples, whose files installing needs.
    for (const char* layout : {"/sa", "/vc"}) {
        std::filesystem::remove_all(out + layout);
        std::filesystem::create_directories(out + layout);
    }
    // Settings of its own, so the build never touches the user's.
    Settings::SetPath(out + "/generator.ini");
    InitPluginBindings();
    for (CodecFamily family : kAllFamilies)
        if (!Plugins().compress[family]) {
            std::fprintf(stderr, "the %s plug-in is missing\n", FamilyName(family));
            return 1;
        }

    try {
        Builder sa(out + "/sa/sample.txt", 2, {"World", "Interface", "Vehicles", "Radar"});
        sa.db.AddAlias("sign_early", "sign_welcome"); // an alias before its original
        sa.Add("bricks", *Pictures::Bricks(256), 1, false);
        sa.Add("grass", *Pictures::Plasma(256, 3), 1, false);
        sa.Add("tiles", *Pictures::Checker(64, 8, 0xFFE0E0E0u, 0xFF303060u), 1, false);
        sa.Add("sky", *Pictures::Gradient(256, 128, 0xFFFFC080u, 0xFF402000u, false), 1, false);
        sa.Add("sign_welcome", *Pictures::Label(256, 64, "WELCOME", 0xC0206020u), 1, true);
        sa.Add("hud_title", *Pictures::Label(256, 64, "TESSARINE", 0x00000000u), 2, true);
        sa.Add("hud_radar_ring", *Pictures::Rings(128, true), 2, true);
        sa.Add("hud_icon_raw", *Pictures::Rings(32, true), 2, true, true);
        sa.Add("car_paint", *Pictures::Gradient(128, 128, 0xFF2020C0u, 0xFF80F0FFu, true), 3,
               false);
        sa.Add("car_glass", *Pictures::Rings(64, true), 3, true);
        sa.db.AddAlias("bricks_old", "bricks"); // an alias after its original
        sa.db.AddAlias("car_paint2", "car_paint");
        for (int tile = 0; tile < 64; ++tile) {
            char name[16];
            std::snprintf(name, sizeof name, "radar%02d", tile);
            sa.Add(name, *Pictures::RadarTile(128, tile % 8, tile / 8, 8), 4, false);
        }
        sa.db.Flush();

        Builder vc(out + "/vc/sample.txt", 1, {"World", "Interface"});
        vc.Add("bricks", *Pictures::Bricks(128), 1, false);
        vc.Add("hud_title", *Pictures::Label(128, 32, "VICE", 0x00000000u), 2, true);
        vc.Add("rings", *Pictures::Rings(64, true), 2, true);
        vc.db.AddAlias("bricks_copy", "bricks");
        vc.db.Flush();
    } catch (const CError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    UnloadPlugins();
    std::filesystem::remove(out + "/generator.ini");
    std::printf("sample caches written to %s/sa and %s/vc\n", out.c_str(), out.c_str());
    return 0;
}
