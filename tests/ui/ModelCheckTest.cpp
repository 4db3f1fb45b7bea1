// The model check window on a real model and dictionary against a copy of the sample:
// names and their state, selection through the main window, renaming by the label saved
// and read back, and the refusals (empty name, dictionary names, unreadable files).
#include "cache/TextureDatabase.h"
#include "ui/UiTests.h"
#include "ui/WindowDriver.h"
#include "ui/controls/DlgRender.h"
#include "ui/main/EditTexts.h"
#include "ui/tools/DlgDFFCheck.h"

#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace fs = std::filesystem;

namespace {

const std::string kModel = TESSARINE_TESTDATA_DIR "/real/dff/sa_fcr900_matfx_env.dff";
const std::string kDictionary = TESSARINE_TESTDATA_DIR "/real/txd/pc/sa_LD_CHAT.txd";

QTreeWidgetItem* Named(QTreeWidget* list, const QString& name) {
    const auto found = list->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

} // namespace

class ModelCheckTest : public CWindowTest {
    Q_OBJECT

private slots:
    void init() {
        if (!fs::exists(kModel))
            QSKIP("the real models are not here");
        Start();
    }

    // A name renamed to one the cache has turns "OK" and selects that texture; the saved
    // model reads back with the new name and without the old one.
    void renameSavedAndReadBack() {
        auto w = m_pDriver->Window(m_strSample);
        const std::string path = m_pDriver->Dir().File("bike.dff");
        fs::copy_file(kModel, path);
        CDlgDFFCheck tool(w->Cache(), *w, path, w.get());
        QVERIFY(tool.Load());
        tool.show();
        QVERIFY(tool.SaveAsButton()->isEnabled() && tool.SaveTextButton()->isEnabled());
        QTreeWidget* list = tool.List();
        QCOMPARE(list->topLevelItemCount(), int(tool.Model().Names().size()));
        QTreeWidgetItem* item = Named(list, "a72b7c5e");
        QVERIFY(item);
        QCOMPARE(item->text(1), QString("Not Found"));

        // The label edit: an empty name is refused and the item keeps its name.
        item->setText(0, "");
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));
        QCOMPARE(m_pBoxes->Boxes()[0].text, std::string("Name should not be empty."));
        QVERIFY(Named(list, "a72b7c5e"));
        Named(list, "a72b7c5e")->setText(0, "sky");
        QVERIFY(!Named(list, "a72b7c5e"));
        QTreeWidgetItem* sky = Named(list, "sky");
        QVERIFY(sky);
        QCOMPARE(sky->text(1), QString("OK"));
        list->clearSelection();
        sky->setSelected(true);
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("sky"));
        QVERIFY(w->View()->Image());
        // Two names selected: the main window's view is cleared.
        Named(list, "chrome")->setSelected(true);
        QVERIFY(!w->View()->Image());
        // An environment map's name is not a texture reference: nothing is renamed.
        m_pBoxes->Clear();
        QVERIFY(!tool.RenameItem(Named(list, "chrome"), "metal"));
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));
        QVERIFY(Named(list, "chrome") && !Named(list, "metal"));

        const std::string saved = m_pDriver->Dir().File("renamed.dff");
        QVERIFY(tool.SaveModelTo(QString::fromStdString(saved)));
        CModelTextures back;
        back.Open(saved);
        const auto& names = back.Names();
        QVERIFY(std::find(names.begin(), names.end(), "sky") != names.end());
        QVERIFY(std::find(names.begin(), names.end(), "a72b7c5e") == names.end());
        QVERIFY(std::find(names.begin(), names.end(), "chrome") != names.end());
        QVERIFY(tool.SaveTextTo(QString::fromStdString(m_pDriver->Dir().File("names.txt"))));
        QVERIFY(m_pDriver->Dir().Read("names.txt").find("sky\n") != std::string::npos);

        // A save that cannot be made says so.
        m_pBoxes->Clear();
        QVERIFY(!tool.SaveModelTo(QString::fromStdString(m_pDriver->Dir().File("no/x.dff"))));
        QVERIFY(!tool.SaveTextTo(QString::fromStdString(m_pDriver->Dir().File("no/x.txt"))));
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(2));
        QCOMPARE(m_pBoxes->Boxes()[1].text, std::string("Unknown error"));
        QVERIFY(m_pBoxes->Boxes()[0].caption == "Error");
    }

    // The command lists the model it asks for. A dictionary's names are listed, not renamed,
    // not saved; a file that is neither is reported and lists nothing.
    void commandDictionaryAndUnreadableFiles() {
        auto w = m_pDriver->Window(m_strSample);
        CWindowDriver::ChooseFile(kModel);
        int listed = 0;
        CWindowDriver::OnNextDialog<CDlgDFFCheck>([&listed](CDlgDFFCheck* checker) {
            listed = checker->List()->topLevelItemCount();
            checker->reject();
        });
        w->OnCommand(EditTexts::kToolCheckModel);
        QVERIFY(listed > 0);
        QVERIFY(m_pBoxes->Boxes().empty());

        CDlgDFFCheck tool(w->Cache(), *w, kDictionary, w.get());
        QVERIFY(tool.Load());
        QCOMPARE(tool.List()->topLevelItemCount(), 6);
        QVERIFY(!tool.SaveAsButton()->isEnabled() && !tool.SaveTextButton()->isEnabled());
        QTreeWidgetItem* item = Named(tool.List(), "thumbup");
        QVERIFY(!(item->flags() & Qt::ItemIsEditable));
        QVERIFY(!tool.RenameItem(item, "other"));
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));
        QVERIFY(Named(tool.List(), "thumbup"));

        m_pBoxes->Clear();
        const std::string bad = m_pDriver->Dir().File("bad.dff");
        m_pDriver->Dir().Write("bad.dff", "this is no model");
        CDlgDFFCheck broken(w->Cache(), *w, bad, w.get());
        QVERIFY(!broken.Load());
        QCOMPARE(broken.List()->topLevelItemCount(), 0);
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));

        // Without a cache every name says so.
        CDlgDFFCheck noCache(nullptr, *w, kModel, w.get());
        QVERIFY(noCache.Load());
        QCOMPARE(noCache.List()->topLevelItem(0)->text(1), QString("Cache not loaded"));
    }
};

static UiTestRegistration<ModelCheckTest> registration("ModelCheckTest");
#include "ModelCheckTest.moc"
