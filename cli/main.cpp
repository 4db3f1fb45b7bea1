// tessarine-cli: texture-cache work from a shell.
#include "cache/TextureDatabase.h"
#include "platform/MessageBox.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void PrintUsage(FILE* out) {
    std::fputs("Usage: tessarine-cli list INDEX.txt\n"
               "\n"
               "  list   print the categories and textures of a texture cache index\n",
               out);
}

int List(const std::string& path) {
    int boxes = 0;
    // Boxes raised while reading go to stderr; nobody is asked anything.
    SetMessageBoxHandler([&boxes](const std::string& text, const std::string&, unsigned type) {
        std::fprintf(stderr, "%s\n", text.c_str());
        ++boxes;
        return DefaultMessageBoxAnswer(type);
    });
    FILE* probe = std::fopen(path.c_str(), "rb");
    if (!probe) {
        std::fprintf(stderr, "tessarine-cli: cannot open '%s': %s\n", path.c_str(),
                     std::strerror(errno));
        return 1;
    }
    std::fclose(probe);
    try {
        CTextureDatabase db(path, 0);
        std::printf("%s: %d categories, %d textures\n", path.c_str(), db.CategoryCount(),
                    db.TextureCount());
        for (const CategoryRecord& c : db.Categories()) {
            std::printf("category %d %s (onfoot=%d slow=%d fast=%d", c.id, c.name.c_str(), c.onfoot,
                        c.slow, c.fast);
            if (c.defaultformat || c.defaultstream)
                std::printf(" defaultformat=%d defaultstream=%d", c.defaultformat, c.defaultstream);
            std::printf(")\n");
        }
        for (int i = 0; i < db.TextureCount(); ++i) {
            const TextureRecord& t = db.Textures()[static_cast<size_t>(i)];
            if (t.IsAlias()) {
                std::printf("#%d %s -> alias of %s\n", i, t.name.c_str(), t.affiliate.c_str());
                continue;
            }
            std::printf("#%d %s %ux%u in %s", i, t.name.c_str(), t.width, t.height,
                        db.GetCategoryName(t.cat).c_str());
            if (t.alphamode)
                std::printf(", alpha");
            if (t.hasdetail)
                std::printf(", detail %u", t.hasdetail);
            std::printf("\n");
        }
    } catch (const CError& e) {
        std::fprintf(stderr, "tessarine-cli: %s\n", e.what());
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        PrintUsage(stdout);
        return 0;
    }
    if (argc != 3 || std::strcmp(argv[1], "list") != 0) {
        PrintUsage(stderr);
        return 2;
    }
    return List(argv[2]);
}
