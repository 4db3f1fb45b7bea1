// tessarine-cli given what a hurried or hostile user gives it: typos in options, the wrong
// file where the index belongs, names the index cannot hold, operations that change
// nothing, and files the system will not let it read or write.
#include "raster/ImageFile.h"
#include "support/CacheBuilder.h"
#include "support/RwBuilder.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct CliRun {
    int code;
    std::string out;
    std::string err;
};

std::string Q(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class CliInput : public ::testing::Test {
protected:
    void SetUp() override {
        CacheBuilder b(m_Dir.Path(), "c", 2, 0b0101);
        b.categories = {"Default", "Cars"};
        b.Add("wall", 8, 8);
        b.AddAlias("wall2", "wall");
        b.Add("car", 4, 4, RASTER_RGBA4444).extraItems = " cat=1 alphamode=2";
        b.Write();
        m_Index = Q(m_Dir.File("c.txt"));
        m_Settings = " --settings " + Q(m_Dir.File("t.ini"));
    }
    // Runs the tool with the arguments; prefix goes before it (an unshare, say).
    CliRun Cli(const std::string& arguments, const std::string& prefix = "") const {
        const std::string command = prefix + " " + TESSARINE_CLI + " " + arguments +
                                    " </dev/null >" + Q(m_Dir.File("stdout")) + " 2>" +
                                    Q(m_Dir.File("stderr"));
        const int status = std::system(command.c_str());
        CliRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, m_Dir.Read("stdout"),
                   m_Dir.Read("stderr")};
        std::filesystem::remove(m_Dir.File("stdout"));
        std::filesystem::remove(m_Dir.File("stderr"));
        return run;
    }
    bool Says(const CliRun& run, const std::string& text) const {
        return (run.out + run.err).find(text) != std::string::npos;
    }
    std::string Index() const { return m_Dir.Read("c.txt"); }
    TempDir m_Dir;
    std::string m_Index;
    std::string m_Settings;
};

} // namespace

TEST_F(CliInput, UnknownAndMisplacedOptionsStopBeforeAnythingIsTouched) {
    const std::string index = Index();
    const CliRun dryRun = Cli("delete " + m_Index + " wall --dry-run");
    EXPECT_EQ(dryRun.code, 2);
    EXPECT_TRUE(Says(dryRun, "unknown option '--dry-run'")) << dryRun.err;
    EXPECT_TRUE(Says(dryRun, "usage: tessarine-cli delete INDEX TEXTURE..."));
    EXPECT_EQ(Cli("import " + m_Index + " p.png --catgory Cars").code, 2);
    const CliRun foreign = Cli("list " + m_Index + " --out x");
    EXPECT_EQ(foreign.code, 2);
    EXPECT_TRUE(Says(foreign, "option --out does not apply to 'list'"));
    EXPECT_TRUE(Says(Cli("txd list x.txd --out y"), "does not apply to 'txd list'"));
    EXPECT_TRUE(Says(Cli("list " + m_Index + " --json=1"), "takes no value"));
    EXPECT_TRUE(Says(Cli("export " + m_Index + " --out a --out b"), "given twice"));
    EXPECT_TRUE(Says(Cli("export " + m_Index + " --out"), "needs a value"));
    EXPECT_EQ(Cli("delete " + m_Index + " -x wall").code, 2);
    EXPECT_EQ(Index(), index);
    EXPECT_TRUE(std::filesystem::exists(m_Dir.File("c.dxt.dat")));

    // Options may stand before the command; after "--" everything is an argument.
    const CliRun before = Cli("--json --game 0 info " + m_Index);
    EXPECT_EQ(before.code, 0) << before.err;
    EXPECT_TRUE(Says(before, "\"textures\": 3"));
    EXPECT_EQ(Cli("rename " + m_Index + " -- wall --odd").code, 0);
    EXPECT_NE(Index().find("\"--odd\" width=8"), std::string::npos);
    EXPECT_EQ(Cli("help rename").code, 0);
}

