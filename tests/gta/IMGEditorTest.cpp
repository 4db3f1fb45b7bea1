// Archive editing of both versions, read back through the reader: every operation, a long
// random sequence against a plain model of the directory, damaged archives, and a write
// failure at every write.
#include "gta/IMGEditor.h"
#include "gta/IMGExtract.h"
#include "gta/IMGFile.h"
#include "gta/IMGSaveFiles.h"
#include "platform/Faults.h"
#include "support/CoreFixtures.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <poll.h>
#include <random>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Content = std::vector<std::pair<std::string, std::string>>; // name, bytes

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// An entry's bytes as stored: the data, zero-padded to whole sectors.
std::string Padded(std::string data) {
    data.resize((data.size() + GTA::kImgSector - 1) / GTA::kImgSector * GTA::kImgSector, '\0');
    return data;
}

Content Read(const std::string& archive) {
    GTA::CIMGFile img;
    EXPECT_EQ(img.Open(archive), 1) << archive;
    Content content;
    std::vector<uint8_t> data;
    for (uint32_t e = 0; e < img.GetEntryCount(); ++e) {
        EXPECT_EQ(img.GetEntryShortfall(e), 0u) << img.GetEntryName(e);
        img.ReadEntry(data, e);
        content.emplace_back(img.GetEntryName(e), std::string(data.begin(), data.end()));
    }
    return content;
}

class IMGEditor : public ::testing::TestWithParam<int> {
protected:
    std::string Archive() const { return m_Dir.File("test.img"); }
    // A fresh archive of this test's version holding the named texts.
    void Build(const Content& files) {
        GTA::CIMGEditor editor;
        ASSERT_TRUE(editor.Create(Archive(), GetParam())) << editor.Error();
        for (const auto& [name, data] : files)
            ASSERT_EQ(editor.Put(name, Bytes(data)), GTA::IMGPut::kAdded) << editor.Error();
        ASSERT_TRUE(editor.Save()) << editor.Error();
    }
    TempDir m_Dir;
};

TEST_P(IMGEditor, EveryOperationReadsBack) {
    const std::string big(5000, 'b');
    Build({{"a.txd", "alpha"}, {"b.dff", big}, {"c.col", ""}});
    EXPECT_EQ(Read(Archive()),
              (Content{{"a.txd", Padded("alpha")}, {"b.dff", Padded(big)}, {"c.col", ""}}));
    EXPECT_EQ(std::filesystem::exists(m_Dir.File("test.dir")), GetParam() == 1);

    GTA::CIMGEditor editor;
    ASSERT_TRUE(editor.Open(Archive())) << editor.Error();
    EXPECT_EQ(editor.Version(), GetParam());
    // A name in another letter case is the same entry to the games: replaced in place.
    EXPECT_EQ(editor.Put("A.TXD", Bytes(std::string(3000, 'A'))), GTA::IMGPut::kReplaced);
    EXPECT_EQ(editor.Put("d.ifp", Bytes("delta")), GTA::IMGPut::kAdded);
    EXPECT_TRUE(editor.Delete("B.dff"));
    EXPECT_FALSE(editor.Delete("b.dff"));
    EXPECT_EQ(editor.Fault(), GTA::IMGFault::kRefused);
    ASSERT_TRUE(editor.Save()) << editor.Error();
    const Content after{
        {"A.TXD", Padded(std::string(3000, 'A'))}, {"c.col", ""}, {"d.ifp", Padded("delta")}};
    EXPECT_EQ(Read(Archive()), after);
    EXPECT_EQ(editor.Count(), 3u); // the editor goes on with the saved archive
    EXPECT_EQ(editor.Find("d.IFP"), 2);

    // The saved archive is compact: data starts right after the directory's sectors.
    GTA::CIMGFile img;
    ASSERT_EQ(img.Open(Archive()), 1);
    EXPECT_EQ(img.GetEntryOffset(0), GetParam() == 2 ? GTA::kImgSector : 0u);
    EXPECT_EQ(img.ArchiveLength(), img.GetEntryOffset(0) + 3 * GTA::kImgSector);
    img.Close();
    EXPECT_EQ(ReadFolder(m_Dir.Path()).size(), GetParam() == 1 ? 2u : 1u); // nothing left beside it

    // Rebuilding changes nothing that is read.
    ASSERT_TRUE(editor.Open(Archive()));
    ASSERT_TRUE(editor.Save()) << editor.Error();
    EXPECT_EQ(Read(Archive()), after);

    // Data that starts like a version 2 header never stands first in a version 1 file.
    ASSERT_EQ(editor.Put("a.txd", Bytes("VER2 texture")), GTA::IMGPut::kReplaced);
    ASSERT_TRUE(editor.Save()) << editor.Error();
    ASSERT_EQ(Read(Archive()).size(), 3u);
    EXPECT_EQ(Read(Archive())[0].second, Padded("VER2 texture"));
}

