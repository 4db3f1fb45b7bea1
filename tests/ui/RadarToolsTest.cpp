// The radar map editor, the siblings list, the information box and the alias lists, opened
// from the real window on copies of the sample, answered through scripted m_pBoxes->
#include "platform/ScriptedMessageBox.h"
#include "raster/ImageFile.h"
#include "ui/UiTests.h"
#include "ui/WindowDriver.h"
#include "ui/controls/DlgRender.h"
#include "ui/tools/DlgRadarEditor.h"
#include "ui/tools/DlgSiblings.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// A picture of side x side: sea, with land in the middle quarter.
std::string Picture(const TempDir& dir, const std::string& name, uint32_t width, uint32_t height) {
    auto map = Bitmap32::Create(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const bool land =
                x >= width / 4 && x < width * 3 / 4 && y >= height / 4 && y < height * 3 / 4;
            uint8_t* p = map->Pixel(x, y);
            p[0] = land ? 60 : 160, p[1] = land ? 170 : 80, p[2] = land ? 70 : 20, p[3] = 255;
        }
    SaveBitmapByExtension(*map, dir.File(name));
    return dir.File(name);
}

QString CurrentName(CDlgMain& w) {
    QTreeWidgetItem* item = w.Tree()->currentItem();
    return item ? item->text(0) : QString();
}

} // namespace

class RadarToolsTest : public CWindowTest {
    Q_OBJECT
private slots:
    void radarEditorListsSelectsShowsAndExportsTheIsland() {
        auto w = m_pDriver->Window(m_strSample);
        const std::string exported = m_pDriver->Dir().File("radar_DXT.png");
        bool ran = false;
        CWindowDriver::OnNextDialog<CDlgRadarEditor>([&](CDlgRadarEditor* radar) {
            ran = true;
            QCOMPARE(radar->List()->topLevelItemCount(), 64);
            QTreeWidgetItem* fifth = radar->List()->topLevelItem(5);
            QCOMPARE(fifth->text(0), QString("radar05"));
            QCOMPARE(fifth->text(1), QString("128 x 128, DXT1"));
            radar->List()->setCurrentItem(fifth);
            QCOMPARE(CurrentName(*w), QString("radar05"));

            CWindowDriver::Button(radar, "Show whole map")->click();
            QVERIFY(w->View()->Image());
            QCOMPARE(w->View()->Image()->Width(), 1024u);
            QVERIFY(w->PaneText(0).contains("Texture 'radar_fuck' rendered within"));
            fs::create_directories(TESSARINE_SCREENSHOT_DIR);
            w->grab().save(TESSARINE_SCREENSHOT_DIR "/radar-whole-map.png");

            CWindowDriver::ChooseFile(exported);
            CWindowDriver::Button(radar, "Export")->click();
            radar->accept();
        });
        w->OnCommand(40277);
        QVERIFY(ran);
        QVERIFY(m_pBoxes->Boxes().empty());
        const auto map = LoadBitmapFromFile(exported);
        QVERIFY(map);
        QCOMPARE(map->Width(), 1024u);
        // The view let go of the editor's map when it closed.
        QVERIFY(!w->View()->Image() || w->View()->Image()->Width() != 1024u);
    }

    void radarImportChecksAsksRefusesClosingAndReplacesTheTiles() {
        auto w = m_pDriver->Window(m_strSample);
        const std::string wide = Picture(m_pDriver->Dir(), "wide.png", 1024, 512);
        const std::string good = Picture(m_pDriver->Dir(), "good.png", 512, 512);
        const int count = w->Cache()->TextureCount();
        bool ran = false, closedWhileBusy = false;
        CWindowDriver::OnNextDialog<CDlgRadarEditor>([&](CDlgRadarEditor* radar) {
            ran = true;
            radar->ImportMap(QString::fromStdString(wide));
            QCOMPARE(int(m_pBoxes->Boxes().size()), 1);
            QCOMPARE(BoxText(0), QString("Image must be square."));
            QCOMPARE(QString::fromStdString(m_pBoxes->Boxes()[0].caption), QString("Error"));
            m_pBoxes->Clear();

            // The import through the button: the file, then "Use alpha?" answered No; a
            // close meanwhile is refused. The close is tried at the first events handled while
            // the import runs, however fast the machine.
            CWindowDriver::ChooseFile(good);
            m_pBoxes->Answer(IDNO);
            QTimer closer;
            QObject::connect(&closer, &QTimer::timeout, radar, [&] {
                if (!radar->Busy())
                    return;
                closer.stop();
                closedWhileBusy = true;
                radar->close();
            });
            closer.start(0);
            CWindowDriver::Button(radar, "Import")->click();
            QTRY_VERIFY(!radar->Busy());
            QVERIFY(radar->isVisible());
            QCOMPARE(BoxText(0), QString("Use alpha?"));
            QCOMPARE(QString::fromStdString(m_pBoxes->Boxes().back().text),
                     QString("Please wait until operation ended"));
            QCOMPARE(radar->List()->topLevelItem(0)->text(1), QString("64 x 64, DXT1"));

            // The new map has 48 tiles of one sea picture and 16 of one land picture.
            m_pBoxes->Clear();
            CWindowDriver::Button(radar, "Optimize Radar Map")->click();
            int aliases = 0;
            for (int row = 0; row < radar->List()->topLevelItemCount(); ++row)
                aliases += radar->List()->topLevelItem(row)->text(2).isEmpty() ? 0 : 1;
            QCOMPARE(aliases, 62);
            radar->accept();
        });
        w->OnCommand(40277);
        QVERIFY(ran);
        QVERIFY(closedWhileBusy);
        QCOMPARE(w->Cache()->TextureCount(), count);
        QVERIFY(CWindowDriver::Item(*w, "radar63"));
        QVERIFY(!w->Cache()->ChangedOnDisk());
    }