TEST_F(CliInput, TheIndexArgumentMustNameAnIndex) {
    auto image = Bitmap32::Create(4, 4);
    ASSERT_TRUE(SaveBitmapByExtension(*image, m_Dir.File("a.png")));
    ASSERT_TRUE(SaveBitmapByExtension(*image, m_Dir.File("b.png")));
    const std::string png = m_Dir.Read("a.png");
    m_Dir.Write("notes.md", "# notes\n");
    m_Dir.Write("notes.txt", "# notes\nsome text\n");
    m_Dir.Write("bin.txt", std::string("\x7f"
                                       "ELF\0\0\x1b[2J\"x\" \n",
                                       14));
    std::filesystem::create_directory(m_Dir.File("folder.txt"));

    const CliRun forgotten = Cli("import " + Q(m_Dir.File("a.png")) + " " + Q(m_Dir.File("b.png")));
    EXPECT_EQ(forgotten.code, 2);
    EXPECT_TRUE(Says(forgotten, "is not an index file")) << forgotten.err;
    EXPECT_EQ(m_Dir.Read("a.png"), png);
    EXPECT_EQ(Cli("category add " + Q(m_Dir.File("notes.md")) + " Foo").code, 2);
    EXPECT_EQ(m_Dir.Read("notes.md"), "# notes\n");
    const CliRun binary = Cli("list " + Q(m_Dir.File("bin.txt")));
    EXPECT_EQ(binary.code, 2);
    EXPECT_TRUE(Says(binary, "is not a texture index: it holds binary data"));
    EXPECT_EQ((binary.out + binary.err).find('\x1b'), std::string::npos);
    EXPECT_TRUE(
        Says(Cli("category add " + Q(m_Dir.File("notes.txt")) + " Foo"), "is not a texture index"));
    EXPECT_EQ(m_Dir.Read("notes.txt"), "# notes\nsome text\n");
    m_Dir.Write("empty.txt", "");
    EXPECT_TRUE(
        Says(Cli("category add " + Q(m_Dir.File("empty.txt")) + " Foo"), "no texture cache"));
    EXPECT_EQ(m_Dir.Read("empty.txt"), "");
    const CliRun folder = Cli("list " + Q(m_Dir.File("folder.txt")));
    EXPECT_EQ(folder.code, 2);
    EXPECT_TRUE(Says(folder, "is a folder"));

    EXPECT_EQ(Cli("create " + Q(m_Dir.File("folder.txt")) + " --force").code, 2);
    EXPECT_FALSE(std::filesystem::exists(m_Dir.File("folder.dxt.dat")));
    EXPECT_EQ(Cli("create " + Q(m_Dir.File("notes.txt")) + " --force").code, 2);
    EXPECT_EQ(m_Dir.Read("notes.txt"), "# notes\nsome text\n");
    const CliRun longName = Cli("create " + Q(m_Dir.File(std::string(250, 'n') + ".txt")));
    EXPECT_EQ(longName.code, 2);
    EXPECT_TRUE(Says(longName, "too long"));
    EXPECT_EQ(Cli("create " + Q(m_Dir.File(std::string(200, 'n') + ".txt"))).code, 0);

    EXPECT_EQ(Cli("info " + Q(m_Dir.File("c.etc.toc"))).code, 0);
}

TEST_F(CliInput, NamesTheIndexCannotHoldAreRefusedWithTheReason) {
    const std::string index = Index();
    const std::pair<std::string, std::string> refused[] = {
        {"rename " + m_Index + " wall ''", "the name is empty"},
        {"rename " + m_Index + " wall " + Q("a\nb"), "line break"},
        {"rename " + m_Index + " wall " + Q("quote\"inside"), "double quote"},
        {"rename " + m_Index + " wall " + Q("\xE6\x9D\xB1\xE4\xBA\xAC"), "Latin-1"},
        {"rename " + m_Index + " wall " + Q(std::string(64, 'n')), "longer than 63"},
        {"alias " + m_Index + " " + Q("x\ncat=3 y") + " wall", "line break"},
        {"category add " + m_Index + " 'Two words'", "one word"},
        {"category rename " + m_Index + " Cars " + Q("new\nline"), "line break"},
    };
    for (const auto& [arguments, reason] : refused) {
        const CliRun run = Cli(arguments);
        EXPECT_EQ(run.code, 1) << arguments;
        EXPECT_TRUE(Says(run, reason)) << arguments << ": " << run.err;
        EXPECT_EQ(run.err.find("a\nb"), std::string::npos); // shown escaped
    }
    EXPECT_EQ(Index(), index);
}

