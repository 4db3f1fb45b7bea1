// The IMG synchronizer's window on a copy of the sample and an archive the test builds
// with a good model and a damaged one: what it lists and checks, selection reaching the
// main window, the deletion, and a close while it reads.
#include "cache/CacheCheck.h"
#include "cache/TextureDatabase.h"
#include "support/ArchiveBytes.h"
#include "support/RwBuilder.h"
#include "ui/UiTests.h"
#include "ui/WindowDriver.h"
#include "ui/tools/DlgSyncIMG.h"
#include "ui/tools/MainHooks.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

namespace {

// A model with one material per name.
std::string Model(const std::vector<std::string>& names) {
    RwSection materials = RwNode(0x08, {RwData(0x01, {uint8_t(names.size()), 0, 0, 0})});
    for (const std::string& name : names) {
        std::vector<uint8_t> header(28, 0);
        header[12] = 1;
        materials.children.push_back(
            RwNode(0x07, {RwData(0x01, header),
                          RwNode(0x06, {RwData(0x01, {0, 0, 0, 0}), RwString(name), RwString(""),
                                        RwNode(0x03, {})}),
                          RwNode(0x03, {})}));
    }
    RwSection list = RwNode(
        0x1A, {RwData(0x01, {1, 0, 0, 0}), RwNode(0x0F, {RwData(0x01, {0, 0, 0, 0}), materials})});
    return RwNode(0x10, {RwData(0x01, {1, 0, 0, 0}), RwNode(0x0E, {}), list}).Text();
}

class CHooks : public IMainWindowHooks {
public:
    int ImportHook(TextureImportRequest&, const Bitmap32*) override { return 0; }
    int RenderHook(const std::string*, const Bitmap32*) override { return 0; }
    int SetFocusHook(int texture) override {
        focused.push_back(texture);
        return 0;
    }
    int ReloadListHook() override { return 0; }
    std::unique_ptr<Bitmap32> GetDataHook(int, int) override { return nullptr; }
    std::vector<int> focused;
};

QTreeWidget* List(QDialog* dialog) {
    return dialog->findChild<QTreeWidget*>(QString::number(CDlgSyncIMG::kList));
}
QString Status(QDialog* dialog) {
    return dialog->findChild<QLabel*>(QString::number(CDlgSyncIMG::kStatus))->text();
}
QPushButton* Button(QDialog* dialog, int id) {
    return dialog->findChild<QPushButton*>(QString::number(id));
}
// "name|info|x" (checked) or "name|info|-" for each row.
QStringList Rows(QDialog* dialog) {
    QStringList rows;
    QTreeWidget* list = List(dialog);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        rows << item->text(0) + "|" + item->text(1) + "|" +
                    (item->checkState(0) == Qt::Checked ? "x" : "-");
    }
    return rows;
}

} // namespace

class SyncImgTest : public CWindowTest {
    Q_OBJECT
    QString m_strArchive;

private slots:
    void init() {
        Start();
        // A good model naming grass in another letter case and an alias, and a file that
        // only claims to be a model.
        m_pDriver->Dir().Write(
            "cars.img",
            ArchiveBytes({{"car.DFF", Model({"bricks", "GRASS", "car_paint2", "sign_welcome"})},
                          {"broken.dff", "this is not a model"},
                          {"readme.txt", "nothing"}}));
        m_strArchive = QString::fromStdString(m_pDriver->Dir().File("cars.img"));
    }

    void listsChecksAndDeletesFromTheToolsMenu() {
        auto w = m_pDriver->Window(m_strSample);
        const int count = w->Cache()->TextureCount();
        QString start, done, selected, selectedRow;
        QStringList rows;
        bool deleteEnabledAtStart = true, deleted = false;
        CWindowDriver::OnNextDialog<CDlgSyncIMG>([&](CDlgSyncIMG* dialog) {
            start = Status(dialog);
            deleteEnabledAtStart = Button(dialog, CDlgSyncIMG::kDeleteUnused)->isEnabled();
            CWindowDriver::ChooseFiles({m_strArchive}, "OpenIMGs");
            Button(dialog, CDlgSyncIMG::kOpenImgs)->click();
            rows = Rows(dialog);
            done = Status(dialog);
            std::filesystem::create_directories(TESSARINE_SCREENSHOT_DIR);
            dialog->grab().save(TESSARINE_SCREENSHOT_DIR "/sync-img.png");
            // Selecting a row shows that texture in the main window.
            List(dialog)->setCurrentItem(List(dialog)->topLevelItem(2));
            selected = w->Tree()->currentItem() ? w->Tree()->currentItem()->text(0) : QString();
            selectedRow = List(dialog)->topLevelItem(2)->text(0);
            deleted = dialog->DeleteChecked();
            dialog->accept();
        });
        w->OnCommand(40279);
        QCOMPARE(start, QString("Click 'Open IMGs' to begin."));
        QVERIFY(!deleteEnabledAtStart);
        QVERIFY(rows.contains("sign_early|Alias|x"));
        QVERIFY(rows.contains("bricks||-"));
        QVERIFY(rows.contains("grass|Case|-")); // the model names it GRASS
        QVERIFY(rows.contains("tiles||x"));
        QVERIFY(rows.contains("car_paint||-")); // its alias is used
        QVERIFY(rows.contains("car_paint2|Alias|-"));
        QVERIFY(rows.contains("bricks_old|Alias|x"));
        QCOMPARE(rows.size(), count);
        QVERIFY2(done.endsWith(" MB)") && done.contains(" to delete ("), qPrintable(done));
        QCOMPARE(selected, selectedRow);
        QCOMPARE(selected, QString("grass"));
        QVERIFY(deleted);
        QVERIFY(m_pBoxes->Boxes().empty());
        // What stays: the used ones, the case-only one, the alias's original.
        QCOMPARE(w->Cache()->TextureCount(), 5);
        for (const char* name : {"bricks", "grass", "car_paint", "car_paint2", "sign_welcome"})
            QVERIFY2(w->Cache()->FindTexture(name, true) >= 0, name);
        QVERIFY(CheckCache(*w->Cache()).empty());
        // The tree was rebuilt when the synchronizer closed.
        QVERIFY(!CWindowDriver::Item(*w, "tiles"));
        QVERIFY(CWindowDriver::Item(*w, "grass"));
    }

    void aCloseWhileReadingStopsAndChangesNothing() {
        CTextureDatabase db(m_strSample, 0);
        const int count = db.TextureCount();
        CHooks hooks;
        CDlgSyncIMG dialog(&db, &hooks, nullptr);
        dialog.show();
        // The close arrives while the first entry is read.
        QTimer::singleShot(0, &dialog, [&] { dialog.close(); });
        QVERIFY(!dialog.Synchronize({m_strArchive, m_strArchive}));
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.IsBusy());
        QCOMPARE(List(&dialog)->topLevelItemCount(), 0);
        QCOMPARE(db.TextureCount(), count);

        // Without a close it lists, and the selection goes through the hook.
        dialog.show();
        QVERIFY(dialog.Synchronize({m_strArchive}));
        QCOMPARE(List(&dialog)->topLevelItemCount(), count);
        QVERIFY(Button(&dialog, CDlgSyncIMG::kDeleteUnused)->isEnabled());
        List(&dialog)->setCurrentItem(List(&dialog)->topLevelItem(1));
        QCOMPARE(hooks.focused, std::vector<int>{1});
        QVERIFY(m_pBoxes->Boxes().empty());
    }
};

static UiTestRegistration<SyncImgTest> registration("SyncImgTest");
#include "SyncImgTest.moc"
