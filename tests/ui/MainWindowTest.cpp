// The main window offscreen on copies of the bundled sample: opening (with repairs
// answered by the test), browsing, tabs, mip levels, thumbnails, the game, closing; and
// screenshots for review.
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cache/TextureDatabase.h"
#include "platform/ScriptedMessageBox.h"
#include "ui/UiTests.h"
#include "ui/WindowDriver.h"
#include "ui/controls/DlgRender.h"
#include "ui/controls/TreeCtrlEx.h"
#include "ui/main/DlgMain.h"
#include "ui/main/MenuBar.h"

#include <QComboBox>
#include <QTabBar>
#include <QTest>
#include <filesystem>

namespace fs = std::filesystem;

class MainWindowTest : public CWindowTest {
    Q_OBJECT
private slots:
    void firstRunNoticeAndEmptyState() {
        IniWriteInt(Settings::kFirstRunNoticeShown, 0);
        auto w = m_pDriver->Window();
        QCOMPARE(int(m_pBoxes->Boxes().size()), 1);
        QCOMPARE(QString::fromStdString(m_pBoxes->Boxes()[0].caption),
                 QString("Alpha version, bitches"));
        QCOMPARE(IniReadInt(Settings::kFirstRunNoticeShown), 1);
        QVERIFY(!w->MipLevels()->isEnabled());
        QVERIFY(!w->Menus()->IsEnabled(40015));
    }

    void openBrowseAndShowEveryLevel() {
        auto w = m_pDriver->Window({}, {m_strSample}); // the cache on the command line
        QVERIFY(m_pBoxes->Boxes().empty());
        QCOMPARE(w->windowTitle(), QString("sample.txt - Tessarine 0.6b NIGHT"));
        QVERIFY(w->PaneText(0).startsWith("Cache loaded within"));
        QCOMPARE(w->Tree()->topLevelItemCount(), 5);
        QCOMPARE(w->Tree()->topLevelItem(1)->text(0), QString("[+] World"));
        QVERIFY(w->Menus()->IsEnabled(40015));

        w->SelectTexture(w->Cache()->FindTexture("bricks", true));
        QCOMPARE(w->PaneText(4), QString("256 x 256"));
        QCOMPARE(w->PaneText(5), QString("GTA SA"));
        QCOMPARE(w->PaneText(6), QString("DXT1"));
        QVERIFY(w->PaneText(2).startsWith("ID: 01, Offset: 0x"));
        QVERIFY(w->PaneText(0).startsWith("Texture 'bricks' rendered within"));
        QCOMPARE(w->MipLevels()->count(), 9);
        QCOMPARE(w->MipLevels()->itemText(0), QString("Mip Level #00 (256 x 256)"));
        QCOMPARE(w->MipLevels()->itemText(8), QString("Mip Level #08 (1 x 1)"));
        QCOMPARE(w->View()->Image()->Width(), 256u);
        // Every level of every cache decodes to its size.
        for (int cache = 0; cache < 4; ++cache) {
            w->SelectTab(cache);
            QCOMPARE(int(Slot(w->CurrentCache())), cache);
            for (int level = 0; level < w->MipLevels()->count(); ++level) {
                w->MipLevels()->setCurrentIndex(level);
                emit w->MipLevels()->activated(level);
                QVERIFY(w->View()->Image());
                QCOMPARE(int(w->View()->Image()->Width()), std::max(1, 256 >> level));
            }
        }
        QCOMPARE(w->PaneText(6), QString("RGBA 5551"));

        // An alias: grey, its original in pane 1.
        QTreeWidgetItem* alias = CWindowDriver::Item(*w, "sign_early");
        QVERIFY(alias);
        QCOMPARE(alias->foreground(0).color(), QColor(0x78, 0x78, 0x78));
        w->Tree()->SelectItem(alias);
        QCOMPARE(w->PaneText(1), QString("[sign_welcome]"));

        // A category, then two textures.
        w->Tree()->SelectItem(w->Tree()->topLevelItem(2));
        QCOMPARE(w->PaneText(0), QString("Category 'Interface' selected."));
        QVERIFY(!w->MipLevels()->isEnabled());
        QTreeWidgetItem* grass = CWindowDriver::Item(*w, "grass");
        w->Tree()->SelectItem(CWindowDriver::Item(*w, "bricks"));
        const QRect r = w->Tree()->visualItemRect(grass);
        QTest::mouseClick(w->Tree()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          QPoint(r.left() + 10, r.center().y()));
        QCOMPARE(w->PaneText(0), QString("2 items selected"));
        QVERIFY(!w->View()->Image());
        QVERIFY(w->PaneText(4).isEmpty());
    }

