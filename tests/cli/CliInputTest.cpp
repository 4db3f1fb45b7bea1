// tessarine-cli given what a hurried or hostile user gives it: typos in options, the wrong
// file where the index belongs, names the index cannot hold, operations that change
// nothing, and files the system will not let it read or write.
#include "cli/CliRunner.h"
#include "raster/ImageFile.h"
#include "support/CacheBuilder.h"
#include "support/RwBuilder.h"

#include <filesystem>
#include <map>
#include <set>

namespace {

class CliInput : public CliTest {
protected:
    void SetUp() override {
        CacheBuilder b(m_Dir.Path(), "c", 2, 0b0101);
        b.categories = {"Default", "Cars"};
        b.Add("wall", 8, 8);
        b.AddAlias("wall2", "wall");
        b.Add("car", 4, 4, RASTER_RGBA4444).extraItems = " cat=1 alphamode=2";
        b.Write();
    }
    std::string Index() const { return m_Dir.Read("c.txt"); }
    const std::string m_Index = F("c.txt");
};

} // namespace

TEST_F(CliInput, UnknownAndMisplacedOptionsStopBeforeAnythingIsTouched) {
    const std::string index = Index();
    const CliRun dryRun = Cli("delete " + m_Index + " wall --dry-run");
    EXPECT_EQ(dryRun.code, 2);
    EXPECT_TRUE(dryRun.Says("unknown option '--dry-run'")) << dryRun.err;
    EXPECT_TRUE(dryRun.Says("usage: tessarine-cli delete INDEX TEXTURE..."));
    ExpectRuns({
        {"import " + m_Index + " p.png --catgory Cars", 2},
        {"list " + m_Index + " --out x", 2, "option --out does not apply to 'list'"},
        {"txd list x.txd --out y", 2, "does not apply to 'txd list'"},
        {"list " + m_Index + " --json=1", 2, "takes no value"},
        {"export " + m_Index + " --out a --out b", 2, "given twice"},
        {"export " + m_Index + " --out", 2, "needs a value"},
        {"delete " + m_Index + " -x wall", 2},
    });
    EXPECT_EQ(Index(), index);
    EXPECT_TRUE(std::filesystem::exists(m_Dir.File("c.dxt.dat")));

    // Options may stand before the command; after "--" everything is an argument.
    ExpectRuns({{"--json --game 0 info " + m_Index, 0, "\"textures\": 3"},
                {"rename " + m_Index + " -- wall --odd", 0},
                {"help rename", 0}});
    EXPECT_NE(Index().find("\"--odd\" width=8"), std::string::npos);
}

// Nothing that is not an index is taken for one, nor written over; the names the table
// gives are left as they were.
TEST_F(CliInput, TheIndexArgumentMustNameAnIndex) {
    auto image = Bitmap32::Create(4, 4);
    ASSERT_TRUE(SaveBitmapByExtension(*image, m_Dir.File("a.png")));
    ASSERT_TRUE(SaveBitmapByExtension(*image, m_Dir.File("b.png")));
    m_Dir.Write("notes.md", "# notes\n");
    m_Dir.Write("notes.txt", "# notes\nsome text\n");
    m_Dir.Write("empty.txt", "");
    m_Dir.Write("bin.txt", std::string("\x7f"
                                       "ELF\0\0\x1b[2J\"x\" \n",
                                       14));
    std::filesystem::create_directory(m_Dir.File("folder.txt"));
    std::map<std::string, std::string> kept;
    for (const char* name : {"a.png", "b.png", "notes.md", "notes.txt", "empty.txt", "bin.txt"})
        kept[name] = m_Dir.Read(name);

    ExpectRuns({
        {"import " + F("a.png") + " " + F("b.png"), 2, "is not an index file"},
        {"category add " + F("notes.md") + " Foo", 2},
        {"list " + F("bin.txt"), 2, "is not a texture index: it holds binary data"},
        {"category add " + F("notes.txt") + " Foo", 2, "is not a texture index"},
        {"category add " + F("empty.txt") + " Foo", 1, "no texture cache"},
        {"list " + F("folder.txt"), 2, "is a folder"},
        {"create " + F("folder.txt") + " --force", 2},
        {"create " + F("notes.txt") + " --force", 2},
        {"create " + F(std::string(250, 'n') + ".txt"), 2, "too long"},
        {"create " + F(std::string(200, 'n') + ".txt"), 0},
        {"info " + F("c.etc.toc"), 0},
    });
    for (const auto& [name, bytes] : kept)
        EXPECT_EQ(m_Dir.Read(name), bytes) << name;
    EXPECT_FALSE(std::filesystem::exists(m_Dir.File("folder.dxt.dat")));
    const CliRun binary = Cli("list " + F("bin.txt"));
    EXPECT_EQ((binary.out + binary.err).find('\x1b'), std::string::npos);
}

