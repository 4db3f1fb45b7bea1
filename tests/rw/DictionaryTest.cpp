// Texture dictionaries: the real PC and PS2 files, built mobile ones, and damaged ones.
#include "pipeline/TXDHelper.h"
#include "platform/ScriptedMessageBox.h"
#include "rw/TextureDictionary.h"
#include "support/CoreFixtures.h"
#include "support/RwBuilder.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <squish.h>
#include <unistd.h>

// Records are made with designated initializers that name only the fields a case sets.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

class TxdFiles : public ::testing::Test {
protected:
    // The plug-ins write their binding to the settings: a file of the test's own.
    static void SetUpTestSuite() { s_pSettings = new OwnSettings(true); }
    static void TearDownTestSuite() { delete s_pSettings; }
    static inline OwnSettings* s_pSettings = nullptr;
    std::string Write(const RwSection& root) {
        const std::string name = "d" + std::to_string(m_nFiles++) + ".txd";
        m_Dir.Write(name, root.Text());
        return m_Dir.File(name);
    }
    static std::string Real(const std::string& name) { return TestDataDir() + "/real/txd/" + name; }
    TempDir m_Dir;
    int m_nFiles = 0;
    CScriptedMessageBox m_Boxes;
};

// The body of texture t's native Struct, read straight from the tree.
std::vector<uint8_t> NativeBody(RW::ITXD& txd, uint32_t t) {
    RW::CNode* node = txd.Stream().GetNode({int(t) + 1, 0});
    const uint8_t* data = node->GetData(txd.Stream().m_hFile);
    return {data, data + node->m_nSize};
}

std::vector<uint8_t> Zeros(size_t n) {
    return std::vector<uint8_t>(n);
}

TEST_F(TxdFiles, EveryRealDictionaryOpensInItsFlavourAndDecodes) {
    SKIP_WITHOUT_TESTDATA();
    // The folder names the flavour; the count is that of the natives in the tree.
    int dictionaries = 0;
    for (const char* flavour : {"pc", "ps2"})
        for (const auto& entry : std::filesystem::directory_iterator(Real(flavour))) {
            SCOPED_TRACE(entry.path().string());
            CTXDHelper helper;
            ASSERT_NO_THROW(helper.OpenTXD(entry.path().string()));
            EXPECT_STREQ(helper.FlavourName(), std::string(flavour) == "pc" ? "PC" : "PS2");
            uint32_t natives = 0;
            for (uint32_t i = 0; i < helper.TXD()->Stream().Root()->ChildCount(); ++i)
                natives += helper.TXD()->Stream().Root()->Child(i)->m_nID == 0x15;
            ASSERT_EQ(helper.TXD()->GetTextureCount(), natives);
            for (uint32_t t = 0; t < natives; ++t) {
                auto bitmap = helper.DecodeTexture(t);
                ASSERT_NE(bitmap, nullptr) << t;
                EXPECT_EQ(bitmap->Width(), helper.TXD()->GetTextureWidth(t));
                EXPECT_FALSE(helper.TXD()->GetTextureName(t, false).empty());
            }
            ++dictionaries;
        }
    EXPECT_EQ(dictionaries, 27);
    EXPECT_TRUE(m_Boxes.Boxes().empty());
    // Xbox natives are none of the three flavours.
    CTXDHelper xbox;
    EXPECT_THROW(xbox.OpenTXD(Real("xbox/gta3_xbox_radar00.txd")), RW::CException);
}

TEST_F(TxdFiles, CompressedPcTexturesMatchLibsquish) {
    SKIP_WITHOUT_TESTDATA();
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Real("pc"))) {
        CTXDHelper helper;
        helper.OpenTXD(entry.path().string());
        RW::ITXD& txd = *helper.TXD();
        for (uint32_t t = 0; t < txd.GetTextureCount(); ++t) {
            // Our own reading of the native: Direct3D 9 names the format by FourCC at 76,
            // Direct3D 8 by the byte at 87 (5 is DXT5); pixels follow the size word at 88.
            std::vector<uint8_t> b = NativeBody(txd, t);
            int flags = 0;
            if (LeWord(b, 0) == 9) {
                const std::string fourcc(b.begin() + 76, b.begin() + 80);
                flags = fourcc == "DXT1"                       ? squish::kDxt1
                        : fourcc == "DXT2" || fourcc == "DXT3" ? squish::kDxt3
                        : fourcc == "DXT4" || fourcc == "DXT5" ? squish::kDxt5
                                                               : 0;
            } else {
                const int kinds[] = {
                    0, squish::kDxt1, squish::kDxt3, squish::kDxt3, squish::kDxt5, squish::kDxt5};
                flags = b[87] < 6 ? kinds[b[87]] : 0;
            }
            if (!flags)
                continue;
            SCOPED_TRACE(entry.path().filename().string() + " #" + std::to_string(t));
            const int w = b[80] | b[81] << 8, h = b[82] | b[83] << 8;
            std::vector<uint8_t> rgba(size_t(w) * h * 4);
            squish::DecompressImage(rgba.data(), w, h, &b[92], flags);
            auto bitmap = helper.DecodeTexture(t);
            ASSERT_NE(bitmap, nullptr);
            for (size_t i = 0; i < rgba.size(); i += 4)
                ASSERT_TRUE(bitmap->Bits()[i] == rgba[i + 2] && bitmap->Bits()[i + 2] == rgba[i] &&
                            bitmap->Bits()[i + 1] == rgba[i + 1] &&
                            bitmap->Bits()[i + 3] == rgba[i + 3])
                    << "pixel " << i / 4;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 92);
}

