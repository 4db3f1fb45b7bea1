// Index files from the Android game: every line survives a rewrite, every key lands in
// its field.
#include "cache/TextureDatabase.h"
#include "platform/Files.h"
#include "platform/ScriptedMessageBox.h"
#include "support/CoreIndex.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> RealIndexFiles() {
    std::vector<std::string> files;
    const std::string root = TestDataDir();
    if (root.empty())
        return files;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(root + "/real/mobile_cache"))
        if (entry.path().extension() == ".txt")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(RealIndex, EveryFileRoundTripsLineByLine) {
    const auto files = RealIndexFiles();
    if (files.empty())
        GTEST_SKIP() << "real sample files are not beside the repository";
    // Texture counts of the game's files and of a copy a mod ships.
    std::map<std::string, int> counts = {{"sunset/menu.txt", 43},
                                         {"sunset/mobile.txt", 197},
                                         {"sunset/txd.txt", 748},
                                         {"myskins/menu.txt", 43}};
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        TempDir dir;
        const std::string original = *Files::ReadWholeFile(file);
        dir.Write("copy.txt", original);
        CScriptedMessageBox boxes;
        {
            CTextureDatabase db(dir.File("copy.txt"), 0);
            ASSERT_GT(db.TextureCount(), 0);
            const auto count = counts.find(file.substr(file.rfind("/mobile_cache/") + 14));
            if (count != counts.end()) {
                EXPECT_EQ(db.TextureCount(), count->second);
                EXPECT_EQ(db.CategoryCount(), 1);
                counts.erase(count);
            }
            if (file.size() >= 14 && file.substr(file.size() - 14) == "sunset/txd.txt") {
                EXPECT_EQ(db.Categories().at(0).defaultformat, 2); // "txd" asks for format 2
            }
            size_t textureLine = 0;
            for (const std::string& line : Lines(original)) {
                if (line.empty() || line[0] != '"')
                    continue;
                ExpectKeysInFields(db.Textures().at(textureLine++), line);
            }
            db.RebuildTxt();
        }
        EXPECT_TRUE(boxes.Boxes().empty());
        // Categories come first on writing; these files already have them first.
        EXPECT_EQ(Lines(dir.Read("copy.txt")), Lines(original));
        const std::string rewritten = dir.Read("copy.txt");
        EXPECT_EQ(rewritten.find("\n"), rewritten.find("\r\n") + 1);
    }
    EXPECT_TRUE(counts.empty()) << counts.begin()->first << " was not found";
}