    void tabsStepAndSnapBack() {
        // Only the PVR cache present: it is current, other tabs snap back to it.
        for (const char* cache : {"dxt", "etc", "unc"})
            for (const char* ext : {".dat", ".toc", ".tmb"})
                fs::remove(m_pDriver->Dir().File("sample/sample.") + cache + ext);
        auto w = m_pDriver->Window(m_strSample);
        QCOMPARE(int(Slot(w->CurrentCache())), 2);
        QCOMPARE(w->Tabs()->currentIndex(), 2);
        w->SelectTexture(1);
        QCOMPARE(w->PaneText(6), QString("PVRTC2"));
        w->Tabs()->setCurrentIndex(0);
        QCOMPARE(w->Tabs()->currentIndex(), 2);
        QCOMPARE(int(Slot(w->CurrentCache())), 2);
        w->OnCommand(40058); // next: missing, back to the primary
        QCOMPARE(int(Slot(w->CurrentCache())), 2);

        // All four: Ctrl+Right steps and wraps.
        auto full = m_pDriver->Window(m_pDriver->CopySample("full"));
        full->SelectTexture(1);
        full->OnCommand(40059);
        QCOMPARE(int(Slot(full->CurrentCache())), 3);
        QCOMPARE(full->PaneText(6), QString("RGBA 5551"));
        full->OnCommand(40058);
        QCOMPARE(int(Slot(full->CurrentCache())), 0);
        QCOMPARE(full->PaneText(6), QString("DXT1"));
        // The accelerators reach the same commands from the keyboard.
        QTest::keyClick(full->Tree(), Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(int(Slot(full->CurrentCache())), 1);
        QTest::keyClick(full->Tree(), Qt::Key_F6);
        QVERIFY(full->ThumbnailMode());
    }

    void thumbnailsAndGame() {
        auto w = m_pDriver->Window(m_strSample);
        w->SelectTexture(1);
        w->OnCommand(40621);
        QVERIFY(w->ThumbnailMode());
        QVERIFY(w->Menus()->IsChecked(40621));
        QCOMPARE(w->PaneText(4), QString::asprintf("%d x %d", int(w->View()->Image()->Width()),
                                                   int(w->View()->Image()->Height())));
        QVERIFY(w->View()->Image()->Width() < 256);
        w->OnCommand(40621);
        QVERIFY(!w->ThumbnailMode());
        QCOMPARE(w->View()->Image()->Width(), 256u);

        w->OnCommand(40605);
        QCOMPARE(w->GameSelection(), 1);
        QCOMPARE(w->Cache()->Game(), 1);
        QCOMPARE(IniReadInt(Settings::kGame), 1);
        QVERIFY(w->Menus()->IsChecked(40605) && !w->Menus()->IsChecked(40604));
        w->OnCommand(40604);

        // A cache without thumbnails refuses the mode.
        for (const char* cache : {"dxt", "etc", "pvr", "unc"})
            fs::remove(m_pDriver->Dir().File("sample/sample.") + cache + ".tmb");
        m_pBoxes->Answer(IDNO);
        m_pBoxes->Answer(IDNO);
        m_pBoxes->Answer(IDNO);
        m_pBoxes->Answer(IDNO);
        w->OpenCache(m_strSample);
        m_pBoxes->Clear();
        w->OnCommand(40621);
        QVERIFY(!w->ThumbnailMode());
        QCOMPARE(BoxText(0), QString("No thumbnails loaded."));
    }

    void damagedCopyIsRepairedOnRequest() {
        // A TOC that records a wrong DAT length, and a TMB missing.
        {
            std::string toc = TempDir::ReadFile(m_pDriver->Dir().File("sample/sample.dxt.toc"));
            toc[0] ^= 0x40; // the DAT length it records
            m_pDriver->Dir().Write("sample/sample.dxt.toc", toc);
        }
        fs::remove(m_pDriver->Dir().File("sample/sample.etc.tmb"));
        m_pBoxes->Answer(IDYES);
        m_pBoxes->Answer(IDYES);
        auto w = m_pDriver->Window();
        w->OpenCache(m_pDriver->Dir().File("sample/sample.pvr.dat")); // a data file names its index
        QCOMPARE(int(m_pBoxes->Boxes().size()), 2);
        QVERIFY(BoxText(0).contains("DXT.TOC file is corrupted"));
        QVERIFY(BoxText(1).contains("ETC.TMB file is corrupted"));
        QCOMPARE(w->PaneText(0), QString("Done!"));
        QVERIFY(w->Cache()->CheckToc(CacheId::kDxt));
        QCOMPARE(w->Cache()->CountThumbs(CacheId::kEtc), w->Cache()->CountTextures(CacheId::kEtc));
        QCOMPARE(w->Tree()->topLevelItemCount(), 5);

        // No index: rebuilt from the data files on Yes.
        w->UnloadCache();
        fs::remove(m_strSample);
        m_pBoxes->Clear();
        m_pBoxes->Answer(IDYES);
        w->OpenCache(m_strSample);
        QVERIFY(BoxText(0).contains("Whoa! No TXT database found."));
        QVERIFY(fs::exists(m_strSample));
        QVERIFY(w->Cache()->TextureCount() > 0);

        // Nothing at all.
        m_pBoxes->Clear();
        w->OpenCache(m_pDriver->Dir().File("nothing.txt"));
        QCOMPARE(BoxText(0), QString("No caches found, lol.\n\nCheck .DAT, .TMB and .TOC files."));
        QCOMPARE(w->PaneText(0), QString("Cache unloaded."));
        QVERIFY(!w->Cache());
    }

    void sizesMipListsAndNewCaches() {
        QCOMPARE(CDlgMain::SizeText(4096), QString("4096 B"));
        QCOMPARE(CDlgMain::SizeText(4097), QString("4.001 KB"));
        QCOMPARE(CDlgMain::SizeText(1048576), QString("1024.000 KB"));
        QCOMPARE(CDlgMain::SizeText(1048577), QString("1.000 MB"));
        auto w = m_pDriver->Window();
        w->FillMipLevels(8, 4, 4);
        QCOMPARE(w->MipLevels()->count(), 4);
        QCOMPARE(w->MipLevels()->itemText(1), QString("Mip Level #01 (4 x 2)"));
        QCOMPARE(w->MipLevels()->itemText(3), QString("Mip Level #03 (1 x 1)"));

        w->CreateCache(m_pDriver->Dir().File("new.txt"));
        QCOMPARE(w->PaneText(0), QString("Cache was successfully created."));
        QVERIFY(fs::exists(m_pDriver->Dir().File("new.pvr.dat")));
        QCOMPARE(w->Tree()->topLevelItemCount(), w->Cache()->CategoryCount());
        QVERIFY(m_pBoxes->Boxes().empty());
    }

    void damagedRastersAreRedAndThumbnailsShowInTheTree() {
        // The GL format code of one record's header (at its TOC offset) made unknown.
        CTextureDatabase db(m_strSample, 0);
        const int bricks = db.FindTexture("bricks", true);
        const int32_t offset = db.GetTocOffset(CacheId::kDxt, bricks);
        std::string dat = TempDir::ReadFile(m_pDriver->Dir().File("sample/sample.dxt.dat"));
        dat[size_t(offset) + 2] = 0x77;
        dat[size_t(offset) + 3] = 0x77;
        m_pDriver->Dir().Write("sample/sample.dxt.dat", dat);
        IniWriteInt(Settings::kShowThumbs, 1);
        auto w = m_pDriver->Window(m_strSample);
        QCOMPARE(CWindowDriver::Item(*w, "bricks")->foreground(0).color(), QColor(0xC0, 0, 0));
        QCOMPARE(CWindowDriver::Item(*w, "grass")->foreground(0).style(), Qt::NoBrush);
        QVERIFY(!CWindowDriver::Item(*w, "grass")->icon(0).isNull());
        // F5 reads the index again and keeps the selected texture.
        w->SelectTexture(db.FindTexture("tiles", true));
        w->OnCommand(40222);
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("tiles"));
        QCOMPARE(w->Tree()->CountSelected(), 1);
    }

