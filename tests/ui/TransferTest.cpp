// The window's imports and exports on copies of the sample, through the menu commands,
// their file and folder dialogs and the scripted answers: the replace questions, a bad
// file that must not cost the old texture, and exports that report what failed.
#include "cache/CacheCheck.h"
#include "cache/TextureDatabase.h"
#include "platform/ScriptedMessageBox.h"
#include "raster/ImageFile.h"
#include "ui/UiTests.h"
#include "ui/WindowDriver.h"
#include "ui/controls/DlgRender.h"
#include "ui/main/LongRun.h"

#include <QImage>
#include <QMimeData>
#include <QProgressDialog>
#include <QTest>
#include <QUrl>
#include <atomic>
#include <sched.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

QStringList Files(const std::string& folder) {
    QStringList names;
    for (const auto& entry : fs::directory_iterator(folder))
        names << QString::fromStdString(entry.path().filename().string());
    names.sort();
    return names;
}

} // namespace

class TransferTest : public CWindowTest {
    Q_OBJECT
    // A square picture of one colour, half transparent when alpha is set.
    QString Picture(const std::string& name, int side, QRgb colour) {
        const std::string path = m_pDriver->Dir().File("in/" + name);
        fs::create_directories(m_pDriver->Dir().File("in"));
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(colour);
        image.save(QString::fromStdString(path));
        return QString::fromStdString(path);
    }

private slots:
    void importAsksBeforeReplacingAndYesForAllOnTheFourthYes() {
        auto w = m_pDriver->Window(m_strSample);
        const int count = w->Cache()->TextureCount();
        QStringList files;
        for (const char* name : {"bricks", "grass", "tiles", "sky", "sign_welcome"})
            files << Picture(std::string(name) + ".new.png", 32, 0xFF00FF00);
        files << Picture("fresh.png", 16, 0x80FF0000);
        // Four Yes, then Yes for all: the fifth is replaced without a question.
        for (int i = 0; i < 5; ++i)
            m_pBoxes->Answer(IDYES);
        w->Tree()->SelectItem(w->CategoryItem(2)); // into Interface
        CWindowDriver::ChooseFiles(files);
        w->OnCommand(40202);
        QCOMPARE(int(m_pBoxes->Boxes().size()), 5);
        QCOMPARE(BoxText(0),
                 QString("Texture 'bricks' already exists. Would you like to replace it?"));
        QCOMPARE(BoxText(4), QString("Yes for all?"));
        QCOMPARE(w->Cache()->TextureCount(), count + 1);
        // Replaced textures are appended in the chosen category; aliases follow them.
        const int bricks = w->Cache()->FindTexture("bricks", true);
        QVERIFY(bricks >= count - 5);
        QCOMPARE(int(w->Cache()->Textures()[bricks].cat), 2);
        QCOMPARE(w->Cache()->GetOriginalIndex(w->Cache()->FindTexture("bricks_old", true)), bricks);
        QCOMPARE(w->Cache()->GetOriginalIndex(w->Cache()->FindTexture("sign_early", true)),
                 w->Cache()->FindTexture("sign_welcome", true));
        QCOMPARE(w->Cache()->GetWidth(CacheId::kDxt, bricks, false), 32);
        QCOMPARE(w->Tree()->currentItem()->text(0),
                 QString::fromStdString(w->Cache()->GetTextureName(count)));
        QVERIFY(CheckCache(*w->Cache()).empty());

        // No skips, Cancel ends the import.
        m_pBoxes->Clear();
        m_pBoxes->Answer(IDNO);
        m_pBoxes->Answer(IDCANCEL);
        CWindowDriver::ChooseFiles({files[0], files[1], files[5]});
        w->OnCommand(40205);
        QCOMPARE(int(m_pBoxes->Boxes().size()), 2);
        QCOMPARE(w->Cache()->TextureCount(), count + 1);
    }

    void aBadFileNeverCostsTheOldTexture() {
        auto w = m_pDriver->Window(m_strSample);
        const int count = w->Cache()->TextureCount();
        const QString odd = Picture("tiles.png", 48, 0xFF0000FF);
        const QString good = Picture("hud_new.png", 64, 0xFFFFFFFF);
        m_pDriver->Dir().Write("in/grass.png", "not a picture at all");
        m_pBoxes->Answer(IDYES); // replace grass
        m_pBoxes->Answer(IDYES); // continue after it failed
        m_pBoxes->Answer(IDYES); // replace tiles
        m_pBoxes->Answer(IDYES); // continue after it failed
        CWindowDriver::ChooseFiles(
            {QString::fromStdString(m_pDriver->Dir().File("in/grass.png")), odd, good});
        w->OnCommand(40273);
        QCOMPARE(int(m_pBoxes->Boxes().size()), 4);
        QVERIFY(BoxText(1).contains("grass.png:\nit is not an image this program reads\n"
                                    "Continue?"));
        QVERIFY(BoxText(3).contains("48 x 48 is not a power of two"));
        QCOMPARE(w->Cache()->TextureCount(), count + 1);
        QCOMPARE(w->Cache()->GetWidth(CacheId::kDxt, w->Cache()->FindTexture("grass", true), false),
                 256);
        // Uncompressed: 32 bits in every cache.
        const int fresh = w->Cache()->FindTexture("hud_new", true);
        QCOMPARE(QString(w->Cache()->GetFormatName(CacheId::kDxt, fresh, false)),
                 QString("RGBA 8888"));
        QVERIFY(CheckCache(*w->Cache()).empty());
    }

