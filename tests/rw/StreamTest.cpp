// The chunk stream: tree shape, lazy bodies, saving, and files that lie about sizes.
#include "rw/Stream.h"
#include "app/Log.h"
#include "platform/ScriptedMessageBox.h"
#include "support/RwBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

class Stream : public ::testing::Test {
protected:
    std::string Write(const RwSection& root, const std::string& tail = "") {
        const std::string path = m_Dir.File("f" + std::to_string(m_nFiles++) + ".rw");
        m_Dir.Write(Files(path), root.Text() + tail);
        return path;
    }
    static std::string Files(const std::string& path) { return path.substr(path.rfind('/') + 1); }
    std::string Error(const RwSection& root, const std::string& tail = "") {
        RW::CStream stream;
        try {
            stream.Open(Write(root, tail), 0, 0, 0);
        } catch (const RW::CException& e) {
            EXPECT_EQ(stream.Root(), nullptr);
            return e.Text();
        }
        return "";
    }
    TempDir m_Dir;
    int m_nFiles = 0;
    CScriptedMessageBox m_Boxes;
};

TEST_F(Stream, TreeShapeFollowsTheContainerRule) {
    // A Struct with children-like bytes stays data; the fourth child of a native is a
    // container whatever its id; bodies up to 64 bytes are read while reading.
    RwSection inner = RwData(0x01, std::vector<uint8_t>(64, 7));
    RwSection native = RwNode(
        0x15, {RwData(0x01, RwData(0x02, {1, 2, 3, 4}).Bytes()), RwString("name"), RwString(""),
               RwNode(0x01, {inner, RwData(0x01, std::vector<uint8_t>(65, 9))}), RwNode(0x03, {})});
    RW::CStream stream;
    stream.Open(Write(RwNode(0x16, {RwData(0x01, {1, 0, 0, 0}), native})), 0, 0, 0);
    RW::CNode* n = stream.GetNode({1});
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->Child(0)->ChildCount(), 0u);
    ASSERT_EQ(n->Child(3)->ChildCount(), 2u);
    EXPECT_TRUE(n->Child(3)->Child(0)->IsCached());
    RW::CNode* large = n->Child(3)->Child(1);
    EXPECT_FALSE(large->IsCached());
    ASSERT_NE(large->GetData(), nullptr);
    EXPECT_EQ(large->GetData()[64], 9);
    EXPECT_EQ(n->Child(4)->ChildCount(), 0u);
    EXPECT_STREQ(n->GetSectionName(), "Texture Native");
    EXPECT_EQ(stream.GetVersion(), kTestStamp);

    // A missing path reports through the stream box and gives nothing.
    EXPECT_EQ(stream.GetNode({2, 5, 0}), nullptr);
    ASSERT_EQ(m_Boxes.Boxes().size(), 1u);
    EXPECT_NE(m_Boxes.Boxes()[0].text.find("Wrong section ID."), std::string::npos);
    EXPECT_EQ(m_Boxes.Boxes()[0].caption, "CStream fuckin' error");
    EXPECT_FALSE(stream.NodeExists({1, 5}));
    EXPECT_EQ(m_Boxes.Boxes().size(), 1u);
}

TEST_F(Stream, SavingRecomputesEverySizeUpTheTree) {
    RwSection root = RwNode(
        0x10, {RwData(0x01, {1, 0, 0, 0}),
               RwNode(0x06, {RwData(0x01, {0, 0, 0, 0}), RwString("old"), RwNode(0x03, {})})});
    const std::string path = Write(root, std::string(100, '\xEE')); // sector padding
    RW::CStream stream;
    stream.Open(path, 0, 0, 0);
    RW::CNode* name = stream.GetNode({1, 1});
    const uint8_t longer[12] = {'l', 'o', 'n', 'g', 'e', 'r', 'n', 'a', 'm', 'e', 0, 0};
    ASSERT_EQ(name->SetData(12, longer), 1);
    ASSERT_EQ(stream.Save(path), 1);

    RwSection expected = root;
    expected.children[1].children[1] = RwData(0x02, {longer, longer + 12});
    EXPECT_EQ(m_Dir.Read(Files(path)), expected.Text()); // no trailing bytes
    // Saved once, the tree lives in memory and saves again unchanged.
    ASSERT_EQ(stream.Save(m_Dir.File("again.rw")), 1);
    EXPECT_EQ(m_Dir.Read("again.rw"), expected.Text());
}