TEST_P(IMGEditor, NamesTheGamesCannotLookUpAreRefused) {
    Build({{"a.txd", "x"}});
    GTA::CIMGEditor editor;
    ASSERT_TRUE(editor.Open(Archive()));
    const std::string refused[] = {"",   std::string(24, 'n'), "a/b.txd", "a\\b.txd", "a\tb",
                                   "..", "\xe2\x82\xac.txd",   "\xff.txd"};
    for (const std::string& name : refused) {
        EXPECT_EQ(editor.Put(name, Bytes("y")), GTA::IMGPut::kFailed) << name;
        EXPECT_EQ(editor.Fault(), GTA::IMGFault::kRefused);
        EXPECT_FALSE(editor.Error().empty());
    }
    EXPECT_EQ(editor.Put(std::string(23, 'n'), Bytes("y")), GTA::IMGPut::kAdded);
    EXPECT_EQ(editor.Put("caf\xc3\xa9.txd", Bytes("y")), GTA::IMGPut::kAdded); // Latin-1 é
    ASSERT_TRUE(editor.Save());
    EXPECT_EQ(Read(Archive())[1].first, std::string(23, 'n'));
    EXPECT_EQ(Read(Archive())[2].first, "caf\xc3\xa9.txd");
    if (GetParam() == 2) {
        ASSERT_TRUE(editor.Open(Archive()));
        EXPECT_EQ(editor.Put("huge.dff", std::vector<uint8_t>(0x10000 * GTA::kImgSector)),
                  GTA::IMGPut::kFailed);
    }
    GTA::CIMGEditor fresh;
    EXPECT_FALSE(fresh.Create(Archive(), GetParam())); // it exists
}

// Another program's save between this editor's open and save is not overwritten.
TEST_P(IMGEditor, AnArchiveChangedSinceItWasOpenedIsNotOverwritten) {
    Build({{"a.txd", "x"}});
    GTA::CIMGEditor first, second;
    ASSERT_TRUE(first.Open(Archive()));
    ASSERT_TRUE(second.Open(Archive()));
    ASSERT_EQ(second.Put("b.txd", Bytes("y")), GTA::IMGPut::kAdded);
    ASSERT_TRUE(second.Save());
    ASSERT_TRUE(first.Delete("a.txd"));
    EXPECT_FALSE(first.Save());
    EXPECT_EQ(first.Fault(), GTA::IMGFault::kBusy);
    EXPECT_EQ(Read(Archive()).size(), 2u);
    GTA::CIMGEditor late;
    ASSERT_TRUE(late.Create(m_Dir.File("late.img"), GetParam()));
    m_Dir.Write("late.img", "made meanwhile");
    EXPECT_FALSE(late.Save());
    EXPECT_EQ(m_Dir.Read("late.img"), "made meanwhile");
}