// Each command that takes a name passes the index's refusal on with its reason, shown
// escaped; the rules themselves are tested with the cache.
TEST_F(CliInput, NamesTheIndexCannotHoldAreRefusedWithTheReason) {
    const std::string index = Index();
    const std::pair<std::string, std::string> refused[] = {
        {"rename " + m_Index + " wall " + Q("a\nb"), "line break"},
        {"rename " + m_Index + " wall " + Q("\xE6\x9D\xB1\xE4\xBA\xAC"), "Latin-1"},
        {"alias " + m_Index + " " + Q("x\ncat=3 y") + " wall", "line break"},
        {"category add " + m_Index + " 'Two words'", "one word"},
        {"category rename " + m_Index + " Cars " + Q("new\nline"), "line break"},
    };
    for (const auto& [arguments, reason] : refused) {
        const CliRun run = Cli(arguments);
        EXPECT_EQ(run.code, 1) << arguments;
        EXPECT_TRUE(run.Says(reason)) << arguments << ": " << run.err;
        EXPECT_FALSE(run.Err("a\nb")); // shown escaped
    }
    EXPECT_EQ(Index(), index);
}

TEST_F(CliInput, OperationsThatChangeNothingSaySo) {
    const std::string index = Index();
    ExpectRuns({
        {"category move " + m_Index + " Cars wall2 wall2", 1, "no texture moved"},
        {"category move " + m_Index + " Cars wall2", 1, "not moved: it is an alias of 'wall'"},
        {"category move " + m_Index + " Cars car", 1, "in that category already"},
        {"set " + m_Index + " wall2 hasdetail 5", 1, "is an alias of 'wall'"},
        {"set " + m_Index + " car hasdetail 0", 1},
        {"rename " + m_Index + " wall wall", 1, "nothing changed"},
        {"category rename " + m_Index + " Cars Cars", 1},
        {"category add " + m_Index + " cars", 1},
    });
    EXPECT_EQ(Index(), index);

    // Moving a texture and an alias moves the texture and says what the alias did not.
    const CliRun mixed = Cli("category move " + m_Index + " Cars wall wall2");
    EXPECT_EQ(mixed.code, 1);
    EXPECT_TRUE(mixed.Says("1 of 2 textures moved to Cars"));
    EXPECT_NE(Index().find("\"wall\" width=8 height=8 cat=1"), std::string::npos);
}

