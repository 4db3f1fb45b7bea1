// The archive windows on archives the tests build from real files: the entry list, the
// checked dictionaries imported into a copy of the sample (known names skipped, a broken
// entry asking whether to go on), one dictionary through the dictionary window, and the
// entry export that never writes over a file nor a cut entry; and the archive edits of both
// versions, read back through the reader, with a failed save leaving the archive as it was.
#include "app/Log.h"
#include "cache/CacheCheck.h"
#include "cache/TextureDatabase.h"
#include "gta/IMGEditor.h"
#include "platform/Faults.h"
#include "platform/ScriptedMessageBox.h"
#include "support/ImgBuilder.h"
#include "ui/UiTests.h"
#include "ui/WindowDriver.h"
#include "ui/main/EditTexts.h"
#include "ui/tools/DlgIMGTool.h"
#include "ui/tools/DlgImportTXD.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <cerrno>
#include <map>

namespace fs = std::filesystem;

namespace {

const std::string kReal = TESSARINE_TESTDATA_DIR "/real/";

// Every entry's name with its bytes, padding removed, as the reader finds them.
std::map<std::string, std::string> Entries(const std::string& archive) {
    GTA::CIMGFile img;
    std::map<std::string, std::string> entries;
    if (!img.Open(archive))
        return entries;
    std::vector<uint8_t> data;
    for (uint32_t e = 0; e < img.GetEntryCount(); ++e) {
        img.ReadEntry(data, e);
        std::string bytes(data.begin(), data.end());
        bytes.erase(bytes.find_last_not_of('\0') + 1);
        entries[img.GetEntryName(e)] = bytes;
    }
    return entries;
}

} // namespace

class ImgToolsTest : public CWindowTest {
    Q_OBJECT

    std::string m_strArchive;

private slots:
    void init() {
        if (!fs::exists(kReal + "txd/pc/sa_LD_CHAT.txd"))
            QSKIP("the real files are not here");
        Start();
        m_strArchive = BuildArchive(
            m_pDriver->Dir(), "test.img",
            {{"broken.txd", std::string(3000, '\x16')},
             {"LD_CHAT.txd", TempDir::ReadFile(kReal + "txd/pc/sa_LD_CHAT.txd")},
             {"VEHICLE2.txd", TempDir::ReadFile(kReal + "txd/ps2/sa_ps2_VEHICLE2.txd")},
             {"hoop.dff", TempDir::ReadFile(kReal + "dff/sa_hoop.dff")}});
    }