TEST_P(IMGEditor, RandomEditsMatchAModelOfTheDirectory) {
    Build({});
    std::mt19937 random(1313 + GetParam());
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const char* const names[] = {"a.txd", "B.TXD", "c.dff", "d.col", "e.ifp",
                                 "f.txd", "g.dff", "h.ipl", "i.dat", "j.txd"};
    Content model;
    GTA::CIMGEditor editor;
    ASSERT_TRUE(editor.Open(Archive()));
    const auto find = [&](const std::string& name) {
        for (size_t i = 0; i < model.size(); ++i)
            if (strcasecmp(model[i].first.c_str(), name.c_str()) == 0)
                return static_cast<int>(i);
        return -1;
    };
    for (int step = 0; step < 300; ++step) {
        SCOPED_TRACE(step);
        std::string name = names[pick(10)];
        if (pick(2))
            name[0] = static_cast<char>(toupper(name[0])); // the same entry, another case
        const int at = find(name);
        switch (pick(6)) {
        case 0:
        case 1:
        case 2: {
            const std::string data(static_cast<size_t>(pick(3 * GTA::kImgSector)),
                                   static_cast<char>('a' + pick(26)));
            const GTA::IMGPut put = editor.Put(name, Bytes(data));
            ASSERT_EQ(put, at < 0 ? GTA::IMGPut::kAdded : GTA::IMGPut::kReplaced);
            if (at < 0)
                model.emplace_back(name, Padded(data));
            else
                model[static_cast<size_t>(at)] = {name, Padded(data)};
            break;
        }
        case 3:
            ASSERT_EQ(editor.Delete(name), at >= 0);
            if (at >= 0)
                model.erase(model.begin() + at);
            break;
        case 4:
            ASSERT_TRUE(editor.Save()) << editor.Error();
            ASSERT_EQ(Read(Archive()), model);
            break;
        default:
            ASSERT_TRUE(editor.Open(Archive())); // unsaved edits are dropped
            model = Read(Archive());
        }
        ASSERT_EQ(editor.Count(), model.size());
        for (size_t i = 0; i < model.size(); ++i)
            ASSERT_EQ(editor.Name(i), model[i].first);
    }
}

// Each write, flush and rename fails in turn: a save that reports failure leaves every
// file as it was, one that reports success leaves the new archive.
TEST_P(IMGEditor, AFailingWriteAnywhereLeavesTheOldArchive) {
    Build({{"a.txd", std::string(3000, 'a')}, {"b.dff", "bee"}, {"c.col", "sea"}});
    const auto before = ReadFolder(m_Dir.Path());
    const auto edit = [&](GTA::CIMGEditor& editor) {
        ASSERT_TRUE(editor.Open(Archive()));
        editor.Put("b.dff", Bytes(std::string(5000, 'B')));
        editor.Put("z.txd", Bytes("zed"));
        editor.Delete("a.txd");
    };
    GTA::CIMGEditor editor;
    edit(editor);
    Faults::Disarm();
    ASSERT_TRUE(editor.Save());
    const int64_t points = Faults::Count();
    const auto after = ReadFolder(m_Dir.Path());
    ASSERT_GT(points, GetParam() == 1 ? 9 : 6);
    for (int64_t point = 1; point <= points; ++point) {
        for (int error : {ENOSPC, EIO}) {
            RestoreFolder(m_Dir.Path(), before);
            edit(editor);
            Faults::Arm(point, Faults::Action::kFail, error);
            const bool saved = editor.Save();
            Faults::Disarm();
            if (saved) {
                EXPECT_EQ(ReadFolder(m_Dir.Path()), after) << point;
                continue;
            }
            EXPECT_EQ(editor.Fault(), GTA::IMGFault::kWrite);
            EXPECT_EQ(editor.ErrorNumber(), error);
            EXPECT_EQ(ReadFolder(m_Dir.Path()), before)
                << "failure at " << point << ": " << editor.Error();
        }
    }
    // A save canceled from its progress report is a failure like the others.
    RestoreFolder(m_Dir.Path(), before);
    edit(editor);
    uint64_t last = 0;
    EXPECT_FALSE(editor.Save([&](uint64_t done, uint64_t total) {
        EXPECT_GT(done, last);
        last = done;
        return done < total / 2;
    }));
    EXPECT_EQ(editor.Fault(), GTA::IMGFault::kCanceled);
    EXPECT_EQ(ReadFolder(m_Dir.Path()), before);
    edit(editor);
    EXPECT_TRUE(editor.Save([&](uint64_t done, uint64_t total) {
        last = done;
        return done <= total;
    }));
    EXPECT_EQ(last, TempDir::ReadFile(Archive()).size());
}

INSTANTIATE_TEST_SUITE_P(Versions, IMGEditor, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& param) {
                             return "Version" + std::to_string(param.param);
                         });