TEST_F(Stream, AChildRunningPastItsParentInsideTheFileIsReadWhole) {
    // A section whose size is short of its last child (as in a damaged real model): the
    // child is read in full, the parent taken to end where the child ends, and the next
    // section is read from there, not from inside the child.
    RwSection parent = RwNode(0x10, {RwData(0x02, std::vector<uint8_t>(16, 'x'))});
    parent.declaredSize = 16;
    RwSection root = RwNode(0x16, {parent, RwData(0x01, {1, 2, 3, 4})});
    RW::CStream stream;
    ASSERT_EQ(LogOpen(m_Dir.File("read.log")), 1);
    stream.Open(Write(root), 0, 0, 0);
    LogClose();
    EXPECT_NE(m_Dir.Read("read.log").find("section 'String' at offset 0x18 runs 12 bytes past its "
                                          "parent 'Clump'; read in full."),
              std::string::npos)
        << m_Dir.Read("read.log");
    ASSERT_EQ(stream.Root()->ChildCount(), 2u);
    EXPECT_EQ(stream.GetNode({0})->m_nSize, 28u);
    EXPECT_EQ(stream.GetNode({0, 0})->m_nSize, 16u);
    EXPECT_EQ(stream.GetNode({1})->m_nID, 0x01u);
    EXPECT_EQ(stream.GetNode({1})->m_nSize, 4u);
    EXPECT_TRUE(m_Boxes.Boxes().empty());
    // Saved, the sizes agree again.
    ASSERT_EQ(stream.Save(m_Dir.File("mended.rw")), 1);
    RwSection mended = root;
    mended.children[0].declaredSize = -1;
    EXPECT_EQ(m_Dir.Read("mended.rw"), mended.Text());
}

TEST_F(Stream, SectionsThatLieAboutTheirSizesAreRefused) {
    // A child running past the end of the file.
    RwSection overrun = RwNode(0x10, {RwData(0x01, {1, 0, 0, 0}), RwData(0x02, {1, 2, 3, 4})});
    overrun.children[1].declaredSize = 16;
    const std::string text = Error(overrun, std::string(11, '\0'));
    EXPECT_NE(text.find("declares 16 bytes, but its file holds only 15 more"), std::string::npos)
        << text;

    // A root larger than its file, a header cut short, a header with a garbage stamp.
    RwSection big = RwData(0x01, {1, 2, 3, 4});
    big.declaredSize = 1 << 30;
    EXPECT_NE(Error(big).find("but its file holds only 4 more"), std::string::npos);
    RwSection shortChild = RwNode(0x10, {RwData(0x01, {1, 0, 0, 0})});
    shortChild.declaredSize = 12 + 4 + 6;
    EXPECT_NE(Error(shortChild, "abcdef").find("too few for another section"), std::string::npos);
    RwSection garbage = RwNode(0x10, {RwData(0x01, {1, 0, 0, 0})});
    garbage.children[0].version = 0xDEADBEEF;
    EXPECT_EQ(Error(garbage), "Stream reading error.");
    // A stamp of another RenderWare 3 version is what real files mix in.
    garbage.children[0].version = 0x0800FFFF;
    EXPECT_EQ(Error(garbage), "");

    // Nesting deeper than any real file could only exhaust the stack.
    RwSection deep = RwData(0x01, {0, 0, 0, 0});
    for (int i = 0; i < 100; ++i)
        deep = RwNode(0x03, {deep});
    EXPECT_EQ(Error(deep), "Sections are nested too deeply.");
    m_Dir.Write("short.rw", "abc");
    RW::CStream stream;
    EXPECT_THROW(stream.Open(m_Dir.File("short.rw"), 0, 0, 0), RW::CException);
}

TEST_F(Stream, ErrorBoxesEndTheProcessOnCancel) {
    RW::CStream stream;
    stream.Open(Write(RwNode(0x16, {RwData(0x01, {1, 0, 0, 0})})), 0, 0, 0);
    EXPECT_EXIT(
        {
            CScriptedMessageBox boxes;
            boxes.Answer(IDCANCEL);
            stream.GetNode({7});
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            CScriptedMessageBox boxes;
            boxes.Answer(IDCANCEL);
            stream.GetNode({})->AddChild(nullptr);
        },
        ::testing::ExitedWithCode(105), "");
    // OK carries on: the error is recorded and the call gives nothing.
    EXPECT_EQ(stream.GetNode({})->AddChild(nullptr), nullptr);
    EXPECT_EQ(stream.GetNode({})->m_szLastError,
              "Cannot add child section to node: NULL CNode pointer given.");
}

} // namespace