TEST_F(TxdFiles, PalettizedPcTexturesFollowTheirPaletteBits) {
    SKIP_WITHOUT_TESTDATA();
    int compared = 0;
    for (const char* file : {"pc/gta3_MISC.TXD", "pc/gta3_frontend.txd", "pc/gta3_hud.txd",
                             "pc/vc_frontend_ds2_revc.txd"}) {
        CTXDHelper helper;
        helper.OpenTXD(Real(file));
        RW::ITXD& txd = *helper.TXD();
        for (uint32_t t = 0; t < txd.GetTextureCount(); ++t) {
            std::vector<uint8_t> b = NativeBody(txd, t);
            const uint32_t format = LeWord(b, 72);
            if (!(format & 0x6000))
                continue;
            SCOPED_TRACE(std::string(file) + " #" + std::to_string(t));
            // PAL8: 256 entries; PAL4 natives here: 32 entries, one byte per pixel.
            const size_t entries = (format & 0x2000) ? 256 : 32;
            const size_t pixels = 88 + entries * 4 + 4;
            const bool opaque = (format & 0xF00) == 0x600;
            const int w = b[80] | b[81] << 8, h = b[82] | b[83] << 8;
            ASSERT_EQ(b[84], 8);
            auto bitmap = helper.DecodeTexture(t);
            ASSERT_NE(bitmap, nullptr);
            for (int i = 0; i < w * h; ++i) {
                const uint8_t* entry = &b[88 + 4 * b[pixels + i]];
                const uint8_t* got = bitmap->Bits() + 4 * i;
                ASSERT_TRUE(got[0] == entry[2] && got[1] == entry[1] && got[2] == entry[0] &&
                            got[3] == (opaque ? 255 : entry[3]))
                    << "pixel " << i;
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 80);
}

TEST_F(TxdFiles, FormatsNamesAndAlphaOfRealFiles) {
    SKIP_WITHOUT_TESTDATA();
    CTXDHelper chat;
    chat.OpenTXD(Real("pc/sa_LD_CHAT.txd"));
    // DXT1 with 1-bit alpha: flags 0x9, read as a flag set rather than as DXT3.
    EXPECT_STREQ(chat.TXD()->GetTextureFormatName(3), "DXT1");
    EXPECT_TRUE(chat.TXD()->TextureHasAlpha(3));
    EXPECT_STREQ(chat.TXD()->GetTextureFormatName(0), "DXT3");
    CTXDHelper spac;
    spac.OpenTXD(Real("pc/sa_LD_SPAC.txd"));
    EXPECT_FALSE(spac.TXD()->TextureHasAlpha(0));
    CTXDHelper six;
    six.OpenTXD(Real("pc/gta3_sixaxis.txd"));
    EXPECT_STREQ(six.TXD()->GetTextureFormatName(0), "DXT5");
    // X8R8G8B8: its fourth byte is no alpha.
    CTXDHelper effects;
    effects.OpenTXD(Real("pc/sa_effectsPC.txd"));
    int opaque = 0;
    for (uint32_t t = 0; t < effects.TXD()->GetTextureCount(); ++t) {
        if (effects.TXD()->GetTextureRasterFormat(t, false) != 0x888)
            continue;
        EXPECT_FALSE(effects.TXD()->TextureHasAlpha(t));
        auto bitmap = effects.DecodeTexture(t);
        for (size_t i = 3; i < bitmap->ByteSize(); i += 4)
            ASSERT_EQ(bitmap->Bits()[i], 255);
        ++opaque;
    }
    EXPECT_GT(opaque, 0);
    CTXDHelper ps2;
    ps2.OpenTXD(Real("ps2/sa_ps2_nfpedcx.txd"));
    EXPECT_STREQ(ps2.TXD()->GetTextureFormatName(0), "PAL4, swizzled");
    EXPECT_EQ(ps2.TXD()->GetTexturePlatform(0), 4u);
    EXPECT_EQ(ps2.TXD()->GetTextureName(0, true), "");
}

TEST_F(TxdFiles, CountIsSixteenBitsWithTheDeviceIdAbove) {
    std::vector<RwSection> natives;
    for (int i = 0; i < 300; ++i)
        natives.push_back(PcNative(
            {.name = "t" + std::to_string(i), .pixels = std::vector<uint8_t>(64, uint8_t(i))}));
    CTXDHelper helper;
    helper.OpenTXD(Write(Dictionary(300 | 2 << 16, natives)));
    ASSERT_EQ(helper.TXD()->GetTextureCount(), 300u);
    EXPECT_EQ(helper.TXD()->GetTextureName(299, false), "t299");
    // A 32-bit PC texture is B, G, R, A as stored.
    auto bitmap = helper.DecodeTexture(299);
    EXPECT_EQ(bitmap->Bits()[0], uint8_t(299));
}

TEST_F(TxdFiles, MobileDictionariesAreReadByCounts) {
    MobileNativeFields first{.name = "first", .raster = Zeros(32)};
    PutU16(first.raster, 0, 0xF800); // red
    // Later textures do not change the dictionary's compression.
    MobileNativeFields second{.platform = 9, .name = "second", .is4444 = true, .raster = Zeros(32)};
    PutU16(second.raster, 0, 0xF00F); // red, opaque
    RwSection root = Dictionary(2, {MobileNative(first), MobileNative(second)});
    // The mobile editions write nonsense sizes for the dictionary and natives.
    root.declaredSize = 7;
    root.children[1].declaredSize = 3;
    CTXDHelper helper;
    helper.OpenTXD(Write(root));
    ASSERT_STREQ(helper.FlavourName(), "Mobile");
    RW::ITXD& txd = *helper.TXD();
    EXPECT_EQ(txd.GetTextureCount(), 2u);
    EXPECT_EQ(txd.GetTextureCompression(1), 0u);
    EXPECT_FALSE(txd.TextureHasAlpha(0));
    EXPECT_TRUE(txd.TextureHasAlpha(1));
    EXPECT_EQ(txd.GetTextureName(1, false), "second");
    auto red = helper.DecodeTexture(0);
    EXPECT_EQ(red->Bits()[2], 0xF8);
    EXPECT_EQ(red->Bits()[3], 255);
    auto red4444 = helper.DecodeTexture(1);
    EXPECT_EQ(red4444->Bits()[2], 255);
    EXPECT_EQ(red4444->Bits()[0], 0);

    // Platform 9: DXT1 blocks through the plug-in. Only a dictionary attached to an open
    // file (an archive's) gets that far: opened by name the mobile reader wants 10 to 12,
    // and of those the helper takes 12 only.
    const MobileNativeFields dxt{.platform = 9, .raster = {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0}};
    RwSection dxtRoot = Dictionary(1, {MobileNative(dxt)});
    dxtRoot.declaredSize = 5; // read as a PC dictionary this fails, as real mobile files do
    const std::string dxtPath = Write(dxtRoot);
    CTXDHelper byName;
    EXPECT_THROW(byName.OpenTXD(dxtPath), RW::CException);
    const int fd = open(dxtPath.c_str(), O_RDONLY);
    {
        CTXDHelper attached;
        attached.OpenTXD("", fd, 0);
        EXPECT_STREQ(attached.FlavourName(), "Mobile");
        EXPECT_EQ(attached.TXD()->GetTextureCompression(0), RW::TXD_COMPRESSION_DXT1);
        EXPECT_EQ(attached.DecodeTexture(0)->Bits()[2], 255);
    }
    EXPECT_EQ(close(fd), 0); // the helper left the handle open
    MobileNativeFields pvr = dxt;
    pvr.platform = 10;
    RwSection pvrRoot = Dictionary(1, {MobileNative(pvr)});
    pvrRoot.declaredSize = 5;
    CTXDHelper pvrHelper;
    EXPECT_THROW(pvrHelper.OpenTXD(Write(pvrRoot)), RW::CException);
    RW::CTXDMobile direct;
    direct.Open(m_Dir.File("d" + std::to_string(m_nFiles - 1) + ".txd"), 0, 0, 0);
    EXPECT_EQ(direct.GetTextureCompression(0), RW::TXD_COMPRESSION_PVRTC4);

    // A count the file cannot hold ends in a read error, not a long walk.
    RwSection lying = Dictionary(0xFFFFFFFF, {MobileNative(first)});
    RW::CTXDMobile mobile;
    EXPECT_THROW(mobile.Open(Write(lying), 0, 0, 0), RW::CException);
}

TEST_F(TxdFiles, DamagedNativesAreReportedNotRead) {
    // 8888 | PAL8, but no palette stored.
    const PcNativeFields fields{.rasterFormat = 0x2500, .depth = 8, .pixels = Zeros(16)};
    // "DXT1", 2048 bytes needed; 6 x 6 takes four whole blocks, 32 bytes, not 6 x 6 / 2.
    const PcNativeFields shortDxt{
        .d3dFormat = 0x31545844, .width = 64, .height = 64, .pixels = Zeros(100)};
    const PcNativeFields oddDxt{
        .d3dFormat = 0x31545844, .width = 6, .height = 6, .pixels = Zeros(18)};
    RwSection cutNative = PcNative({});
    cutNative.children[0].body.resize(40);
    // A PC native naming the PS2 swizzle code, with huge sizes.
    const PcNativeFields swizzledPc{
        .platform = 1, .width = 65535, .height = 65535, .depth = 0, .flags = 2};
    CTXDHelper helper;
    helper.OpenTXD(Write(Dictionary(7, {PcNative(fields), PcNative(shortDxt), cutNative,
                                        PcNative(swizzledPc), PcNative(oddDxt)})));
    RW::ITXD& txd = *helper.TXD();
    EXPECT_THROW(helper.DecodeTexture(0), RW::CException);
    try {
        helper.DecodeTexture(1);
        ADD_FAILURE() << "a short DXT raster decoded";
    } catch (const RW::CException& e) {
        EXPECT_NE(e.Text().find("cut short"), std::string::npos) << e.Text();
    }
    EXPECT_THROW(txd.GetTextureWidth(2), RW::CException);
    EXPECT_THROW(helper.DecodeTexture(3), RW::CException);
    EXPECT_THROW(helper.DecodeTexture(4), RW::CException);
    // The header counts seven textures; the sixth and seventh are not there.
    try {
        txd.GetTextureWidth(5);
        ADD_FAILURE();
    } catch (const RW::CException& e) {
        EXPECT_EQ(e.Text(), "Texture not exists.");
    }
    EXPECT_EQ(txd.GetTextureName(7, false), "");
    EXPECT_THROW(txd.IsTexturePlatform(9, 7), RW::CException);
}

TEST_F(TxdFiles, AttachedFilesMustBeDictionariesOfTheirFlavour) {
    // A model in an archive is read by every flavour's tree reader; none may take it.
    RwSection model = RwNode(0x10, {RwData(0x01, {1, 0, 0, 0}), RwNode(0x0E, {})});
    const std::string path = Write(model);
    const int fd = open(path.c_str(), O_RDONLY);
    {
        CTXDHelper helper;
        EXPECT_THROW(helper.OpenTXD("", fd, 0), RW::CException);
    }
    EXPECT_EQ(close(fd), 0); // still the caller's
}

TEST(PS2Conversion, PaletteReorderAndAlpha) {
    std::vector<uint8_t> in(256 * 4), out(256 * 4);
    for (int i = 0; i < 256; ++i) {
        in[i * 4] = uint8_t(i); // red carries the entry number
        in[i * 4 + 3] = i == 0 ? 0 : 128;
    }
    ConvertPS2Palette(in.data(), out.data(), 256);
    EXPECT_EQ(out[16 * 4 + 2], 8);  // entry 8 at 16
    EXPECT_EQ(out[8 * 4 + 2], 16);  // entry 16 at 8
    EXPECT_EQ(out[40 * 4 + 2], 48); // and in every block of 32
    EXPECT_EQ(out[0 * 4 + 3], 0);
    EXPECT_EQ(out[1 * 4 + 3], 255);
    in[5 * 4 + 3] = 200; // beyond the PS2 range: saturates instead of wrapping
    ConvertPS2Palette(in.data(), out.data(), 16);
    EXPECT_EQ(out[5 * 4 + 3], 255);
    EXPECT_EQ(out[8 * 4 + 2], 8); // 16 entries keep their order
}

TEST(PS2Conversion, UnswizzleStaysInsideItsSource) {
    // Every texel of a 32 x 32 grid comes from a distinct source byte.
    std::vector<uint8_t> src(32 * 32);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = uint8_t(i * 7);
    std::vector<uint8_t> dst(32 * 32);
    Unswizzle8(src.data(), src.size(), dst.data(), 32, 32);
    std::vector<int> seen(256);
    for (uint8_t v : dst)
        ++seen[v];
    for (int n : seen)
        EXPECT_EQ(n, 4); // 1024 texels over 256 values, each value four times
    // A source too short reads as zeros past its end.
    std::vector<uint8_t> tiny(8, 0xFF);
    std::fill(dst.begin(), dst.end(), 0);
    Unswizzle4(tiny.data(), tiny.size(), dst.data(), 16, 16); // taken as 32 wide
    int lit = 0;
    for (uint8_t v : dst)
        lit += (v & 0xF) == 0xF ? 1 : 0, lit += (v >> 4) == 0xF ? 1 : 0;
    EXPECT_EQ(lit, 16);
}

} // namespace