// Archives made by other programs: gaps, entries that share bytes, entries past the end,
// an unpadded last sector, names given twice.
TEST(IMGEditorInput, HostileArchivesAreKeptWholeOrRefused) {
    TempDir dir;
    std::string archive = "VER2" + std::string("\x05\0\0\0", 4) + ImgEntry(3, 1, "a.txd") +
                          ImgEntry(3, 1, "shared.txd") + ImgEntry(6, 2, "Twice.dff") +
                          ImgEntry(1, 1, "twice.DFF") + ImgEntry(9, 1 << 16, "last.col");
    archive.resize(9 * GTA::kImgSector, '\0');
    archive.replace(3 * GTA::kImgSector, 5, "AAAAA");
    archive.replace(6 * GTA::kImgSector, 3, "TTT");
    archive += "tail"; // the last sector is not padded out
    dir.Write("h.img", archive);

    GTA::CIMGEditor editor;
    ASSERT_TRUE(editor.Open(dir.File("h.img"))) << editor.Error();
    EXPECT_FALSE(editor.IsDamaged(4));
    EXPECT_EQ(editor.Find("TWICE.dff"), -1); // ambiguous
    EXPECT_EQ(editor.Put("twice.dff", Bytes("x")), GTA::IMGPut::kFailed);
    EXPECT_NE(editor.Error().find("2 entries"), std::string::npos) << editor.Error();
    ASSERT_TRUE(editor.Save()) << editor.Error();
    const Content content = Read(dir.File("h.img"));
    ASSERT_EQ(content.size(), 5u);
    EXPECT_TRUE(content[0].second == Padded("AAAAA"));
    EXPECT_TRUE(content[1].second == Padded("AAAAA")); // each of the two keeps its bytes
    EXPECT_TRUE(content[2].second == Padded("TTT") + std::string(GTA::kImgSector, '\0'));
    EXPECT_TRUE(content[4].second == Padded("tail"));
    ASSERT_TRUE(editor.Delete("TWICE.DFF"));
    EXPECT_EQ(editor.Count(), 3u); // both went

    // An entry past the end cannot be kept; deleting it lets the rest be saved.
    archive = "VER2" + std::string("\x02\0\0\0", 4) + ImgEntry(1, 1, "good.txd") +
              ImgEntry(2, 4, "cut.dff");
    archive.resize(3 * GTA::kImgSector, 'g');
    dir.Write("cut.img", archive);
    ASSERT_TRUE(editor.Open(dir.File("cut.img")));
    EXPECT_TRUE(editor.IsDamaged(1));
    EXPECT_FALSE(editor.Save());
    EXPECT_EQ(editor.Fault(), GTA::IMGFault::kDamaged);
    EXPECT_NE(editor.Error().find("'cut.dff'"), std::string::npos) << editor.Error();
    EXPECT_EQ(dir.Read("cut.img"), archive);
    ASSERT_TRUE(editor.Delete("cut.dff"));
    ASSERT_TRUE(editor.Save()) << editor.Error();
    EXPECT_EQ(Read(dir.File("cut.img")), (Content{{"good.txd", std::string(2048, 'g')}}));

    // A .dir is no archive, though it finds itself as its own directory.
    dir.Write("x.dir", ImgEntry(0, 1, "a") + ImgEntry(1, 1, "b"));
    EXPECT_FALSE(editor.Open(dir.File("x.dir")));
    GTA::CIMGFile img;
    EXPECT_EQ(img.Open(dir.File("x.dir")), 0);
}

