// Model texture references: real models, renaming and saving, models that lie.
#include "platform/ScriptedMessageBox.h"
#include "rw/MaterialExtension.h"
#include "rw/SimpleDFF.h"
#include "support/CoreFixtures.h"
#include "support/RwBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<std::string> Names(RW::CSimpleDFF& dff) {
    std::vector<std::string> names;
    dff.CollectTextureNames([&](const std::string& name) { names.push_back(name); });
    return names;
}

std::string Real(const std::string& name) {
    return TestDataDir() + "/real/dff/" + name;
}

size_t Count(const std::vector<std::string>& names, const std::string& name) {
    return static_cast<size_t>(std::count(names.begin(), names.end(), name));
}

// A clump with one geometry per entry; each material lists its textures and carries an
// Extension holding the given plug-in sections.
RwSection Model(const std::vector<std::vector<std::vector<std::string>>>& geometries,
                const std::vector<RwSection>& plugins = {}) {
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
            material.children.push_back(RwNode(0x03, plugins));
            materialList.children.push_back(material);
        }
        list.children.push_back(RwNode(0x0F, {RwData(0x01, {0, 0, 0, 0}), materialList}));
    }
    return RwNode(0x10, {RwData(0x01, {1, 0, 0, 0}), RwNode(0x0E, {}), list});
}

void Word(std::vector<uint8_t>& b, uint32_t v) {
    b.resize(b.size() + 4);
    PutU32(b, b.size() - 4, v);
}

// A Texture section as the material-effects plug-in embeds it, "has texture" word first.
void EffectTexture(std::vector<uint8_t>& b, const std::string& name) {
    Word(b, 1);
    auto texture =
        RwNode(0x06, {RwData(0x01, {0, 0, 0, 0}), RwString(name), RwString(""), RwNode(0x03, {})})
            .Bytes();
    b.insert(b.end(), texture.begin(), texture.end());
}

enum : uint32_t { kBump = 1, kEnv = 2, kBumpEnv = 3, kDual = 4, kUvTransform = 5 };

RwSection EnvEffect(const std::string& name) {
    std::vector<uint8_t> b;
    Word(b, kEnv), Word(b, kEnv), Word(b, 0x3F000000), Word(b, 0);
    EffectTexture(b, name);
    Word(b, 0); // second slot: nothing
    return RwData(0x120, b);
}

RwSection Specular(const std::string& name) {
    std::vector<uint8_t> b(28, 0);
    std::copy(name.begin(), name.end(), b.begin() + 4);
    return RwData(0x0253F2F6, b);
}