    void exportsWriteInsideTheFolderAndReportFailures() {
        auto w = m_pDriver->Window(m_strSample);
        const std::string all = m_pDriver->Dir().File("all");
        const std::string world = m_pDriver->Dir().File("world");
        const std::string none = m_pDriver->Dir().File("none");
        for (const std::string& folder : {all, world, none})
            fs::create_directories(folder);
        // Without aliases.
        m_pBoxes->Answer(IDNO);
        CWindowDriver::ChooseFolder(all);
        w->OnCommand(40065);
        QCOMPARE(QString::fromStdString(m_pBoxes->Boxes()[0].caption), QString("Export all"));
        QCOMPARE(int(Files(all).size()), w->Cache()->OrdinaryCount());
        QVERIFY(!Files(all).contains("bricks_old.png"));
        QCOMPARE(IniReadString(Settings::kLastExportDir), all + "/");
        // One category, with its aliases; a file that cannot be written is reported and
        // the others are still written.
        fs::create_directories(world + "/grass.png");
        m_pBoxes->Clear();
        m_pBoxes->Answer(IDYES);
        w->Tree()->SelectItem(w->CategoryItem(1));
        CWindowDriver::ChooseFolder(world);
        w->OnCommand(40209);
        QCOMPARE(QString::fromStdString(m_pBoxes->Boxes()[0].caption),
                 QString("Export 'World' category"));
        QCOMPARE(Files(world),
                 (QStringList{"bricks.png", "bricks_old.png", "grass.png", "sign_early.png",
                              "sign_welcome.png", "sky.png", "tiles.png"}));
        QVERIFY(m_pBoxes->Boxes()[1].text.find("1 of 7 textures could not be exported:\n" + world +
                                               "/grass.png: the file could not be written") !=
                std::string::npos);
        QImage exported(QString::fromStdString(world + "/sky.png"));
        QCOMPARE(exported.size(), QSize(256, 128));
        // Cancel writes nothing.
        m_pBoxes->Clear();
        m_pBoxes->Answer(IDCANCEL);
        w->OnCommand(40065);
        QVERIFY(Files(none).isEmpty());

        // A selection of two into a folder, each name as its file.
        CWindowDriver::Select(*w, {"tiles", "hud_title"});
        CWindowDriver::ChooseFolder(none);
        w->OnCommand(40012);
        QCOMPARE(Files(none), (QStringList{"hud_title.png", "tiles.png"}));
    }

    void cancelStopsBetweenTexturesAndKeepsWhatWasDone() {
        auto w = m_pDriver->Window(m_strSample);
        const int count = w->Cache()->TextureCount();
        CLongRun::SetBoxDelay(0);
        // Presses Cancel once the run has done two items.
        QTimer canceller;
        canceller.setInterval(0);
        connect(&canceller, &QTimer::timeout, [&] {
            auto* box = w->findChild<QProgressDialog*>("LongRun");
            if (box && box->isVisible() && box->value() >= 2)
                box->cancel();
        });
        canceller.start();
        QStringList files;
        for (int i = 0; i < 6; ++i)
            files << Picture("new" + std::to_string(i) + ".png", 16, 0xFF0000FFu + i);
        CWindowDriver::ChooseFiles(files);
        w->OnCommand(40205);
        const int imported = w->Cache()->TextureCount() - count;
        QVERIFY(imported >= 2 && imported < 6);
        QVERIFY(CheckCache(*w->Cache()).empty());
        CTextureDatabase reread(m_strSample, 0);
        QCOMPARE(reread.TextureCount(), count + imported);

        // The export reads ahead of its writers by two textures per processor: with many
        // processors every record may be read before two are written, and the Cancel
        // would come after the last. On one processor the run outlasts two textures.
        cpu_set_t all, one;
        QCOMPARE(sched_getaffinity(0, sizeof all, &all), 0);
        CPU_ZERO(&one);
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
            if (CPU_ISSET(cpu, &all)) {
                CPU_SET(cpu, &one);
                break;
            }
        QCOMPARE(sched_setaffinity(0, sizeof one, &one), 0);
        const std::string out = m_pDriver->Dir().File("out");
        fs::create_directories(out);
        m_pBoxes->Answer(IDYES);
        CWindowDriver::ChooseFolder(out);
        w->OnCommand(40065);
        sched_setaffinity(0, sizeof all, &all);
        canceller.stop();
        CLongRun::SetBoxDelay(800);
        QVERIFY(Files(out).size() >= 2 && Files(out).size() < w->Cache()->TextureCount());
        QVERIFY(m_pBoxes->Boxes().back().text.find("Export cancelled after") == 0);
    }

