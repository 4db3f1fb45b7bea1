// Model texture references: real models, renaming and saving, models that lie.
#include "platform/ScriptedMessageBox.h"
#include "rw/SimpleDFF.h"
#include "support/RwBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Names(RW::CSimpleDFF& dff) {
    std::vector<std::string> names;
    dff.CollectTextureNames([&](const std::string& name) { names.push_back(name); });
    return names;
}

std::string Real(const std::string& name) {
    return TestDataDir() + "/real/dff/" + name;
}

// A clump with one geometry per entry; each material lists its textures and carries an
// Extension whose first section holds effectName at byte 60 when given.
RwSection Model(const std::vector<std::vector<std::vector<std::string>>>& geometries,
                const std::string& effectName = "", size_t effectSize = 0) {
    RwSection list = RwNode(0x1A, {RwData(0x01, {uint8_t(geometries.size()), 0, 0, 0})});
    for (const auto& materials : geometries) {
        RwSection materialList = RwNode(0x08, {RwData(0x01, {uint8_t(materials.size()), 0, 0, 0})});
        for (const auto& textures : materials) {
            std::vector<uint8_t> header(28, 0);
            header[12] = uint8_t(textures.size());
            RwSection material = RwNode(0x07, {RwData(0x01, header)});
            for (const std::string& name : textures)
                material.children.push_back(
                    RwNode(0x06, {RwData(0x01, {0, 0, 0, 0}), RwString(name), RwString(""),
                                  RwNode(0x03, {})}));
            RwSection extension = RwNode(0x03, {});
            if (effectSize) {
                std::vector<uint8_t> body(effectSize - 12, 0);
                std::copy(effectName.begin(), effectName.end(), body.begin() + 60);
                extension.children.push_back(RwData(0x120, body));
            }
            material.children.push_back(extension);
            materialList.children.push_back(material);
        }
        list.children.push_back(RwNode(0x0F, {RwData(0x01, {0, 0, 0, 0}), materialList}));
    }
    return RwNode(0x10, {RwData(0x01, {1, 0, 0, 0}), RwNode(0x0E, {}), list});
}

TEST(Model, RealModelsGiveTheirNamesAndTheDamagedOneAnError) {
    if (TestDataDir().empty())
        GTEST_SKIP() << "real sample files not found";
    CScriptedMessageBox boxes;
    RW::CSimpleDFF bike;
    bike.Open(Real("sa_fcr900_matfx_env.dff"), 0, 0, 0); // garbage after the clump
    EXPECT_EQ(bike.GetGeometryCount(), 9u);
    const auto names = Names(bike);
    EXPECT_EQ(names.size(), 43u);
    EXPECT_NE(std::find(names.begin(), names.end(), "chrome"), names.end());
    RW::CSimpleDFF skin;
    skin.Open(Real("gta3_claudia_player_skin.dff"), 0, 0, 0); // mixed version stamps
    EXPECT_EQ(Names(skin).front(), "blackcombats");
    RW::CSimpleDFF ps2;
    ps2.Open(Real("sa_ps2_faggio.dff"), 0, 0, 0);
    EXPECT_EQ(Names(ps2).size(), 41u);
    for (const char* plain : {"sa_arrow.dff", "tool_cube.dff", "vc_CSHands_skin.dff",
                              "sa_lamppost3_2dfx.dff", "sa_ps2_rcbaron.dff", "sa_hoop.dff"}) {
        RW::CSimpleDFF dff;
        EXPECT_NO_THROW(dff.Open(Real(plain), 0, 0, 0));
        EXPECT_NO_THROW(Names(dff)) << plain;
    }
    RW::CSimpleDFF broken;
    try {
        broken.Open(Real("sa_wayfarer_MALFORMED.dff"), 0, 0, 0);
        ADD_FAILURE() << "the malformed model opened";
    } catch (const RW::CException& e) {
        EXPECT_NE(e.Text().find("declares 7308 bytes, but its parent holds only 7296 more"),
                  std::string::npos)
            << e.Text();
    }
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(Model, RenamingPadsTheStringAndSavesConsistentSizes) {
    TempDir dir;
    dir.Write("m.dff", Model({{{"wheel", "rim"}, {}}, {{"wheel"}}}).Text());
    RW::CSimpleDFF dff;
    dff.Open(dir.File("m.dff"), 0, 0, 0);
    EXPECT_EQ(Names(dff), (std::vector<std::string>{"wheel", "rim", "wheel"}));
    EXPECT_EQ(dff.SetTextureName("tyres", 0, 0, 0, 0), 1);
    EXPECT_EQ(dff.GetNode({2, 1, 1, 1, 1, 1})->m_nSize, 8u); // 5 characters, 3 zeros
    EXPECT_EQ(dff.SetTextureName("abc", 1, 0, 0, 0), 1);
    EXPECT_EQ(dff.GetNode({2, 2, 1, 1, 1, 1})->m_nSize, 4u);
    dff.SetTextureName("abcd", 0, 0, 1, 0);
    ASSERT_EQ(dff.Save(dir.File("out.dff")), 1);
    EXPECT_EQ(dir.Read("out.dff"), Model({{{"tyres", "abcd"}, {}}, {{"abc"}}}).Text());
}

TEST(Model, MaterialEffectNamesNeedALargeEnoughExtension) {
    TempDir dir;
    dir.Write("small.dff", Model({{{}}}, "envmap", 100).Text());
    dir.Write("large.dff", Model({{{}}}, "envmap", 101).Text());
    RW::CSimpleDFF small, large;
    small.Open(dir.File("small.dff"), 0, 0, 0);
    large.Open(dir.File("large.dff"), 0, 0, 0);
    EXPECT_TRUE(Names(small).empty());
    EXPECT_EQ(Names(large), std::vector<std::string>{"envmap"});
}

TEST(Model, CountsThatPromiseMissingSectionsRaise) {
    TempDir dir;
    RwSection lying = Model({{{"a"}}});
    lying.children[2].children[0].body = {0xFF, 0xFF, 0xFF, 0x7F}; // geometry count
    dir.Write("g.dff", lying.Text());
    RwSection textures = Model({{{"a"}}});
    textures.children[2].children[1].children[1].children[1].children[0].body[12] = 200;
    dir.Write("t.dff", textures.Text());
    CScriptedMessageBox boxes;
    for (const char* file : {"g.dff", "t.dff"}) {
        RW::CSimpleDFF dff;
        dff.Open(dir.File(file), 0, 0, 0);
        EXPECT_THROW(Names(dff), RW::CException) << file;
    }
    EXPECT_TRUE(boxes.Boxes().empty());
}

} // namespace