    // A No to the question after a broken entry stops the run; Yes goes on. A second run
    // finds every name in the cache and skips them all.
    void importCheckedSkipsKnownNames() {
        auto w = m_pDriver->Window(m_strSample);
        CTextureDatabase& db = *w->Cache();
        const int before = db.TextureCount();
        CDlgImportIMG tool(&db, *w, 3, w.get());
        tool.show();
        QVERIFY(tool.OpenArchive(QString::fromStdString(m_strArchive)));
        QTreeWidget* list = tool.List();
        QCOMPARE(list->topLevelItemCount(), 4);
        QCOMPARE(list->topLevelItem(0)->text(0), QString("broken.txd"));
        QCOMPARE(list->topLevelItem(0)->text(2), QString("0x00000800"));
        QCOMPARE(tool.StatusLabel()->text(), QString("OK"));

        list->topLevelItem(0)->setCheckState(0, Qt::Checked);
        list->topLevelItem(1)->setCheckState(0, Qt::Checked);
        m_pBoxes->Answer(IDNO);
        tool.OnImportChecked();
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));
        QCOMPARE(m_pBoxes->Boxes()[0].caption, std::string("broken.txd"));
        QVERIFY(BoxText(0).contains("\n\nDo you want to continue?"));
        QCOMPARE(db.TextureCount(), before);

        m_pBoxes->Clear();
        tool.OnCheckAll();
        m_pBoxes->Answer(IDYES); // broken.txd
        m_pBoxes->Answer(IDYES); // hoop.dff is no dictionary
        tool.OnImportChecked();
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(2));
        QCOMPARE(tool.Imported(), 7);
        QCOMPARE(db.TextureCount(), before + 7);
        QCOMPARE(int(db.Textures()[size_t(db.FindTexture("vehmirref32", true))].cat), 3);
        QCOMPARE(tool.StatusLabel()->text(), QString("7 imported, 0 skipped, 2 failed"));
        QVERIFY(CWindowDriver::Item(*w, "thumbup"));

        m_pBoxes->Clear();
        list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
        list->topLevelItem(3)->setCheckState(0, Qt::Unchecked);
        const std::string log = m_pDriver->Dir().File("run.log");
        LogOpen(log);
        tool.OnImportChecked();
        LogClose();
        QVERIFY(m_pBoxes->Boxes().empty());
        const std::string logged = TempDir::ReadFile(log);
        for (const char* name : {"thumbup", "badchat", "vehmirref32"})
            QVERIFY(logged.find(std::string("Texture '") + name +
                                "' SKIPPED (reason: already exists)") != std::string::npos);
        QCOMPARE(tool.Imported(), 0);
        QCOMPARE(tool.Skipped(), 7);
        QCOMPARE(db.TextureCount(), before + 7);
        QVERIFY(CheckCache(db, true).empty());
    }

    // One entry through the dictionary window; the archive stays open and readable after.
    void importSelectedUsesTheDictionaryWindow() {
        auto w = m_pDriver->Window(m_strSample);
        CDlgImportIMG tool(w->Cache(), *w, 0, w.get());
        QVERIFY(tool.OpenArchive(QString::fromStdString(m_strArchive)));
        tool.List()->setCurrentItem(tool.List()->topLevelItem(1));
        int listed = 0;
        CWindowDriver::OnNextDialog<CDlgImportTXD>([&listed](CDlgImportTXD* txd) {
            listed = txd->List()->topLevelItemCount();
            txd->OnImport();
        });
        tool.OnImportSelected();
        QCOMPARE(listed, 6);
        QVERIFY(w->Cache()->FindTexture("badchat", true) >= 0);
        QVERIFY(tool.Archive().Handle() >= 0);
        const std::string out = m_pDriver->Dir().File("chat.txd");
        QVERIFY(tool.ExportCurrentTo(QString::fromStdString(out)));
        QCOMPARE(fs::file_size(out) % 2048, 0u);
    }

    // The tool saves an entry only as a new file, never under a path out of the folder, and
    // refuses an entry the archive holds only part of; its editing buttons wait for an
    // archive.
    void entryExportNeverWritesOverAFile() {
        auto w = m_pDriver->Window(m_strSample);
        CDlgIMGTool tool(w->Cache(), *w, 0, w.get());
        QVERIFY(!CWindowDriver::Button(&tool, "Add File")->isEnabled());
        QVERIFY(!CWindowDriver::Button(&tool, "Rebuild")->isEnabled());
        QVERIFY(!tool.OpenArchive(QString::fromStdString(m_pDriver->Dir().File("none.img"))));
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));
        QCOMPARE(tool.List()->topLevelItemCount(), 0);
        QVERIFY(!CWindowDriver::Button(&tool, "Delete")->isEnabled());

        // Cut a sector and more into the last entry.
        fs::resize_file(m_strArchive, fs::file_size(m_strArchive) - GTA::kImgSector - 100);
        QVERIFY(tool.OpenArchive(QString::fromStdString(m_strArchive)));
        m_pBoxes->Clear();
        const std::string kept = m_pDriver->Dir().File("kept.txd");
        m_pDriver->Dir().Write("kept.txd", "mine");
        tool.List()->setCurrentItem(tool.List()->topLevelItem(2));
        QVERIFY(!tool.ExportCurrentTo(QString::fromStdString(kept)));
        QCOMPARE(m_pDriver->Dir().Read("kept.txd"), std::string("mine"));
        tool.List()->setCurrentItem(tool.List()->topLevelItem(3));
        const std::string cut = m_pDriver->Dir().File("hoop.dff");
        QVERIFY(!tool.ExportCurrentTo(QString::fromStdString(cut)));
        QVERIFY(!fs::exists(cut));
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(2));
        QVERIFY(BoxText(0).contains("already exists"));
        QVERIFY(BoxText(1).contains("of the archive: 1948 of its 4096"));
        QVERIFY(CWindowDriver::Button(&tool, "Delete")->isEnabled());

        // An entry's name is offered as a plain file name, never as a path out of the folder.
        const std::string evil =
            BuildArchive(m_pDriver->Dir(), "evil.img", {{"../../evil.txd", std::string(10, 'x')}});
        QVERIFY(tool.OpenArchive(QString::fromStdString(evil)));
        tool.List()->setCurrentItem(tool.List()->topLevelItem(0));
        QString offered;
        CWindowDriver::OnNextDialog<QFileDialog>([&offered](QFileDialog* dialog) {
            offered = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
            dialog->reject();
        });
        tool.OnExportCurrent();
        QVERIFY(!offered.isEmpty() && !offered.contains('/') && offered.endsWith("evil.txd"));
    }

    // Two files added (one replacing an entry in place), an entry deleted and the archive
    // rebuilt, in both versions; a failed save leaves every byte as it was and says why.
    void editsAreSavedWhole() {
        for (int version : {1, 2}) {
            CScriptedMessageBox boxes;
            const TempDir& dir = m_pDriver->Dir();
            const std::string archive = dir.File("v" + std::to_string(version) + ".img");
            GTA::CIMGEditor editor;
            QVERIFY(editor.Create(archive, version));
            editor.Put("a.txd", std::vector<uint8_t>(3000, 'a'));
            editor.Put("b.dff", std::vector<uint8_t>(10, 'b'));
            QVERIFY(editor.Save());
            dir.Write("B.DFF", std::string(5000, 'B'));
            dir.Write("c.col", "sea");

            auto w = m_pDriver->Window(m_strSample);
            CDlgIMGTool tool(w->Cache(), *w, 0, w.get());
            QVERIFY(tool.OpenArchive(QString::fromStdString(archive)));
            QVERIFY2(tool.AddFiles({QString::fromStdString(dir.File("B.DFF")),
                                    QString::fromStdString(dir.File("c.col"))}),
                     boxes.Boxes().empty() ? "" : boxes.Boxes().back().text.c_str());
            QCOMPARE(tool.StatusLabel()->text(),
                     QString("2 files added to the archive. Replaced in place: B.DFF"));
            QCOMPARE(tool.List()->topLevelItem(1)->text(0), QString("B.DFF"));
            using Content = std::map<std::string, std::string>;
            QCOMPARE(Entries(archive), (Content{{"a.txd", std::string(3000, 'a')},
                                                {"B.DFF", std::string(5000, 'B')},
                                                {"c.col", "sea"}}));

            tool.List()->topLevelItem(0)->setCheckState(0, Qt::Checked);
            boxes.Answer(IDYES);
            QVERIFY(tool.DeleteChosen());
            QCOMPARE(boxes.Boxes().back().text, std::string("Delete 1 entries from the archive?"));
            QVERIFY(tool.Rebuild());
            QCOMPARE(Entries(archive),
                     (Content{{"B.DFF", std::string(5000, 'B')}, {"c.col", "sea"}}));
            QCOMPARE(tool.List()->topLevelItemCount(), 2);

            const std::string before = TempDir::ReadFile(archive);
            tool.List()->setCurrentItem(tool.List()->topLevelItem(1));
            boxes.Clear();
            boxes.Answer(IDYES);
            Faults::Arm(1, Faults::Action::kFail, ENOSPC);
            QVERIFY(!tool.DeleteChosen());
            Faults::Disarm();
            QCOMPARE(TempDir::ReadFile(archive), before);
            QCOMPARE(boxes.Boxes().size(), size_t(2));
            QVERIFY(boxes.Boxes()[1].text.find("The archive was not changed.") == 0);
            QCOMPARE(tool.List()->topLevelItemCount(), 2);
            QVERIFY(CWindowDriver::Button(&tool, "Delete")->isEnabled());
        }
        // The import window edits nothing.
        auto w = m_pDriver->Window(m_strSample);
        CDlgImportIMG import(w->Cache(), *w, 0, w.get());
        QVERIFY(!CWindowDriver::Button(&import, "Add File") &&
                !CWindowDriver::Button(&import, "Rebuild"));
    }

    void commandsOpenTheArchiveWindows() {
        auto w = m_pDriver->Window(m_strSample);
        for (const auto& [command, name] : {std::pair{EditTexts::kToolImportImg, "CDlgImportIMG"},
                                            std::pair{EditTexts::kToolImgTool, "CDlgIMGTool"}}) {
            bool opened = false;
            CWindowDriver::OnNextDialog<CDlgIMGTool>(
                [&opened](CDlgIMGTool* tool) {
                    opened = true;
                    tool->reject();
                },
                name);
            w->OnCommand(command);
            QVERIFY2(opened, name);
        }
        QVERIFY(m_pBoxes->Boxes().empty());
    }
};

static UiTestRegistration<ImgToolsTest> registration("ImgToolsTest");
#include "ImgToolsTest.moc"