    void droppedImagesGoIntoTheCategoryUnderThePoint() {
        auto w = m_pDriver->Window(m_strSample);
        const QString clear = Picture("glass_new.png", 32, 0x80FFFFFF);
        const QString solid = Picture("paint_new.png", 32, 0xFF102030);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(clear), QUrl::fromLocalFile(solid)});
        const QRect r = w->Tree()->visualItemRect(w->CategoryItem(3));
        const QPointF point(r.left() + 10, r.center().y());
        QDragEnterEvent enter(point.toPoint(), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(w->Tree()->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w->Tree()->viewport(), &drop);
        QVERIFY(drop.isAccepted());
        QTRY_VERIFY(w->Cache()->FindTexture("paint_new", true) >= 0);
        const TextureRecord& glass =
            w->Cache()->Textures()[w->Cache()->FindTexture("glass_new", true)];
        const TextureRecord& paint =
            w->Cache()->Textures()[w->Cache()->FindTexture("paint_new", true)];
        QCOMPARE(int(glass.cat), 3);
        QCOMPARE(int(paint.cat), 3);
        QVERIFY(glass.alphamode != 0); // its alpha kept
        QCOMPARE(int(paint.alphamode), 0);
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("paint_new"));
        QVERIFY(m_pBoxes->Boxes().empty());
        fs::create_directories(TESSARINE_SCREENSHOT_DIR);
        QVERIFY(w->grab().save(TESSARINE_SCREENSHOT_DIR "/drop-import.png"));
    }

    void hooksServeAWorkerThread() {
        auto w = m_pDriver->Window(m_strSample);
        const int count = w->Cache()->TextureCount();
        const int tocBytes = int(fs::file_size(m_pDriver->Dir().File("sample/sample.pvr.toc")));
        std::atomic<bool> done = false;
        bool targetCleared = false;
        std::unique_ptr<Bitmap32> decoded;
        std::thread worker([&] {
            IMainWindowHooks& hooks = *w;
            decoded = hooks.GetDataHook(w->Cache()->FindTexture("sky", true), 1);
            TextureImportRequest request;
            request.name = "sky_copy";
            request.category = 3;
            request.targetCache = 2; // ignored without targetGiven
            hooks.ImportHook(request, decoded.get());
            request.name = "sky_alias";
            request.affiliateName = "sky";
            hooks.ImportHook(request, nullptr);
            // An alias into one cache being filled: only its TOC grows.
            targetCleared = request.targetCache == -1;
            request.targetGiven = 1;
            request.targetCache = 2;
            hooks.ImportHook(request, nullptr);
            hooks.SetFocusHook(w->Cache()->FindTexture("tiles", true));
            hooks.RenderHook(nullptr, decoded.get());
            done = true;
        });
        // Each hook encodes or decodes on the window's thread; under the sanitizers that
        // takes far longer than QTRY's default five seconds, and a test that gave up here
        // would leave the thread unjoined and end the whole run.
        QTRY_VERIFY_WITH_TIMEOUT(done, 60000);
        worker.join();
        QVERIFY(decoded);
        QCOMPARE(decoded->Width(), 256u);
        QVERIFY(targetCleared);
        QCOMPARE(w->Cache()->TextureCount(), count + 2);
        const int copy = w->Cache()->FindTexture("sky_copy", true);
        QCOMPARE(int(w->Cache()->Textures()[copy].cat), 3);
        QVERIFY(CWindowDriver::Item(*w, "sky_alias"));
        QCOMPARE(int(fs::file_size(m_pDriver->Dir().File("sample/sample.pvr.toc"))), tocBytes + 12);
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("tiles"));
        // The view shows its own copy, which outlives the sender's bitmap.
        QVERIFY(w->View()->Image() && w->View()->Image() != decoded.get());
        QCOMPARE(w->View()->Image()->Width(), decoded->Width());
        decoded.reset();
        w->View()->repaint();
        QVERIFY(w->PaneText(0).startsWith("Texture 'unnamed' rendered within"));
        w->RenderHook(nullptr, nullptr);
        QVERIFY(!w->View()->Image());
        QVERIFY(m_pBoxes->Boxes().empty());
    }
};

static UiTestRegistration<TransferTest> registration("TransferTest");
#include "TransferTest.moc"
