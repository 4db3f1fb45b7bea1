// The dictionary import window on copies of the sample: real PC and PS2 dictionaries
// imported with the replace questions answered, the section tree pane, the preview in the
// main window and its clearing on close, exports, and the Ctrl+T command's file dialog.
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cache/CacheCheck.h"
#include "cache/TextureDatabase.h"
#include "platform/ScriptedMessageBox.h"
#include "ui/UiTests.h"
#include "ui/WindowDriver.h"
#include "ui/controls/DlgRender.h"
#include "ui/main/EditTexts.h"
#include "ui/tools/DlgImportTXD.h"

#include <QLabel>
#include <QTest>
#include <QTreeWidget>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const std::string kPcDictionary = TESSARINE_TESTDATA_DIR "/real/txd/pc/sa_LD_CHAT.txd";
const std::string kPs2Dictionary = TESSARINE_TESTDATA_DIR "/real/txd/ps2/sa_ps2_VEHICLE2.txd";

int Checked(const QTreeWidget* list) {
    int checked = 0;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        checked += list->topLevelItem(i)->checkState(0) == Qt::Checked;
    return checked;
}

bool CacheIsSound(CTextureDatabase& db) {
    return CheckCache(db, true).empty();
}

} // namespace

class ImportTxdTest : public CWindowTest {
    Q_OBJECT

private slots:
    void init() {
        if (!fs::exists(kPcDictionary))
            QSKIP("the real dictionaries are not here");
        Start();
    }