// Another process saving in the folder holds its lock: an open waits for it (it would
// otherwise take the other's unfinished files for leftovers), a save that may not wait
// long enough is refused and changes nothing.
TEST(IMGEditorInput, SavesInOneFolderTakeTurns) {
    TempDir dir;
    GTA::CIMGEditor editor;
    ASSERT_TRUE(editor.Create(dir.File("t.img"), 2));
    ASSERT_TRUE(editor.Save());
    // A child holds the lock from before it says so on `ready` until ms have passed or
    // (ms < 0) the parent writes to `release`; it says so on `released` just before it
    // ends, which is what drops the lock.
    struct Holder {
        pid_t child;
        int release[2]; // both ends stay open here: a late release finds a reader
        int released;
    };
    const auto holdLock = [&](int ms) {
        int ready[2], release[2], released[2];
        EXPECT_EQ(pipe(ready), 0);
        EXPECT_EQ(pipe(release), 0);
        EXPECT_EQ(pipe(released), 0);
        const pid_t child = fork();
        if (child == 0) {
            const GTA::CIMGFolderLock lock(dir.File("t.img"), 0);
            dir.Write("t.img.tessarine-new", "another program's save");
            (void)!write(ready[1], "x", 1);
            close(release[1]); // a parent that ends early ends the wait too
            pollfd hold{release[0], POLLIN, 0};
            (void)!poll(&hold, 1, ms);
            unlink(dir.File("t.img.tessarine-new").c_str());
            (void)!write(released[1], "x", 1);
            _exit(lock.Held() ? 0 : 1);
        }
        char byte;
        EXPECT_EQ(read(ready[0], &byte, 1), 1);
        for (int fd : {ready[0], ready[1], released[1]})
            close(fd);
        return Holder{child, {release[0], release[1]}, released[0]};
    };
    const auto end = [](const Holder& holder) {
        (void)!write(holder.release[1], "x", 1);
        int status = -1;
        waitpid(holder.child, &status, 0);
        for (int fd : {holder.release[0], holder.release[1], holder.released})
            close(fd);
        return status;
    };
    Holder holder = holdLock(300);
    ASSERT_TRUE(editor.Open(dir.File("t.img")));
    // The child has let go: the open returned no earlier than the lock did.
    pollfd gone{holder.released, POLLIN, 0};
    EXPECT_EQ(poll(&gone, 1, 0), 1) << "the open did not wait";
    EXPECT_EQ(end(holder), 0);

    // Held until the refused save is over, however long that takes.
    holder = holdLock(-1);
    setenv("TESSARINE_LOCK_WAIT_MS", "50", 1);
    const std::string before = dir.Read("t.img");
    ASSERT_EQ(editor.Put("a.txd", Bytes("a")), GTA::IMGPut::kAdded);
    EXPECT_FALSE(editor.Save());
    unsetenv("TESSARINE_LOCK_WAIT_MS");
    EXPECT_EQ(editor.Fault(), GTA::IMGFault::kBusy);
    EXPECT_EQ(dir.Read("t.img"), before);
    EXPECT_EQ(end(holder), 0);
    EXPECT_TRUE(editor.Save()) << editor.Error();
}

// An extracted entry is the whole entry or no file at all, and never replaces a file.
TEST(IMGEditorInput, ExtractedEntriesAreWholeOrAbsent) {
    TempDir dir;
    std::string archive =
        "VER2" + std::string("\x02\0\0\0", 4) + ImgEntry(1, 3, "a.txd") + ImgEntry(4, 2, "cut.dff");
    archive.resize(4 * GTA::kImgSector + 100, 'a');
    dir.Write("x.img", archive);
    GTA::CIMGFile img;
    ASSERT_EQ(img.Open(dir.File("x.img")), 1);
    int error = 0;
    EXPECT_EQ(GTA::ExtractEntry(img, 0, dir.File("a.txd"), error), GTA::IMGExtracted::kWritten);
    EXPECT_EQ(dir.Read("a.txd"), std::string(3 * GTA::kImgSector, 'a'));
    dir.Write("taken", "mine");
    EXPECT_EQ(GTA::ExtractEntry(img, 0, dir.File("taken"), error), GTA::IMGExtracted::kExists);
    EXPECT_EQ(dir.Read("taken"), "mine");
    EXPECT_EQ(GTA::ExtractEntry(img, 0, dir.File("no/such/folder.txd"), error),
              GTA::IMGExtracted::kFailed);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(GTA::ExtractEntry(img, 1, dir.File("cut.dff"), error), GTA::IMGExtracted::kDamaged);
    EXPECT_FALSE(std::filesystem::exists(dir.File("cut.dff")));
    // A damaged entry does not stop the whole one before it.
    EXPECT_EQ(GTA::ExtractEntry(img, 0, dir.File("again.txd"), error), GTA::IMGExtracted::kWritten);
    Faults::Arm(2, Faults::Action::kFail, ENOSPC); // the copy, after the file was made
    EXPECT_EQ(GTA::ExtractEntry(img, 0, dir.File("full.txd"), error), GTA::IMGExtracted::kFailed);
    Faults::Disarm();
    EXPECT_EQ(error, ENOSPC);
    EXPECT_FALSE(std::filesystem::exists(dir.File("full.txd")));
}

