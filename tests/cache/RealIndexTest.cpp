// Index files from the Android game: every line survives a rewrite, every key lands in
// its field.
#include "cache/TextureDatabase.h"
#include "platform/Files.h"
#include "platform/ScriptedMessageBox.h"
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

// The value each known key should have, read independently item by item.
void ExpectKeysInFields(const TextureRecord& t, const std::string& line) {
    std::istringstream items(line);
    std::string item;
    items >> item; // the name
    while (items >> item) {
        const size_t eq = item.find('=');
        if (eq == std::string::npos || item[0] == '"')
            continue;
        const std::string key = item.substr(0, eq);
        const unsigned long value =
            std::stoul(item.substr(eq + 1), nullptr, key == "img" || key == "png" ? 16 : 10);
        const std::map<std::string, unsigned long> fields = {{"width", t.width},
                                                             {"height", t.height},
                                                             {"cat", t.cat},
                                                             {"format", t.format},
                                                             {"alphamode", t.alphamode},
                                                             {"hasdetail", t.hasdetail},
                                                             {"camnorm", t.camnorm},
                                                             {"hassibling", t.hassibling},
                                                             {"hasbias", t.hasbias},
                                                             {"streammode", t.streammode},
                                                             {"mipmode", t.mipmode},
                                                             {"forcez", t.forcez},
                                                             {"decalz", t.decalz},
                                                             {"img", t.img},
                                                             {"png", t.png}};
        const auto field = fields.find(key);
        if (field == fields.end())
            continue; // items we do not manage (isdetail=...) only have to survive
        // Values keep the low bits their field holds (real files have 9-digit img values).
        const bool wide = key == "img" || key == "png";
        EXPECT_EQ(field->second, value & (wide ? 0xFFFFFFFFul : 0xFFFFul)) << key << " in " << line;
    }
}

} // namespace

TEST(RealIndex, EveryFileRoundTripsLineByLine) {
    const auto files = RealIndexFiles();
    if (files.empty())
        GTEST_SKIP() << "real sample files are not beside the repository";
    EXPECT_GE(files.size(), 4u);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        TempDir dir;
        const std::string original = *Files::ReadWholeFile(file);
        dir.Write("copy.txt", original);
        CScriptedMessageBox boxes;
        {
            CTextureDatabase db(dir.File("copy.txt"), 0);
            ASSERT_GT(db.TextureCount(), 0);
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
}

TEST(RealIndex, CountsMatchTheTables) {
    const std::string root = TestDataDir();
    if (root.empty())
        GTEST_SKIP() << "real sample files are not beside the repository";
    CScriptedMessageBox boxes;
    const std::pair<const char*, int> expected[] = {
        {"/real/mobile_cache/sunset/menu.txt", 43},
        {"/real/mobile_cache/sunset/mobile.txt", 197},
        {"/real/mobile_cache/sunset/txd.txt", 748},
        {"/real/mobile_cache/myskins/menu.txt", 43},
    };
    for (const auto& [name, count] : expected) {
        CTextureDatabase db(0);
        ASSERT_EQ(db.LoadTxt(root + name), 1) << name;
        EXPECT_EQ(db.TextureCount(), count) << name;
        EXPECT_EQ(db.CategoryCount(), 1) << name;
    }
    // The "txd" category asks for format 2 by default.
    CTextureDatabase txd(0);
    txd.LoadTxt(root + "/real/mobile_cache/sunset/txd.txt");
    EXPECT_EQ(txd.Categories().at(0).defaultformat, 2);
}
