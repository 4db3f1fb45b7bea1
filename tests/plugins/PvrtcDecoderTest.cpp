// The PVRTC decoder against the reference decoder's output for random words.
#include "plugins/pvrtc/PvrtcDecoder.h"
#include "platform/Files.h"
#include "support/CoreFixtures.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

TEST(PvrtcDecoder, ReproducesEveryReferenceVector) {
    SKIP_WITHOUT_TESTDATA();
    const std::string root = TestDataDir();
    const std::regex name(R"(pvrtc([24])_(\d+)x(\d+)\.bin)");
    int vectors = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root + "/vectors/pvrtc")) {
        std::smatch m;
        const std::string file = entry.path().filename().string();
        if (!std::regex_match(file, m, name))
            continue;
        const int bpp = std::stoi(m[1]);
        const uint32_t w = std::stoul(m[2]), h = std::stoul(m[3]);
        const auto words = *Files::ReadWholeFile(entry.path().string());
        const std::string rgbaPath = entry.path().string();
        const auto expected =
            *Files::ReadWholeFile(rgbaPath.substr(0, rgbaPath.size() - 3) + "rgba");
        ASSERT_EQ(words.size(), Pvrtc::LevelSize(w, h, bpp)) << file;
        std::string decoded(size_t(w) * h * 4, '\0');
        Pvrtc::Decode(reinterpret_cast<const uint8_t*>(words.data()),
                      reinterpret_cast<uint8_t*>(decoded.data()), w, h, bpp);
        size_t first = 0;
        while (first < decoded.size() && decoded[first] == expected[first])
            ++first;
        EXPECT_EQ(first, decoded.size())
            << file << ": first difference at pixel " << first / 4 << " channel " << first % 4
            << " (got " << int(uint8_t(decoded[first])) << ", want "
            << int(uint8_t(expected[first])) << ")";
        ++vectors;
    }
    EXPECT_GE(vectors, 20);
}