    // Everything new is checked and imported; a second run finds every name known and asks
    // before each replacement: Yes replaces in place of nothing lost, No skips, Cancel adds
    // the new texture beside the old one.
    void pcDictionaryImportsAndAsksBeforeReplacing() {
        auto w = m_pDriver->Window(m_strSample);
        CTextureDatabase& db = *w->Cache();
        const int before = db.TextureCount();
        {
            CDlgImportTXD tool(&db, *w, kPcDictionary, 2, w.get());
            QVERIFY(tool.Load());
            tool.show();
            QCOMPARE(tool.List()->topLevelItemCount(), 6);
            QCOMPARE(Checked(tool.List()), 6);
            QCOMPARE(tool.List()->topLevelItem(0)->text(1), QString("32 x 32"));
            QCOMPARE(tool.List()->topLevelItem(0)->text(2), QString("DXT3"));
            tool.OnImport();
            QCOMPARE(tool.result(), int(QDialog::Accepted));
            QCOMPARE(tool.CountLabel()->text(), QString("6 / 6"));
        }
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));
        QCOMPARE(m_pBoxes->Boxes()[0].text, std::string("All textures imported."));
        QCOMPARE(db.TextureCount(), before + 6);
        const int thumbup = db.FindTexture("thumbup", true);
        QVERIFY(thumbup >= 0);
        QCOMPARE(int(db.Textures()[size_t(thumbup)].cat), 2);
        QVERIFY(db.Textures()[size_t(thumbup)].alphamode != 0);
        QVERIFY(CWindowDriver::Item(*w, "badchat"));

        m_pBoxes->Clear();
        CDlgImportTXD again(&db, *w, kPcDictionary, 2, w.get());
        QVERIFY(again.Load());
        QCOMPARE(Checked(again.List()), 0);
        again.OnCheckAll();
        QCOMPARE(Checked(again.List()), 6);
        again.List()->topLevelItem(5)->setCheckState(0, Qt::Unchecked);
        again.OnCheckAll(); // one unchecked: all get checked
        QCOMPARE(Checked(again.List()), 6);
        again.OnCheckAll(); // all checked: all get cleared
        QCOMPARE(Checked(again.List()), 0);
        for (int i = 0; i < 3; ++i)
            again.List()->topLevelItem(i)->setCheckState(0, Qt::Checked);
        m_pBoxes->Answer(IDYES);    // thumbup: replaced
        m_pBoxes->Answer(IDNO);     // thumbdn: skipped
        m_pBoxes->Answer(IDCANCEL); // goodcha: added beside the old one
        again.OnImport();
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(3));
        QCOMPARE(m_pBoxes->Boxes()[0].text,
                 std::string("Texture 'thumbup' already exists. Would you like to replace it?"));
        QCOMPARE(m_pBoxes->Boxes()[0].type & MB_TYPEMASK, unsigned(MB_YESNOCANCEL));
        // One skipped: the window stays open, the skipped one still checked.
        QVERIFY(again.result() != int(QDialog::Accepted));
        QCOMPARE(Checked(again.List()), 1);
        QCOMPARE(db.TextureCount(), before + 7);
        QCOMPARE(db.FindTexture("thumbup", true), db.TextureCount() - 2);
        QCOMPARE(int(db.Textures()[size_t(db.TextureCount() - 2)].cat), 2);
        QCOMPARE(db.Textures().back().name, std::string("goodcha"));
        QVERIFY(CacheIsSound(db));
    }

    // The tree pane shows and hides; exports; selecting a texture shows it in the main
    // window, and closing the window clears the view; an unreadable file never opens it.
    void streamPaneExportsPreviewAndClose() {
        auto w = m_pDriver->Window(m_strSample);
        auto tool = std::make_unique<CDlgImportTXD>(w->Cache(), *w, kPcDictionary, 0, w.get());
        QVERIFY(tool->Load());
        tool->show();
        QVERIFY(tool->windowTitle().contains("sa_LD_CHAT.txd"));
        QVERIFY(tool->VersionLabel()->text().startsWith("RW Version: 0x"));
        QVERIFY(!tool->StreamTree()->isVisible());
        QVERIFY(tool->StreamTree()->topLevelItem(0)->text(0).startsWith("Texture Dictionary ("));
        const int width = tool->width();
        tool->OnShowStream();
        QVERIFY(tool->StreamTree()->isVisible());
        QTRY_VERIFY(tool->width() >= width + CDlgImportTXD::kStreamPaneWidth - 10);
        fs::create_directories(TESSARINE_SCREENSHOT_DIR);
        QVERIFY(tool->grab().save(TESSARINE_SCREENSHOT_DIR "/import-txd.png"));
        tool->OnShowStream();
        QVERIFY(!tool->StreamTree()->isVisible());

        // Exports of every texture and of one; a file that cannot be written is said so.
        const std::string folder = m_pDriver->Dir().File("out");
        fs::create_directories(folder);
        QCOMPARE(tool->ExportAllTo(QString::fromStdString(folder)), 6);
        QVERIFY(fs::file_size(folder + "/thumbup.png") > 0);
        tool->List()->setCurrentItem(tool->List()->topLevelItem(1));
        const std::string one = m_pDriver->Dir().File("one.bmp");
        QVERIFY(tool->ExportCurrentTo(QString::fromStdString(one)));
        QVERIFY(fs::file_size(one) > 32 * 32 * 3);
        QVERIFY(!tool->ExportCurrentTo(QString::fromStdString(m_pDriver->Dir().File("no/x.png"))));
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));
        m_pBoxes->Clear();

        tool->List()->setCurrentItem(tool->List()->topLevelItem(3));
        QVERIFY(tool->Previewed());
        QVERIFY(w->View()->Image());
        QCOMPARE(w->View()->Image()->Width(), 32u);
        QVERIFY(w->PaneText(0).startsWith("Texture 'dpad_lr' rendered"));
        tool->reject();
        QVERIFY(!w->View()->Image());
        QVERIFY(!tool->Previewed());
        tool.reset();

        const std::string bad = m_pDriver->Dir().File("bad.txd");
        std::ofstream(bad) << "not a dictionary";
        CDlgImportTXD broken(w->Cache(), *w, bad, 0, w.get());
        QVERIFY(!broken.Load());
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));
        QCOMPARE(m_pBoxes->Boxes()[0].caption, std::string("Error"));
    }

    // A texture whose name the index cannot hold, or whose size no cache takes, is named in
    // the report with its reason and never stored;
    // the others are imported and the window stays open.
    void texturesNoCacheTakesAreReportedNotStored() {
        auto w = m_pDriver->Window(m_strSample);
        std::string bytes = TempDir::ReadFile(kPcDictionary);
        const size_t at = bytes.find("thumbup");
        QVERIFY(at != std::string::npos);
        bytes[at + 3] = '"';
        // thumbdn 30 pixels wide: the same blocks, a size no cache takes.
        const size_t down = bytes.find("thumbdn");
        constexpr size_t kWidthAfterName = 72;
        QCOMPARE(int(bytes[down + kWidthAfterName]), 32);
        bytes[down + kWidthAfterName] = 30;
        m_pDriver->Dir().Write("quoted.txd", bytes);
        const int before = w->Cache()->TextureCount();
        CDlgImportTXD tool(w->Cache(), *w, m_pDriver->Dir().File("quoted.txd"), 0, w.get());
        QVERIFY(tool.Load());
        tool.show();
        tool.OnImport();
        QCOMPARE(w->Cache()->TextureCount(), before + 4);
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));
        const std::string& report = m_pBoxes->Boxes()[0].text;
        QVERIFY(report.find("These textures were not imported:\nthu\"bup: The name "
                            "'thu\"bup' cannot be used") == 0);
        QVERIFY(report.find("\nthumbdn: its size 30 x 32 is not a power of two") !=
                std::string::npos);
        QVERIFY(tool.isVisible());
        QCOMPARE(Checked(tool.List()), 2);
    }

    // A PS2 dictionary imports and decodes. A close asked for while a batch runs (here from
    // inside its replace question) is refused with a word why; the batch ends and the window
    // stays usable.
    void ps2DictionaryImportsAndClosingDuringAnImportIsRefused() {
        auto w = m_pDriver->Window(m_strSample);
        CTextureDatabase& db = *w->Cache();
        CDlgImportTXD first(&db, *w, kPs2Dictionary, 0, w.get());
        QVERIFY(first.Load());
        QCOMPARE(first.List()->topLevelItemCount(), 1);
        QCOMPARE(first.List()->topLevelItem(0)->text(0), QString("vehmirref32"));
        first.OnImport();
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));
        QCOMPARE(m_pBoxes->Boxes()[0].text, std::string("All textures imported."));
        const int t = db.FindTexture("vehmirref32", true);
        QVERIFY(t >= 0);
        QCOMPARE(int(db.Textures()[size_t(t)].width), 32);
        auto decoded = w->GetDataHook(t, 0);
        QVERIFY(decoded && decoded->Width() == 32);
        QVERIFY(CacheIsSound(db));

        const int count = db.TextureCount();
        CDlgImportTXD tool(&db, *w, kPs2Dictionary, 0, w.get());
        QVERIFY(tool.Load());
        tool.show();
        tool.OnCheckAll();
        std::vector<std::string> texts;
        const MessageBoxHandler previous =
            SetMessageBoxHandler([&](const std::string& text, const std::string&, unsigned) {
                texts.push_back(text);
                if (text.find("already exists") != std::string::npos) {
                    tool.reject();
                    return int(IDNO);
                }
                return int(IDOK);
            });
        tool.OnImport();
        SetMessageBoxHandler(previous);
        QCOMPARE(texts.size(), size_t(2));
        QCOMPARE(texts[1], std::string("Please wait until operation ended"));
        QVERIFY(tool.isVisible());
        QVERIFY(!tool.Busy());
        QCOMPARE(db.TextureCount(), count);
        tool.reject();
        QVERIFY(!tool.isVisible());
    }

    // Ctrl+T asks for the file where the last one was, remembers it, and selects the last
    // texture of the cache afterwards.
    void commandOpensTheChosenDictionary() {
        auto w = m_pDriver->Window(m_strSample);
        CWindowDriver::ChooseFile(kPs2Dictionary);
        bool seen = false;
        CWindowDriver::OnNextDialog<CDlgImportTXD>([&seen](CDlgImportTXD* tool) {
            seen = tool->List()->topLevelItemCount() == 1;
            tool->OnImport();
        });
        w->OnCommand(EditTexts::kToolImportTxd);
        QVERIFY(seen);
        QVERIFY(fs::equivalent(IniReadString(Settings::kLastTxd.section, Settings::kLastTxd.key),
                               kPs2Dictionary));
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("vehmirref32"));
    }
};

static UiTestRegistration<ImportTxdTest> registration("ImportTxdTest");
#include "ImportTxdTest.moc"