    void closeSavesThePlaceAndViewOptionsPersist() {
        {
            auto w = m_pDriver->Window();
            w->OnCommand(40051); // Alpha
            w->OnCommand(40046); // stretch
            QVERIFY(w->View()->Options() & CDlgRender::RENDER_CHECKER);
            QVERIFY(w->View()->Options() & CDlgRender::RENDER_STRETCH);
            w->move(40, 50);
            w->close();
        }
        QCOMPARE(IniReadInt(Settings::kRenderBackground), 1);
        QVERIFY(IniReadInt(Settings::kPositionRight) > IniReadInt(Settings::kPositionLeft));
        auto again = m_pDriver->Window();
        QVERIFY(again->View()->Options() & CDlgRender::RENDER_CHECKER);
        QVERIFY(again->Menus()->IsChecked(40051));
    }

    void changesOfAnotherProgramAreOfferedForReload() {
        auto w = m_pDriver->Window(m_strSample);
        m_pBoxes->Clear();
        w->CheckDiskChanges();
        QVERIFY(m_pBoxes->Boxes().empty()); // nothing changed
        {
            CTextureDatabase other(m_strSample, 0);
            QVERIFY(other.RenameTexture(other.FindTexture("bricks", true), "stones"));
        }
        m_pBoxes->Answer(IDNO);
        w->CheckDiskChanges();
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));
        QVERIFY(BoxText(0).contains("Another program changed"));
        w->CheckDiskChanges(); // declined: not asked again for the same change
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));
        QVERIFY(CWindowDriver::Item(*w, "bricks"));
        {
            CTextureDatabase other(m_strSample, 0);
            QVERIFY(other.RenameTexture(other.FindTexture("stones", true), "pebbles"));
        }
        m_pBoxes->Answer(IDYES);
        w->CheckDiskChanges();
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(2));
        QVERIFY(CWindowDriver::Item(*w, "pebbles"));
        QVERIFY(!w->Cache()->ChangedOnDisk());
    }

    void screenshotsForReview() {
        auto w = m_pDriver->Window(m_strSample);
        w->SelectTexture(w->Cache()->FindTexture("sign_welcome", true));
        fs::create_directories(TESSARINE_SCREENSHOT_DIR);
        const char* names[] = {"background-none", "background-alpha", "background-fixed-alpha",
                               "background-single-color"};
        for (int mode = 0; mode < 4; ++mode) {
            w->OnCommand(40050 + mode);
            QVERIFY(w->grab().save(QString(TESSARINE_SCREENSHOT_DIR "/") + names[mode] + ".png"));
        }
        w->OnCommand(40051);
        w->OnCommand(40046);
        QVERIFY(w->grab().save(TESSARINE_SCREENSHOT_DIR "/stretched.png"));
        w->OnCommand(40046);
        w->OnCommand(40621);
        w->View()->SetZoom(32); // an 8 x 8 thumbnail, large enough to look at
        QVERIFY(w->grab().save(TESSARINE_SCREENSHOT_DIR "/thumbnail-mode.png"));
        w->View()->SetZoom(1);
    }
};

static UiTestRegistration<MainWindowTest> registration("MainWindowTest");
#include "MainWindowTest.moc"