TEST_F(CliInput, HostileTextureNamesStayInsideTheExportFolder) {
    CacheBuilder b(m_Dir.Path(), "h", 2);
    b.Add("../../../../PWNED");
    b.Add("a/b");
    b.Add("a_b");
    b.Add("A_B");
    b.Add("esc\x1b[2J");
    b.Write();
    m_Dir.Write("victim.png", "keep");
    std::filesystem::create_directories(m_Dir.File("x/y/z/w"));
    const std::string out = m_Dir.File("x/y/z/w/out");
    const CliRun run = Cli("export " + F("h.txt") + " --out " + Q(out));
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(run.Says("exported 5 of 5 textures"));
    EXPECT_EQ((run.out + run.err).find('\x1b'), std::string::npos);
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(out))
        files.insert(entry.path().filename().string());
    EXPECT_EQ(files, (std::set<std::string>{"___.._.._.._PWNED.png", "a_b.png", "a_b~2.png",
                                            "A_B~3.png", "esc_[2J.png"}));
    EXPECT_FALSE(std::filesystem::exists(m_Dir.File("PWNED.png")));
    EXPECT_EQ(m_Dir.Read("victim.png"), "keep");

    const CliRun level = Cli("export " + F("h.txt") + " a_b --level 3 --out " + F("l"));
    EXPECT_EQ(level.code, 1);
    EXPECT_TRUE(level.Says("exported 0 of 1 textures"));
    EXPECT_EQ(Cli("export " + m_Index + " --level x --out o").code, 2);
}

namespace {

// Images to import, a cache made by the tool, the build's plug-ins.
class CliImport : public CliInput {
protected:
    void SetUp() override {
        CliInput::SetUp();
        ASSERT_EQ(Cli("create " + F("n.txt")).code, 0);
        m_New = F("n.txt");
        auto image = Bitmap32::Create(8, 8);
        for (const char* name : {"a.png", "b.png", "a.bmp", "\xE6\x9D\xB1.png"})
            ASSERT_TRUE(SaveBitmapByExtension(*image, m_Dir.File(name)));
        m_Dir.Write("notes.png", "not an image");
        ASSERT_TRUE(SaveBitmapByExtension(*Bitmap32::Create(6, 6), m_Dir.File("odd.png")));
    }
    std::string Import(const std::vector<std::string>& files) const {
        std::string arguments = "import " + m_New;
        for (const std::string& file : files)
            arguments += " " + F(file);
        return arguments + " --game 2";
    }
    std::string m_New;
};

} // namespace

TEST_F(CliImport, FilesAreCheckedBeforeTheFirstIsImported) {
    const std::string index = m_Dir.Read("n.txt");
    const CliRun missing = Cli(Import({"a.png", "missing.png", "b.png"}));
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.Says("nothing imported"));
    EXPECT_TRUE(missing.Says("missing.png: No such file or directory"));
    EXPECT_TRUE(Cli(Import({"a.png", "a.bmp"})).Says("is that of"));
    EXPECT_TRUE(Cli(Import({"\xE6\x9D\xB1.png"})).Says("Latin-1"));
    EXPECT_EQ(m_Dir.Read("n.txt"), index);
    EXPECT_EQ(std::filesystem::file_size(m_Dir.File("n.dxt.dat")), 0u);
}

TEST_F(CliImport, APartialImportSaysWhatWasImported) {
    const CliRun partial = Cli(Import({"a.png", "notes.png", "odd.png", "b.png"}));
    EXPECT_EQ(partial.code, 2);
    EXPECT_TRUE(partial.Says("imported 2 of 4 images, 2 failed")) << partial.out;
    EXPECT_TRUE(partial.Says("notes.png not imported"));
    EXPECT_TRUE(partial.Says("its size 6x6 is not a power of two"));
    EXPECT_FALSE(partial.Says("damaged"));
    EXPECT_TRUE(Cli("info " + m_New).Says("2 textures"));
    // A cache without data files would get index lines without pixels.
    for (const char* cache : {"dxt", "etc", "pvr", "unc"})
        std::filesystem::remove(m_Dir.File(std::string("n.") + cache + ".dat"));
    const CliRun empty = Cli(Import({"a.png"}) + " --replace");
    EXPECT_EQ(empty.code, 1);
    EXPECT_TRUE(empty.Says("no data files"));
}