TEST(Model, RealModelsGiveEveryTextureTheyUse) {
    SKIP_WITHOUT_TESTDATA();
    CScriptedMessageBox boxes;
    RW::CSimpleDFF bike;
    bike.Open(Real("sa_fcr900_matfx_env.dff"), 0, 0, 0); // garbage after the clump
    EXPECT_EQ(bike.GetGeometryCount(), 9u);
    const auto names = Names(bike);
    EXPECT_EQ(names.size(), 43u + 27u); // textures and effects, specular maps
    RW::CSimpleDFF skin;
    skin.Open(Real("gta3_claudia_player_skin.dff"), 0, 0, 0); // mixed version stamps
    EXPECT_EQ(Names(skin).front(), "blackcombats");
    EXPECT_EQ(Count(names, "chrome"), 11u);
    EXPECT_EQ(Count(names, "vehiclespecdot64"), 27u);
    // A PS2 model: "Right To Render" stands before the effects in every material.
    RW::CSimpleDFF ps2;
    ps2.Open(Real("sa_ps2_faggio.dff"), 0, 0, 0);
    const auto ps2Names = Names(ps2);
    EXPECT_EQ(Count(ps2Names, ""), 0u);
    EXPECT_EQ(Count(ps2Names, "vehicleenvmap64"), 4u);
    EXPECT_EQ(Count(ps2Names, "vehicleenvmap128"), 7u);
    EXPECT_EQ(Count(ps2Names, "xvehicleenv128"), 4u);
    EXPECT_EQ(Count(ps2Names, "vehiclespecdot64"), 28u);
    for (const char* plain : {"sa_arrow.dff", "tool_cube.dff", "vc_CSHands_skin.dff",
                              "sa_lamppost3_2dfx.dff", "sa_ps2_rcbaron.dff", "sa_hoop.dff"}) {
        RW::CSimpleDFF dff;
        EXPECT_NO_THROW(dff.Open(Real(plain), 0, 0, 0));
        EXPECT_NO_THROW(Names(dff)) << plain;
    }
    // Its clump's last child runs 12 bytes past the clump but lies inside the file: it is
    // read whole, and the model gives every name.
    RW::CSimpleDFF overrun;
    ASSERT_NO_THROW(overrun.Open(Real("sa_wayfarer_MALFORMED.dff"), 0, 0, 0));
    const auto overrunNames = Names(overrun);
    EXPECT_EQ(Count(overrunNames, "vehicleenvmap128"), 8u);
    EXPECT_EQ(Count(overrunNames, "vehiclespecdot64"), 17u);
    // 24 bytes follow the declared clump; the child takes 12 of them.
    EXPECT_EQ(overrun.GetNode({})->m_nSize, 179122u - 12u - 12u);
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

TEST(Model, EffectAndSpecularTexturesAreFoundByTheirSectionsIds) {
    TempDir dir;
    // PS2 models put "Right To Render" before the effects.
    const RwSection rightToRender = RwData(0x1F, {0x10, 0x01, 0, 0, 0, 0, 0, 0});
    dir.Write("env.dff", Model({{{"body"}, {}}}, {rightToRender, EnvEffect("vehicleenvmap128"),
                                                  Specular("vehiclespecdot64")})
                             .Text());
    RW::CSimpleDFF env;
    env.Open(dir.File("env.dff"), 0, 0, 0);
    EXPECT_EQ(Names(env), (std::vector<std::string>{"body", "vehicleenvmap128", "vehiclespecdot64",
                                                    "vehicleenvmap128", "vehiclespecdot64"}));
    EXPECT_EQ(env.GetMaterialEffectTextureName(0, 1), "vehicleenvmap128");

    // Bump and environment map in the two slots, then a second pass with its texture.
    std::vector<uint8_t> b;
    Word(b, kBumpEnv), Word(b, kBump), Word(b, 0);
    EffectTexture(b, "bumped"), EffectTexture(b, "bump");
    Word(b, kEnv), Word(b, 0), Word(b, 0), Word(b, 0); // an environment map without texture
    std::vector<uint8_t> dual;
    Word(dual, kDual), Word(dual, kDual), Word(dual, 1), Word(dual, 2);
    EffectTexture(dual, "second"), Word(dual, kUvTransform);
    dir.Write("bump.dff",
              Model({{{}}}, {RwData(0x120, b), RwData(0x120, dual), Specular("")}).Text());
    RW::CSimpleDFF bump;
    bump.Open(dir.File("bump.dff"), 0, 0, 0);
    EXPECT_EQ(Names(bump), (std::vector<std::string>{"bumped", "bump", "second"}));
}

TEST(Model, DamagedEffectSectionsGiveWhatPrecedesTheDamage) {
    std::vector<uint8_t> whole = EnvEffect("chrome").body;
    // Cut anywhere, with an oversized or a foreign section where the texture stands:
    // never a read past the body, and a name only when it was read whole.
    for (size_t cut = 0; cut <= whole.size(); ++cut) {
        auto names = RW::MaterialEffectTextureNames(whole.data(), cut);
        EXPECT_LE(names.size(), 1u);
        if (!names.empty()) {
            EXPECT_EQ(names[0], "chrome");
        }
    }
    std::vector<uint8_t> huge = whole;
    PutU32(huge, 20 + 4, 0xFFFFFFF0); // the Texture's size
    EXPECT_TRUE(RW::MaterialEffectTextureNames(huge.data(), huge.size()).empty());
    std::vector<uint8_t> foreign = whole;
    PutU32(foreign, 20, 0x07);
    EXPECT_TRUE(RW::MaterialEffectTextureNames(foreign.data(), foreign.size()).empty());
    std::vector<uint8_t> unknown = whole;
    PutU32(unknown, 4, 99);
    EXPECT_TRUE(RW::MaterialEffectTextureNames(unknown.data(), unknown.size()).empty());
    EXPECT_EQ(RW::SpecularTextureName(reinterpret_cast<const uint8_t*>("\0\0\0\0abc"), 7), "abc");
    EXPECT_EQ(RW::SpecularTextureName(nullptr, 0), "");
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
