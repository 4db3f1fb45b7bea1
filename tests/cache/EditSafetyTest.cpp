// Every edit of a cache is all or nothing: each write that can fail is made to fail, and
// child processes are killed at every write and at random moments; afterwards the files
// of the cache are byte for byte either what they were or what the edit makes of them.
#include "cache/TextureDatabase.h"
#include "pipeline/ImportImage.h"
#include "platform/Faults.h"
#include "platform/ScriptedMessageBox.h"
#include "raster/ImageFile.h"
#include "support/CacheBuilder.h"
#include "support/CacheFiles.h"
#include "support/CoreFixtures.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace {

using DB = CTextureDatabase;
using H = CCacheHelper;
using Damage = std::function<void(const TempDir&)>; // what a repair has to mend

// One edit, run in this process and as the command line ("@" stands for the folder).
struct Operation {
    std::string command;
    std::function<void(DB&, H&)> run;
    Damage damage = nullptr;
};

// The file cut to the length, or removed (-1).
Damage Cut(const char* file, int64_t length) {
    return [=](const TempDir& dir) {
        if (length < 0)
            std::filesystem::remove(dir.File(file));
        else
            std::filesystem::resize_file(dir.File(file), uintmax_t(length));
    };
}

std::unique_ptr<Bitmap32> Picture(uint32_t side) {
    auto b = Bitmap32::Create(side, side);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x) {
            uint8_t* p = b->Pixel(x, y);
            p[0] = static_cast<uint8_t>(x * 16), p[1] = static_cast<uint8_t>(y * 16);
            p[2] = static_cast<uint8_t>(x ^ y), p[3] = x < side / 2 ? 255 : 90;
        }
    return b;
}

int Find(CTextureDatabase& db, const char* name) {
    const int t = db.FindTexture(name, true);
    if (t < 0)
        throw std::runtime_error(std::string("no texture ") + name);
    return t;
}

void Import(CCacheHelper& helper, const std::string& name) {
    if (!ImportImage(helper, *Picture(16), name, true, 0, false, std::nullopt, 2))
        throw std::runtime_error("import refused");
}

std::vector<Operation> Operations() {
    return {
        {"import @/s.txt @/pictures/fresh.png", [](DB&, H& h) { Import(h, "fresh"); }},
        {"import @/s.txt @/pictures/b.png --replace",
         [](DB& db, H& h) {
             CEditScope edit(db);
             if (!db.DeleteTexture(Find(db, "b"), db.TextureCount() - 1, true))
                 throw std::runtime_error("replace refused");
             Import(h, "b");
         }},
        {"delete @/s.txt a c",
         [](DB& db, H&) {
             db.DeleteTextures({Find(db, "a"), Find(db, "c")});
         }},
        {"delete @/s.txt b", [](DB& db, H&) { db.DeleteTexture(Find(db, "b"), -1, true); }},
        {"rename @/s.txt a apple", [](DB& db, H&) { db.RenameTexture(Find(db, "a"), "apple"); }},
        {"alias @/s.txt x b", [](DB& db, H&) { db.AddAlias("x", "b"); }},
        {"category delete @/s.txt One", [](DB& db, H&) { db.DeleteCategory(1); }},
        {"fix @/s.txt --yes", [](DB& db, H&) { db.FixToc(CacheId::kDxt); }, Cut("s.dxt.toc", 12)},
        {"fix @/s.txt --yes",
         [](DB& db, H& h) { db.RebuildTmb(CacheId::kEtc, RecordLayout::kSA, h.Thumbnails()); },
         Cut("s.etc.tmb", 300)},
        {"fix @/s.dxt.dat --yes", [](DB& db, H&) { db.RebuildFromDat(); }, Cut("s.txt", -1)},
        {"create @/s.txt --force", [](DB& db, H&) { db.Create(db.Path()); }},
    };
}

class EditSafety : public ::testing::Test {
protected:
    void SetUp() override {
        CacheBuilder b(m_Dir.Path(), "s", 2, 0b1111);
        b.categories = {"Default", "One", "Two"};
        b.Add("a", 8, 8, RASTER_DXT1, true, true);
        b.AddAlias("al", "a");
        b.Add("b", 8, 8, RASTER_RGBA4444).extraItems = " cat=2";
        b.Add("c", 16, 16, RASTER_RGBA8888, false, true).extraItems = " cat=1";
        b.AddAlias("cl", "c");
        b.Add("d", 4, 4, RASTER_RGBA8888);
        b.Write();
        m_Base = ReadCacheFiles(m_Dir.Path(), "s");
    }
    void TearDown() override { Faults::Disarm(); }

