// Writes the program's icon for installing: FOLDER/hicolor/NxN/apps/tessarine.png for every
// size desktops use, and FOLDER/hicolor/scalable/apps/tessarine.svg.
#include "app/AppIcon.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

constexpr const char* kIconName = "tessarine";

bool WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path theme = std::filesystem::path(argv[1]) / "hicolor";
    for (const int size : AppIcon::kSizes) {
        const std::filesystem::path folder =
            theme / (std::to_string(size) + "x" + std::to_string(size)) / "apps";
        std::filesystem::create_directories(folder);
        const std::string file = (folder / (std::string(kIconName) + ".png")).string();
        if (!AppIcon::Render(size).save(QString::fromStdString(file), "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            return 1;
        }
    }
    const std::filesystem::path scalable = theme / "scalable" / "apps";
    std::filesystem::create_directories(scalable);
    if (!WriteText(scalable / (std::string(kIconName) + ".svg"), AppIcon::Svg())) {
        std::fprintf(stderr, "cannot write the SVG icon\n");
        return 1;
    }
    return 0;
}