TEST_F(CliImport, DictionaryNamesThatBreakTheIndexAreSkipped) {
    std::vector<RwSection> natives;
    for (const std::string name : {"wood\ncat=3 x", "../../../../PWNED", "q\"uote", "ok"}) {
        PcNativeFields fields;
        fields.name = name;
        fields.pixels.assign(64, 0x80);
        natives.push_back(PcNative(fields));
    }
    m_Dir.Write("hostile.txd", Dictionary(uint32_t(natives.size()), natives).Text());
    const CliRun run = Cli("txd import " + m_New + " " + F("hostile.txd") + " --game 2");
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.Says("imported 2 textures, skipped 0 existing, 2 with names")) << run.out;
    EXPECT_TRUE(run.Says("line break"));
    const std::string index = m_Dir.Read("n.txt");
    EXPECT_EQ(index.find("cat=3"), std::string::npos);
    EXPECT_EQ(index.find("\"wood"), std::string::npos);
    EXPECT_NE(index.find("\"../../../../PWNED\""), std::string::npos);
    EXPECT_EQ(Cli("check " + m_New).code, 0);

    const std::string out = m_Dir.File("deep/out");
    std::filesystem::create_directories(out);
    const CliRun exported = Cli("txd export " + F("hostile.txd") + " --out " + Q(out));
    EXPECT_EQ(exported.code, 0) << exported.err;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out),
                            std::filesystem::directory_iterator()),
              4);
    EXPECT_TRUE(std::filesystem::exists(out + "/wood_cat=3 x.png"));
    EXPECT_FALSE(std::filesystem::exists(m_Dir.File("PWNED.png")));
}

namespace {

// Runs shell in a mount namespace of its own, so that no mount outlives the test; empty
// when the system does not allow one (or no mount in it).
std::string Isolated(const std::string& probeFolder) {
    const std::string unshare = geteuid() == 0 ? "unshare -m" : "unshare -rm";
    std::filesystem::create_directory(probeFolder);
    const std::string probe =
        unshare + " sh -c " + Q("mount -t tmpfs tmpfs " + Q(probeFolder)) + " >/dev/null 2>&1";
    if (std::system(probe.c_str()) != 0)
        return {};
    return unshare + " sh -c ";
}

} // namespace

TEST_F(CliInput, SystemErrorsAreNamedWithTheirFile) {
    const std::string isolated = Isolated(m_Dir.File("probe"));
    if (isolated.empty())
        GTEST_SKIP() << "no mount namespace for a read-only or full file system";
    const std::string dir = Q(m_Dir.Path());
    // Read-only: refused before anything is changed, with the system's words.
    const std::string readOnly =
        "mount --bind " + dir + " " + dir + " && mount -o remount,ro,bind " + dir + " && ";
    const CliRun rofs =
        Cli("rename " + m_Index + " wall brick", isolated + Q(readOnly + "exec \"$0\" \"$@\""));
    EXPECT_EQ(rofs.code, 1);
    EXPECT_TRUE(rofs.Says("Read-only file system")) << rofs.err;
    EXPECT_TRUE(rofs.Says("c."));
    EXPECT_FALSE(rofs.Says("damaged"));
    EXPECT_NE(Index().find("\"wall\""), std::string::npos);

    // A full disk under an export.
    const std::string full = F("full");
    std::filesystem::create_directory(m_Dir.File("full"));
    const std::string fill = "mount -t tmpfs -o size=16k tmpfs " + full +
                             " && (dd if=/dev/zero of=" + full +
                             "/fill bs=1k count=64 2>/dev/null; true) && ";
    const CliRun nospc =
        Cli("export " + m_Index + " --out " + full, isolated + Q(fill + "exec \"$0\" \"$@\""));
    EXPECT_EQ(nospc.code, 1);
    EXPECT_TRUE(nospc.Says("No space left on device")) << nospc.err;

    if (geteuid() != 0) {
        std::filesystem::permissions(m_Dir.File("c.txt"), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
        const CliRun denied = Cli("rename " + m_Index + " wall brick");
        EXPECT_TRUE(denied.Says("Permission denied")) << denied.err;
    }
}