    // The files before the operation (after its damage), written to the folder.
    CacheFiles Prepare(const Operation& op) {
        WriteCacheFiles(m_Dir.Path(), m_Base);
        if (op.damage)
            op.damage(m_Dir);
        return ReadCacheFiles(m_Dir.Path(), "s");
    }
    // Runs the operation undisturbed: the files after it, and its number of writes.
    CacheFiles Reference(const Operation& op, int64_t& writes) {
        {
            CTextureDatabase db(m_Dir.File("s.txt"), 0);
            CCacheHelper helper(&db);
            Faults::Disarm();
            op.run(db, helper);
            writes = Faults::Count();
        }
        return ReadCacheFiles(m_Dir.Path(), "s");
    }
    void ExpectBeforeOrAfter(const CacheFiles& before, const CacheFiles& after, const char* how,
                             int64_t point) {
        const CacheFiles now = ReadCacheFiles(m_Dir.Path(), "s");
        EXPECT_TRUE(now == before || now == after)
            << how << " at " << point << ": differs from before in "
            << DescribeDifference(now, before) << "and from after in "
            << DescribeDifference(now, after);
        EXPECT_EQ(EditLeftovers(m_Dir.Path()), std::vector<std::string>{}) << how << " " << point;
    }

    OwnSettings m_Settings{true};
    TempDir m_Dir;
    CScriptedMessageBox m_Boxes;
    CacheFiles m_Base;
};

// Each trial kills a tessarine-cli process running the operation: first at every write
// in turn, then at random moments. TESSARINE_KILL_TRIALS sets the number of random
// trials per operation.
int KillTrials() {
    const char* text = std::getenv("TESSARINE_KILL_TRIALS");
    return text ? std::max(1, std::atoi(text)) : 30;
}

// Runs the command line; kills it at the given write (0: never). Returns the child.
pid_t StartCli(const Operation& op, const std::string& folder, int64_t killAt) {
    std::vector<std::string> arguments;
    std::istringstream words(op.command);
    for (std::string word; words >> word;)
        arguments.push_back(word[0] == '@' ? folder + word.substr(1) : word);
    arguments.push_back("--settings=" + folder + "/pictures/tessarine.ini");
    return ::StartCli(arguments, killAt);
}

} // namespace

TEST_F(EditSafety, EveryFailingWriteLeavesTheCacheAsItWas) {
    for (const Operation& op : Operations()) {
        SCOPED_TRACE(op.command);
        const CacheFiles before = Prepare(op);
        int64_t writes = 0;
        const CacheFiles after = Reference(op, writes);
        ASSERT_NE(after, before);
        ASSERT_GT(writes, 0);
        for (int64_t point = 1; point <= writes; ++point) {
            for (int error : {ENOSPC, EIO}) {
                WriteCacheFiles(m_Dir.Path(), before);
                {
                    CTextureDatabase db(m_Dir.File("s.txt"), 0);
                    CCacheHelper helper(&db);
                    Faults::Arm(point, Faults::Action::kFail, error);
                    try {
                        op.run(db, helper);
                    } catch (const CWriteError& failure) {
                        EXPECT_EQ(failure.Errno(), error) << failure.what();
                    }
                    Faults::Disarm();
                }
                ExpectBeforeOrAfter(before, after, "failed write", point);
            }
        }
    }
}

TEST_F(EditSafety, KilledEditsAreFinishedOrUndoneAtTheNextOpen) {
    std::filesystem::create_directory(m_Dir.File("pictures"));
    ASSERT_TRUE(SaveBitmapByExtension(*Picture(16), m_Dir.File("pictures/fresh.png")));
    ASSERT_TRUE(SaveBitmapByExtension(*Picture(8), m_Dir.File("pictures/b.png")));
    m_Dir.Write("pictures/tessarine.ini", "[global]\ngame=2\n");
    const int trials = KillTrials();
    std::mt19937 random(20261207);
    for (const Operation& op : Operations()) {
        SCOPED_TRACE(op.command);
        const CacheFiles before = Prepare(op);
        const auto start = std::chrono::steady_clock::now();
        int status = 0;
        waitpid(StartCli(op, m_Dir.Path(), 0), &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        const long took = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                std::chrono::steady_clock::now() - start)
                                                .count());
        const CacheFiles after = ReadCacheFiles(m_Dir.Path(), "s");
        ASSERT_NE(after, before);
        // Every write in turn, until the command runs to its end; then random moments.
        bool finished = false;
        for (int64_t point = 1, randoms = 0; randoms < trials; point += !finished) {
            WriteCacheFiles(m_Dir.Path(), before);
            const pid_t child = StartCli(op, m_Dir.Path(), finished ? 0 : point);
            if (finished) {
                std::uniform_int_distribution<long> moment(0, took + took / 4);
                usleep(static_cast<useconds_t>(moment(random)));
                kill(child, SIGKILL);
                ++randoms;
            }
            waitpid(child, &status, 0);
            if (!finished && WIFEXITED(status))
                finished = true; // fewer writes than this point: every write was a kill
            { CTextureDatabase recovered(m_Dir.File("s.txt"), 0); }
            ExpectBeforeOrAfter(before, after, finished ? "random kill" : "kill at write", point);
            ASSERT_FALSE(HasFailure());
        }
    }
}