TEST_F(CliInput, OperationsThatChangeNothingSaySo) {
    const std::string index = Index();
    const CliRun aliases = Cli("category move " + m_Index + " Cars wall2 wall2");
    EXPECT_EQ(aliases.code, 1);
    EXPECT_TRUE(Says(aliases, "not moved: it is an alias of 'wall'"));
    EXPECT_TRUE(Says(aliases, "no texture moved"));
    EXPECT_TRUE(Says(Cli("category move " + m_Index + " Cars car"), "in that category already"));
    const CliRun alias = Cli("set " + m_Index + " wall2 hasdetail 5");
    EXPECT_EQ(alias.code, 1);
    EXPECT_TRUE(Says(alias, "is an alias of 'wall'"));
    EXPECT_EQ(Cli("set " + m_Index + " car hasdetail 0").code, 1);
    EXPECT_TRUE(Says(Cli("rename " + m_Index + " wall wall"), "nothing changed"));
    EXPECT_EQ(Cli("category rename " + m_Index + " Cars Cars").code, 1);
    EXPECT_EQ(Cli("category add " + m_Index + " cars").code, 1);
    EXPECT_EQ(Index(), index);

    // Moving a texture and an alias moves the texture and says what the alias did not.
    const CliRun mixed = Cli("category move " + m_Index + " Cars wall wall2");
    EXPECT_EQ(mixed.code, 1);
    EXPECT_TRUE(Says(mixed, "1 of 2 textures moved to Cars"));
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
    const CliRun run = Cli("export " + Q(m_Dir.File("h.txt")) + " --out " + Q(out) + m_Settings);
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(Says(run, "exported 5 of 5 textures"));
    EXPECT_EQ((run.out + run.err).find('\x1b'), std::string::npos);
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(out))
        files.insert(entry.path().filename().string());
    EXPECT_EQ(files, (std::set<std::string>{"___.._.._.._PWNED.png", "a_b.png", "a_b~2.png",
                                            "A_B~3.png", "esc_[2J.png"}));
    EXPECT_FALSE(std::filesystem::exists(m_Dir.File("PWNED.png")));
    EXPECT_EQ(m_Dir.Read("victim.png"), "keep");

    const CliRun level = Cli("export " + Q(m_Dir.File("h.txt")) + " a_b --level 3 --out " +
                             Q(m_Dir.File("l")) + m_Settings);
    EXPECT_EQ(level.code, 1);
    EXPECT_TRUE(Says(level, "exported 0 of 1 textures"));
    EXPECT_EQ(Cli("export " + m_Index + " --level x --out o").code, 2);
}

namespace {

// Images to import, a cache made by the tool, the build's plug-ins.
class CliImport : public CliInput {
protected:
    void SetUp() override {
        CliInput::SetUp();
        ASSERT_EQ(Cli("create " + Q(m_Dir.File("n.txt"))).code, 0);
        m_New = Q(m_Dir.File("n.txt"));
        auto image = Bitmap32::Create(8, 8);
        for (const char* name : {"a.png", "b.png", "a.bmp", "\xE6\x9D\xB1.png"})
            ASSERT_TRUE(SaveBitmapByExtension(*image, m_Dir.File(name)));
        m_Dir.Write("notes.png", "not an image");
        ASSERT_TRUE(SaveBitmapByExtension(*Bitmap32::Create(6, 6), m_Dir.File("odd.png")));
    }
    std::string Import(const std::vector<std::string>& files) const {
        std::string arguments = "import " + m_New;
        for (const std::string& file : files)
            arguments += " " + Q(m_Dir.File(file));
        return arguments + " --game 2" + m_Settings;
    }
    std::string m_New;
};

} // namespace

