// tessarine-cli img add, delete, rebuild and extract end to end: real archives read only
// (copies are edited), damaged ones, and edits killed at every write and at random moments.
#include "cli/CliRunner.h"
#include "gta/IMGEditor.h"
#include "gta/IMGFile.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <map>
#include <random>

namespace {

using Files = std::map<std::string, std::string>; // name in the folder, bytes

Files Folder(const std::string& path) {
    Files files;
    for (const auto& file : std::filesystem::directory_iterator(path))
        files[file.path().filename().string()] = TempDir::ReadFile(file.path().string());
    return files;
}

void WriteFolder(const std::string& path, const Files& files) {
    std::filesystem::remove_all(path);
    std::filesystem::create_directory(path);
    for (const auto& [name, bytes] : files)
        std::ofstream(path + "/" + name, std::ios::binary) << bytes;
}

// Names and bytes of every entry, as the reader sees them.
std::vector<std::pair<std::string, std::string>> Entries(const std::string& archive) {
    GTA::CIMGFile img;
    std::vector<std::pair<std::string, std::string>> entries;
    if (!img.Open(archive))
        return entries;
    std::vector<uint8_t> data;
    for (uint32_t e = 0; e < img.GetEntryCount(); ++e) {
        img.ReadEntry(data, e);
        entries.emplace_back(img.GetEntryName(e), std::string(data.begin(), data.end()));
    }
    return entries;
}

std::string DirectoryEntry(uint32_t offset, uint32_t size, const std::string& name) {
    std::string e(32, '\0');
    for (int i = 0; i < 4; ++i) {
        e[i] = char(offset >> (8 * i));
        e[4 + i] = char(size >> (8 * i));
    }
    e.replace(8, name.size(), name);
    return e;
}

// An archive as other programs leave it: entries with gaps between them. Returns the
// directory; data goes into the archive's bytes.
std::string GappedDirectory(std::string& data, uint32_t firstSector, int count) {
    std::string directory;
    uint32_t sector = firstSector;
    for (int i = 0; i < count; ++i) {
        const uint32_t sectors = 1 + i % 3;
        directory += DirectoryEntry(sector, sectors, "entry" + std::to_string(i) + ".dff");
        data.resize(size_t(sector + sectors + 1) * GTA::kImgSector, '\0');
        data.replace(size_t(sector) * GTA::kImgSector, 6, "data" + std::to_string(i % 10) + "!");
        sector += sectors + 1; // a sector of nothing after each
    }
    return directory;
}

class ImgCli : public CliTest {
protected:
    void SetUp() override { std::filesystem::create_directory(m_Work); }
    CliRun Cli(const std::vector<std::string>& arguments) const {
        return WaitCli(m_Dir, StartCli(m_Dir, arguments));
    }
    std::string W(const std::string& name) const { return m_Work + "/" + name; }
    const std::string m_Work = m_Dir.File("work");
};

TEST_F(ImgCli, AddDeleteAndRebuildARealArchive) {
    if (TestDataDir().empty())
        GTEST_SKIP() << "real sample files not found";
    const std::string real = TestDataDir() + "/real/";
    std::filesystem::copy_file(real + "img/v2/sa_script_79entries.img", W("script.img"));
    const auto original = Entries(W("script.img"));
    m_Dir.Write("AAA.SCM", "main script");
    std::filesystem::copy_file(real + "dff/sa_arrow.dff", m_Dir.File("arrow.dff"));

    CliRun r = Cli(
        {"img", "add", W("script.img"), m_Dir.File("AAA.SCM"), m_Dir.File("arrow.dff"), "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.Out("{\"added\": [\"arrow.dff\"], \"replaced\": [\"AAA.SCM\"], \"version\": 2, "
                      "\"entries\": 80"))
        << r.out;
    auto entries = Entries(W("script.img"));
    ASSERT_EQ(entries.size(), 80u);
    EXPECT_EQ(entries[0].first, "AAA.SCM"); // in the place of aaa.scm
    EXPECT_EQ(entries[0].second.substr(0, 12), std::string("main script\0", 12));
    EXPECT_EQ(entries[79].second.substr(0, 4849), TempDir::ReadFile(real + "dff/sa_arrow.dff"));
    EXPECT_TRUE(std::equal(original.begin() + 1, original.end(), entries.begin() + 1));

    // Refusals change nothing: a name not found, a name too long, names that meet.
    const std::string before = TempDir::ReadFile(W("script.img"));
    r = Cli({"img", "delete", W("script.img"), "ammu.scm", "nothere.scm"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.Err("no entry named 'nothere.scm'")) << r.err;
    m_Dir.Write("a_name_of_twenty-four.sc", "x");
    r = Cli({"img", "add", W("script.img"), m_Dir.File("a_name_of_twenty-four.sc")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.Err("at most 23")) << r.err;
    std::filesystem::create_directory(m_Dir.File("other"));
    m_Dir.Write("other/aaa.scm", "another");
    r = Cli({"img", "add", W("script.img"), m_Dir.File("AAA.SCM"), m_Dir.File("other/aaa.scm")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.Err("have the same entry name")) << r.err;
    EXPECT_EQ(TempDir::ReadFile(W("script.img")), before);

    r = Cli({"img", "delete", W("script.img"), "AMMU.scm", "arrow.dff"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Entries(W("script.img")).size(), 78u);
    r = Cli({"img", "rebuild", W("script.img"), "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.Out("\"entries\": 78")) << r.out;
    EXPECT_EQ(Entries(W("script.img")).size(), 78u);

    // A new version 1 archive, and no archive made by accident.
    EXPECT_EQ(Cli({"img", "add", W("new.img"), m_Dir.File("arrow.dff")}).code, 1);
    r = Cli({"img", "add", W("new.img"), m_Dir.File("arrow.dff"), "--create", "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Entries(W("new.img")).size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(W("new.dir")));
    r = Cli({"img", "rebuild", "--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.Out("'rebuild' writes the archive"));
    EXPECT_EQ(Cli({"img", "rebuild", W("new.img"), "--create", "2"}).code, 2);
}

TEST_F(ImgCli, DamagedArchivesAreReportedNotExtracted) {
    if (TestDataDir().empty())
        GTEST_SKIP() << "real sample files not found";
    const std::string real = TestDataDir() + "/real/img/";
    // The real directory without its archive: refused, naming the archive.
    CliRun r = Cli({"img", "extract", real + "v1_dir_only/gta3_cuts.dir", "--out", W("x")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.Err("gta3_cuts.img' is missing")) << r.err;
    EXPECT_FALSE(std::filesystem::exists(W("x")));
    // With an archive of the extent it references beside it, the .dir stands for the pair.
    std::filesystem::copy_file(real + "v1_dir_only/gta3_cuts.dir", W("CUTS.DIR"));
    std::ofstream(W("cuts.img")).close();
    std::filesystem::resize_file(W("cuts.img"), 42838016);
    r = Cli({"img", "list", W("CUTS.DIR")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.Out("283 entries"));
    EXPECT_FALSE(r.Out("damaged"));

    // An archive cut short: the entries past its end are named and not written.
    const std::string whole = TempDir::ReadFile(real + "v2/sa_script_79entries.img");
    m_Dir.Write("short.img", whole.substr(0, 300000));
    r = Cli({"img", "extract", m_Dir.File("short.img"), "--out", W("out")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.Err("zero_ambience.scm is damaged")) << r.err;
    EXPECT_TRUE(r.Out("42 damaged entries not written")) << r.out;
    EXPECT_FALSE(std::filesystem::exists(W("out/zero_ambience.scm")));
    const auto entries = Entries(real + "v2/sa_script_79entries.img");
    size_t written = 0;
    for (const auto& [name, bytes] : entries)
        if (std::filesystem::exists(W("out/" + name))) {
            EXPECT_EQ(TempDir::ReadFile(W("out/" + name)), bytes) << name;
            ++written;
        }
    EXPECT_EQ(written, 37u);
    r = Cli({"img", "list", m_Dir.File("short.img"), "--json"});
    EXPECT_TRUE(r.Out("\"name\": \"zero_ambience.scm\", \"size\": 2048, \"offset\": 579584, "
                      "\"damaged\": true"))
        << r.out;
    // And it is not rebuilt around the hole.
    r = Cli({"img", "rebuild", m_Dir.File("short.img")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.Err("run past its end")) << r.err;
    EXPECT_EQ(m_Dir.Read("short.img"), whole.substr(0, 300000));
}

// Random kills per operation after the kill at every write; TESSARINE_KILL_TRIALS sets
// how many.
int KillTrials() {
    const char* text = std::getenv("TESSARINE_KILL_TRIALS");
    return text ? std::max(1, std::atoi(text)) : 6;
}

// A kill at every write point of the command, then at random moments: what the reader sees
// right after is the old archive or the new one, and once the next edit has finished or
// discarded the interrupted save, every file is byte for byte the old or the new one.
TEST_F(ImgCli, KilledEditsLeaveTheOldArchiveOrTheNew) {
    std::string v2Data = "VER2" + std::string("\x0C\0\0\0", 4);
    const std::string v2Directory = GappedDirectory(v2Data, 1, 12);
    v2Data.replace(8, v2Directory.size(), v2Directory);
    std::string v1Data;
    const std::string v1Directory = GappedDirectory(v1Data, 0, 12);
    m_Dir.Write("fresh.dff", std::string(5000, 'f'));
    struct Operation {
        const char* name;
        Files files;
        std::vector<std::string> arguments;
    };
    const Operation operations[] = {
        {"rebuild version 2", {{"a.img", v2Data}}, {"img", "rebuild", W("a.img")}},
        {"rebuild version 1",
         {{"a.img", v1Data}, {"a.dir", v1Directory}},
         {"img", "rebuild", W("a.img")}},
        {"add to version 1",
         {{"a.img", v1Data}, {"a.dir", v1Directory}},
         {"img", "add", W("a.img"), m_Dir.File("fresh.dff")}},
        {"delete from version 2", {{"a.img", v2Data}}, {"img", "delete", W("a.img"), "entry3.dff"}},
    };
    std::mt19937 random(20261208);
    for (const Operation& op : operations) {
        SCOPED_TRACE(op.name);
        WriteFolder(m_Work, op.files);
        const auto oldEntries = Entries(W("a.img"));
        const auto start = std::chrono::steady_clock::now();
        const CliRun whole = Cli(op.arguments);
        ASSERT_EQ(whole.code, 0) << whole.err;
        const long took = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                std::chrono::steady_clock::now() - start)
                                                .count());
        const Files after = Folder(m_Work);
        const auto newEntries = Entries(W("a.img"));
        ASSERT_NE(after, op.files);
        bool finished = false;
        for (int64_t point = 1, randoms = 0; randoms < KillTrials(); point += !finished) {
            WriteFolder(m_Work, op.files);
            const pid_t child =
                StartCli(m_Dir, op.arguments,
                         {finished ? "" : "TESSARINE_FAULT=kill:" + std::to_string(point)});
            if (finished) {
                std::uniform_int_distribution<long> moment(0, took + took / 4);
                usleep(static_cast<useconds_t>(moment(random)));
                kill(child, SIGKILL);
                ++randoms;
            }
            if (WaitCli(m_Dir, child).code != -1)
                finished = true; // the command ran past its last write
            const auto seen = Entries(W("a.img"));
            EXPECT_TRUE(seen == oldEntries || seen == newEntries) << "kill at " << point;
            GTA::CIMGEditor editor;
            EXPECT_TRUE(editor.Open(W("a.img"))) << editor.Error();
            const Files now = Folder(m_Work);
            EXPECT_TRUE(now == op.files || now == after) << "kill at " << point;
            ASSERT_FALSE(HasFailure());
        }
    }
}

} // namespace