    void aCacheChangedElsewhereIsNotReloadedUnderAnOpenTool() {
        auto w = m_pDriver->Window(m_strSample);
        const CTextureDatabase* opened = w->Cache();
        CWindowDriver::OnNextDialog<CDlgRadarEditor>([&](CDlgRadarEditor* radar) {
            // Another program appends to the index while the editor is open.
            std::ofstream(m_strSample, std::ios::app) << "\"other\" \"affiliate=bricks\"\r\n";
            QTest::qWait(CDlgMain::kDiskCheckMs + 500);
            QVERIFY(m_pBoxes->Boxes().empty());
            radar->accept();
        });
        w->OnCommand(40277);
        QCOMPARE(w->Cache(), opened);
        m_pBoxes->Answer(IDNO);
        QTRY_VERIFY_WITH_TIMEOUT(!m_pBoxes->Boxes().empty(), CDlgMain::kDiskCheckMs * 2);
        QVERIFY(BoxText(0).contains("Another program changed"));
    }

    void radarEditorWithoutTilesSaysSo() {
        auto w = m_pDriver->Window();
        w->CreateCache(m_pDriver->Dir().File("empty.txt"));
        m_pBoxes->Clear();
        CWindowDriver::OnNextDialog<CDlgRadarEditor>([&](CDlgRadarEditor* radar) {
            QVERIFY(!CWindowDriver::Button(radar, "Export")->isEnabled());
            QVERIFY(!CWindowDriver::Button(radar, "Show whole map")->isEnabled());
            QVERIFY(CWindowDriver::Button(radar, "Import")->isEnabled());
            radar->accept();
        });
        w->OnCommand(40277);
        QCOMPARE(BoxText(0), QString("Radar map not found."));
    }

    void siblingsInformationAndAliasLists() {
        auto w = m_pDriver->Window(m_strSample);
        w->SelectTexture(w->Cache()->FindTexture("bricks", true));
        bool ran = false;
        CWindowDriver::OnNextDialog<CDlgSiblings>([&](CDlgSiblings* siblings) {
            ran = true;
            QCOMPARE(siblings->RowCount(), 1);
            QTreeWidgetItem* row = siblings->List()->topLevelItem(0);
            QCOMPARE(row->text(0), QString("11"));
            QCOMPARE(row->text(1), QString("bricks_old"));
            QVERIFY(siblings->windowTitle().contains("bricks"));
            siblings->List()->setCurrentItem(row);
            QCOMPARE(CurrentName(*w), QString("bricks_old"));
            siblings->accept();
        });
        w->OnCommand(40271);
        QVERIFY(ran);
        QVERIFY(m_pBoxes->Boxes().empty());

        w->SelectTexture(w->Cache()->FindTexture("grass", true));
        w->OnCommand(40271);
        QCOMPARE(BoxText(0), QString("No aliases found."));
        QVERIFY(!QApplication::activeModalWidget());
        m_pBoxes->Clear();

        // The information box and the alias lists.
        w->OnCommand(40602);
        const std::string info = m_pBoxes->Boxes().at(0).text;
        QVERIFY(info.starts_with("Game: GTA SA\n"));
        QVERIFY(info.find("Total:     77\nOriginals: 74\nAliases:   3\n") != std::string::npos);
        QVERIFY(info.find("TOTAL size: 1.") != std::string::npos);
        m_pBoxes->Clear();

        const std::string list = m_pDriver->Dir().File("aliases.txt");
        CWindowDriver::ChooseFile(list);
        w->OnCommand(40357);
        QCOMPARE(QString::fromStdString(TempDir::ReadFile(list)),
                 QString("sign_early sign_welcome\nbricks_old bricks\ncar_paint2 car_paint\n"));

        m_pDriver->Dir().Write("more.txt", "bricks_new bricks\nbricks_old bricks\nx \"y\n");
        CWindowDriver::ChooseFile(m_pDriver->Dir().File("more.txt"));
        w->OnCommand(40358);
        const std::string report = m_pBoxes->Boxes().at(0).text;
        QVERIFY(report.starts_with("1 aliases created.\n\n2 lines not taken:\nline 2: "));
        QVERIFY(CWindowDriver::Item(*w, "bricks_new"));
        QVERIFY(!w->Cache()->ChangedOnDisk());
    }
};

static UiTestRegistration<RadarToolsTest> registration("RadarToolsTest");
#include "RadarToolsTest.moc"