TEST_F(CliImport, FilesAreCheckedBeforeTheFirstIsImported) {
    const std::string index = m_Dir.Read("n.txt");
    const CliRun missing = Cli(Import({"a.png", "missing.png", "b.png"}));
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(Says(missing, "nothing imported"));
    EXPECT_TRUE(Says(missing, "missing.png: No such file or directory"));
    EXPECT_TRUE(Says(Cli(Import({"a.png", "a.bmp"})), "is that of"));
    EXPECT_TRUE(Says(Cli(Import({"\xE6\x9D\xB1.png"})), "Latin-1"));
    EXPECT_EQ(m_Dir.Read("n.txt"), index);
    EXPECT_EQ(std::filesystem::file_size(m_Dir.File("n.dxt.dat")), 0u);
}

TEST_F(CliImport, APartialImportSaysWhatWasImported) {
    const CliRun partial = Cli(Import({"a.png", "notes.png", "odd.png", "b.png"}));
    EXPECT_EQ(partial.code, 2);
    EXPECT_TRUE(Says(partial, "imported 2 of 4 images, 2 failed")) << partial.out;
    EXPECT_TRUE(Says(partial, "notes.png not imported"));
    EXPECT_TRUE(Says(partial, "its size 6x6 is not a power of two"));
    EXPECT_FALSE(Says(partial, "damaged"));
    EXPECT_TRUE(Says(Cli("info " + m_New), "2 textures"));
    // A cache without data files would get index lines without pixels.
    for (const char* cache : {"dxt", "etc", "pvr", "unc"})
        std::filesystem::remove(m_Dir.File(std::string("n.") + cache + ".dat"));
    const CliRun empty = Cli(Import({"a.png"}) + " --replace");
    EXPECT_EQ(empty.code, 1);
    EXPECT_TRUE(Says(empty, "no data files"));
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
    const CliRun run =
        Cli("txd import " + m_New + " " + Q(m_Dir.File("hostile.txd")) + " --game 2" + m_Settings);
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(Says(run, "imported 2 textures, skipped 0 existing, 2 with names")) << run.out;
    EXPECT_TRUE(Says(run, "line break"));
    const std::string index = m_Dir.Read("n.txt");
    EXPECT_EQ(index.find("cat=3"), std::string::npos);
    EXPECT_EQ(index.find("\"wood"), std::string::npos);
    EXPECT_NE(index.find("\"../../../../PWNED\""), std::string::npos);
    EXPECT_EQ(Cli("check " + m_New).code, 0);

    const std::string out = m_Dir.File("deep/out");
    std::filesystem::create_directories(out);
    const CliRun exported =
        Cli("txd export " + Q(m_Dir.File("hostile.txd")) + " --out " + Q(out) + m_Settings);
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
    EXPECT_TRUE(Says(rofs, "Read-only file system")) << rofs.err;
    EXPECT_TRUE(Says(rofs, "c."));
    EXPECT_FALSE(Says(rofs, "damaged"));
    EXPECT_NE(Index().find("\"wall\""), std::string::npos);

    // A full disk under an export.
    const std::string full = Q(m_Dir.File("full"));
    std::filesystem::create_directory(m_Dir.File("full"));
    const std::string fill = "mount -t tmpfs -o size=16k tmpfs " + full +
                             " && (dd if=/dev/zero of=" + full +
                             "/fill bs=1k count=64 2>/dev/null; true) && ";
    const CliRun nospc = Cli("export " + m_Index + " --out " + full + m_Settings,
                             isolated + Q(fill + "exec \"$0\" \"$@\""));
    EXPECT_EQ(nospc.code, 1);
    EXPECT_TRUE(Says(nospc, "No space left on device")) << nospc.err;

    if (geteuid() != 0) {
        std::filesystem::permissions(m_Dir.File("c.txt"), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
        const CliRun denied = Cli("rename " + m_Index + " wall brick");
        EXPECT_TRUE(Says(denied, "Permission denied")) << denied.err;
    }
}