// The real directory of 283 entries beside an archive that holds none of them, and the real
// 79-entry archive rebuilt and edited in a copy.
TEST(IMGEditorInput, RealArchives) {
    SKIP_WITHOUT_TESTDATA();
    const std::string real = TestDataDir() + "/real/img/";
    TempDir dir;
    std::filesystem::copy_file(real + "v1_dir_only/gta3_cuts.dir", dir.File("cuts.dir"));
    dir.Write("cuts.img", std::string(GTA::kImgSector, 'c'));
    GTA::CIMGEditor editor;
    ASSERT_TRUE(editor.Open(dir.File("cuts.img")));
    EXPECT_EQ(editor.Count(), 283u);
    EXPECT_FALSE(editor.Save());
    EXPECT_EQ(editor.Fault(), GTA::IMGFault::kDamaged);
    EXPECT_EQ(dir.Read("cuts.dir"), TempDir::ReadFile(real + "v1_dir_only/gta3_cuts.dir"));

    std::filesystem::copy_file(real + "v2/sa_script_79entries.img", dir.File("script.img"));
    const Content original = Read(dir.File("script.img"));
    ASSERT_TRUE(editor.Open(dir.File("script.img")));
    ASSERT_TRUE(editor.Save()) << editor.Error();
    EXPECT_EQ(Read(dir.File("script.img")), original);
    EXPECT_EQ(editor.Put("AAA.scm", Bytes("new main")), GTA::IMGPut::kReplaced);
    ASSERT_TRUE(editor.Delete("zero_ambience.scm"));
    ASSERT_TRUE(editor.Save());
    Content expected = original;
    expected[0] = {"AAA.scm", Padded("new main")};
    expected.pop_back();
    EXPECT_EQ(Read(dir.File("script.img")), expected);
}

// What a save stopped between its steps leaves, and how it is read and finished.
TEST(IMGEditorInput, InterruptedVersionOneSaves) {
    TempDir dir;
    dir.Write("p.img", std::string(GTA::kImgSector, 'o'));
    dir.Write("p.dir", ImgEntry(0, 1, "old.txd"));
    const Content old{{"old.txd", std::string(GTA::kImgSector, 'o')}};
    const Content fresh{{"new.txd", std::string(GTA::kImgSector, 'n')}};
    // Not committed: leftovers are ignored and then deleted.
    dir.Write("p.img.tessarine-new", std::string(GTA::kImgSector, 'n'));
    dir.Write("p.dir.tessarine-new", ImgEntry(0, 1, "new.txd"));
    EXPECT_EQ(Read(dir.File("p.img")), old);
    EXPECT_EQ(GTA::FinishInterruptedSave(dir.File("p.img")), 0);
    EXPECT_EQ(ReadFolder(dir.Path()).size(), 2u);
    EXPECT_EQ(Read(dir.File("p.img")), old);
    // Committed, archive not yet renamed; then the archive renamed, directory not yet.
    for (bool archiveRenamed : {false, true}) {
        dir.Write("p.img", std::string(GTA::kImgSector, archiveRenamed ? 'n' : 'o'));
        dir.Write("p.dir", ImgEntry(0, 1, "old.txd"));
        if (!archiveRenamed)
            dir.Write("p.img.tessarine-new", std::string(GTA::kImgSector, 'n'));
        dir.Write("p.dir.tessarine-ready", ImgEntry(0, 1, "new.txd"));
        EXPECT_EQ(Read(dir.File("p.img")), fresh) << archiveRenamed;
        GTA::CIMGEditor editor;
        ASSERT_TRUE(editor.Open(dir.File("p.img")));
        EXPECT_EQ(editor.Name(0), "new.txd");
        EXPECT_EQ(ReadFolder(dir.Path()).size(), 2u);
        EXPECT_EQ(Read(dir.File("p.img")), fresh);
    }
}

} // namespace
