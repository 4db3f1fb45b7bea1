// The window's editing commands on copies of the sample, through the menus, keys, the
// tree's editor and the scripted answers: delete, rename, aliases, categories, details and
// flags, search, the context menus, and the tools not built yet.
#include "cache/CacheCheck.h"
#include "cache/TextureDatabase.h"
#include "platform/ScriptedMessageBox.h"
#include "ui/MenuDriver.h"
#include "ui/UiTests.h"
#include "ui/WindowDriver.h"
#include "ui/controls/DlgOneString.h"
#include "ui/controls/DlgRender.h"
#include "ui/main/MenuBar.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace fs = std::filesystem;
using MenuDriver::Find;

namespace {

// Types into the next one-line dialog and presses OK.
void AnswerOneString(const QString& text, QString* label = nullptr) {
    CWindowDriver::OnNextDialog<CDlgOneString>([text, label](CDlgOneString* dialog) {
        if (label)
            *label = dialog->windowTitle() + "|" + dialog->Edit()->text();
        dialog->Edit()->setText(text);
        dialog->accept();
    });
}

// Renames the caret item in place, as F2 and typing would.
void RenameInPlace(CDlgMain& w, int command, const QString& text) {
    w.OnCommand(command);
    auto* editor = w.Tree()->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The editor hands its text over once the key is handled, and then goes.
    QTRY_VERIFY(!w.Tree()->IsEditing());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class EditCommandsTest : public CWindowTest {
    Q_OBJECT
private slots:
    void deleteKeySelectsTheNextTextureAndCategoriesMustBeEmpty() {
        auto w = m_pDriver->Window(m_strSample);
        const int count = w->Cache()->TextureCount();
        // One texture with an alias: the sibling question; the next texture takes over.
        w->SelectTexture(w->Cache()->FindTexture("bricks", true));
        m_pBoxes->Answer(IDYES);
        QTest::keyClick(w->Tree(), Qt::Key_Delete);
        QCOMPARE(BoxText(0),
                 QString("Do you want to delete all selected textures with its siblings?"));
        QCOMPARE(w->Cache()->TextureCount(), count - 2); // bricks_old went with it
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("grass"));
        QVERIFY(!CWindowDriver::Item(*w, "bricks_old"));

        // Three at once, through the core's one batch; No first changes nothing.
        CWindowDriver::Select(*w, {"grass", "sky", "hud_title"});
        m_pBoxes->Answer(IDNO);
        w->OnCommand(40076);
        QCOMPARE(w->Cache()->TextureCount(), count - 2);
        m_pBoxes->Answer(IDYES);
        w->OnCommand(40076);
        QCOMPARE(w->Cache()->TextureCount(), count - 5);
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("hud_radar_ring"));
        QVERIFY(CheckCache(*w->Cache()).empty());

        // The last texture of the list: the one before it is selected.
        m_pBoxes->Clear();
        w->SelectTexture(w->Cache()->TextureCount() - 1);
        const QString before =
            QString::fromStdString(w->Cache()->GetTextureName(w->Cache()->TextureCount() - 2));
        m_pBoxes->Answer(IDYES);
        w->OnCommand(40210);
        QCOMPARE(BoxText(0), QString("Are you sure you want to delete this texture?"));
        QCOMPARE(w->Tree()->currentItem()->text(0), before);

        // A category with items is refused; an empty one goes on Yes.
        m_pBoxes->Clear();
        w->Tree()->SelectItem(w->CategoryItem(3));
        w->OnCommand(40210);
        QCOMPARE(BoxText(0), QString("It's allowed to delete only empty categories."));
        QCOMPARE(w->Cache()->CategoryCount(), 5);
        AnswerOneString("Spare");
        w->OnCommand(40221);
        w->Tree()->SelectItem(w->CategoryItem(5));
        m_pBoxes->Answer(IDYES);
        w->OnCommand(40208);
        QCOMPARE(w->Cache()->CategoryCount(), 5);
        QCOMPARE(w->Tree()->topLevelItemCount(), 5);
    }

    void renameFollowsTheNameAndCaseRules() {
        auto w = m_pDriver->Window(m_strSample);
        const int bricks = w->Cache()->FindTexture("bricks", true);
        w->SelectTexture(bricks);
        RenameInPlace(*w, 40075, "bricks"); // its own name: nothing happens
        QVERIFY(m_pBoxes->Boxes().empty());
        RenameInPlace(*w, 40075, "Bricks"); // its own name in another case
        QCOMPARE(BoxText(0), QString("Texture name must be unique!"));
        RenameInPlace(*w, 40075, "GRASS"); // another texture's, in another case
        QCOMPARE(BoxText(1), QString("Texture name must be unique!"));
        RenameInPlace(*w, 40075, "");
        QCOMPARE(BoxText(2), QString("Texture name cannot be empty!"));
        RenameInPlace(*w, 40075, "say \"cheese\""); // the index cannot hold the quote
        QVERIFY(BoxText(3).contains("double quote"));
        QCOMPARE(w->Cache()->GetTextureName(bricks), std::string("bricks"));
        RenameInPlace(*w, 40075, "stones");
        QCOMPARE(w->Cache()->GetTextureName(bricks), std::string("stones"));
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("stones"));
        QCOMPARE(int(m_pBoxes->Boxes().size()), 4);
        // The alias follows its original's new name.
        w->SelectTexture(w->Cache()->FindTexture("bricks_old", true));
        QCOMPARE(w->PaneText(1), QString("[stones]"));

        // A category: renamed without its prefix; two words are refused.
        w->Tree()->SelectItem(w->CategoryItem(1));
        RenameInPlace(*w, 40207, "Streets");
        QCOMPARE(w->Cache()->GetCategoryName(1), std::string("Streets"));
        QCOMPARE(w->CategoryItem(1)->text(0), QString("[+] Streets"));
        RenameInPlace(*w, 40207, "Two words");
        QCOMPARE(w->Cache()->GetCategoryName(1), std::string("Streets"));
        QCOMPARE(int(m_pBoxes->Boxes().size()), 5);
        CTextureDatabase reread(m_strSample, 0);
        QCOMPARE(reread.GetCategoryName(1), std::string("Streets"));
    }

    void aliasesCategoriesDetailsAndFlags() {
        auto w = m_pDriver->Window(m_strSample);
        // An alias shows under its original's category (the sample's sign_early lines up
        // under Default by its own line).
        QCOMPARE(CWindowDriver::Item(*w, "sign_early")->parent(), w->CategoryItem(1));

        // Create alias of an alias: of its original; go to original.
        w->SelectTexture(w->Cache()->FindTexture("sign_early", true));
        QString shown;
        AnswerOneString("sign_late", &shown);
        w->OnCommand(40204);
        QCOMPARE(shown, QString("sign_welcome|sign_welcome"));
        const int alias = w->Cache()->FindTexture("sign_late", true);
        QCOMPARE(alias, w->Cache()->TextureCount() - 1);
        QCOMPARE(w->Cache()->GetOriginalIndex(alias),
                 w->Cache()->FindTexture("sign_welcome", true));
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("sign_late"));
        AnswerOneString("grass");
        w->OnCommand(40204);
        QCOMPARE(BoxText(0), QString("Texture already exists"));
        w->OnCommand(40261);
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("sign_welcome"));

        // Move two textures to Vehicles; the alias of one follows.
        CWindowDriver::Select(*w, {"bricks", "grass"});
        w->OnCommand(40100 + 3);
        QCOMPARE(w->Cache()->Textures()[w->Cache()->FindTexture("bricks", true)].cat, 3);
        QCOMPARE(w->Cache()->Textures()[w->Cache()->FindTexture("bricks_old", true)].cat, 3);
        QCOMPARE(CWindowDriver::Item(*w, "grass")->parent(), w->CategoryItem(3));

        // New categories: a blank is refused; from the context menu the selection moves.
        AnswerOneString("Two words");
        w->OnCommand(40221);
        QCOMPARE(QString::fromStdString(m_pBoxes->Boxes().back().text),
                 QString("No spaces allowed"));
        QCOMPARE(w->Cache()->CategoryCount(), 5);
        QString initial;
        AnswerOneString("Props", &initial);
        w->OnCommand(40221);
        QCOMPARE(initial, QString("Create new category|Category6"));
        QCOMPARE(w->Cache()->GetCategoryName(5), std::string("Props"));
        QCOMPARE(w->CategoryItem(5)->text(0), QString("[+] Props"));
        CWindowDriver::Select(*w, {"sky"});
        AnswerOneString("Skies");
        w->OnCommand(40095);
        QCOMPARE(w->Cache()->Textures()[w->Cache()->FindTexture("sky", true)].cat, 6);

        // Details and camnorm: one texture toggles, several all get it.
        CWindowDriver::Select(*w, {"tiles", "grass", "hud_title"});
        w->OnCommand(40240 + 2);
        w->OnCommand(40362);
        w->OnCommand(40362); // still set on all three
        CTextureDatabase reread(m_strSample, 0);
        for (const char* name : {"tiles", "grass", "hud_title"}) {
            const TextureRecord& record = reread.Textures()[reread.FindTexture(name, true)];
            QCOMPARE(int(record.hasdetail), 2);
            QCOMPARE(int(record.camnorm), 1);
        }
        CWindowDriver::Select(*w, {"tiles"});
        w->OnCommand(40362);
        w->OnCommand(40368);
        const TextureRecord& tiles = w->Cache()->Textures()[w->Cache()->FindTexture("tiles", true)];
        QCOMPARE(int(tiles.camnorm), 0);
        QCOMPARE(int(tiles.hasbias), 1);
        QVERIFY(CheckCache(*w->Cache()).empty());
    }

    void findWrapsOnlyWhenAsked() {
        auto w = m_pDriver->Window(m_strSample);
        QVERIFY(!w->Menus()->IsEnabled(40227));
        AnswerOneString("HUD");
        w->OnCommand(40091);
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("hud_title"));
        QVERIFY(w->Menus()->IsEnabled(40227));
        w->OnCommand(40227);
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("hud_radar_ring"));
        w->OnCommand(40227);
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("hud_icon_raw"));
        m_pBoxes->Answer(IDNO);
        w->OnCommand(40227); // past the last: asked, and No stays
        QCOMPARE(BoxText(0),
                 QString("No textures found. Do you want to try search from beginning?"));
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("hud_icon_raw"));
        m_pBoxes->Answer(IDYES);
        w->OnCommand(40227);
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("hud_title"));
        // Found nowhere: told once, not asked again and again.
        m_pBoxes->Clear();
        QString offered;
        AnswerOneString("nothing_like_it", &offered);
        w->OnCommand(40091);
        QCOMPARE(offered, QString("Find texture|HUD"));
        QCOMPARE(int(m_pBoxes->Boxes().size()), 2);
        QCOMPARE(BoxText(1), QString("No textures found."));
    }

    void contextMenusGreyCheckAndCount() {
        auto w = m_pDriver->Window(m_strSample);
        const int grass = w->Cache()->FindTexture("grass", true);
        {
            CEditScope edit(*w->Cache());
            w->Cache()->SetCamNorm(grass, 1);
            w->Cache()->SetHasDetail(grass, 1);
            w->Cache()->RebuildTxt();
        }
        w->SelectTexture(grass);
        auto one = w->ContextMenu(w->Tree()->currentItem());
        QCOMPARE(one->objectName(), QString("one texture menu"));
        QVERIFY(Find(one.get(), 40100 + 1)->isChecked());
        QVERIFY(!Find(one.get(), 40100 + 2)->isChecked());
        QVERIFY(Find(one.get(), 40241)->isChecked());
        QCOMPARE(Find(one.get(), 40241)->text(), QString("Asphalt"));
        QVERIFY(Find(one.get(), 40362)->isChecked());
        QVERIFY(!Find(one.get(), 40368)->isChecked());
        QVERIFY(!Find(one.get(), 40261)->isEnabled());

        w->SelectTexture(w->Cache()->FindTexture("bricks_old", true));
        auto alias = w->ContextMenu(w->Tree()->currentItem());
        QVERIFY(Find(alias.get(), 40261)->isEnabled());
        QVERIFY(!Find(alias.get(), 40204)->isEnabled());
        for (QAction* action : alias->actions())
            if (action->menu())
                QVERIFY(!action->isEnabled());

        CWindowDriver::Select(*w, {"grass", "tiles", "sky"});
        auto several = w->ContextMenu(w->Tree()->currentItem());
        QCOMPARE(several->objectName(), QString("several textures"));
        QCOMPARE(Find(several.get(), 40362)->text(), QString("camnorm\t1 / 3"));
        QCOMPARE(Find(several.get(), 40364)->text(), QString("hasdetail\t1 / 3"));
        QVERIFY(!Find(several.get(), 40364)->isEnabled());
        QVERIFY(Find(several.get(), 40368)->isEnabled());

        auto full = w->ContextMenu(w->CategoryItem(1));
        QVERIFY(!Find(full.get(), 40208)->isEnabled());
        QVERIFY(Find(full.get(), 40209)->isEnabled());
        QVERIFY(w->Cache()->AddCategory("Spare"));
        w->UpdateTexturesTree();
        auto empty = w->ContextMenu(w->CategoryItem(5));
        QVERIFY(Find(empty.get(), 40208)->isEnabled());
        QVERIFY(!Find(empty.get(), 40209)->isEnabled());

        fs::create_directories(TESSARINE_SCREENSHOT_DIR);
        for (QMenu* menu : {one.get(), several.get(), full.get()}) {
            menu->adjustSize();
            QVERIFY(menu->grab().save(QString(TESSARINE_SCREENSHOT_DIR "/context-") +
                                      menu->objectName().replace(' ', '-') + ".png"));
        }
        // A right click opens it at the item; choosing an item runs the command.
        QTreeWidgetItem* sky = CWindowDriver::Item(*w, "sky");
        w->Tree()->SelectItem(CWindowDriver::Item(*w, "tiles"));
        QMenu* shown = nullptr;
        QTimer::singleShot(50, [&] {
            shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (shown)
                Find(shown, 40362)->trigger();
            if (shown)
                shown->close();
        });
        const QRect r = w->Tree()->visualItemRect(sky);
        emit w->Tree()->customContextMenuRequested(QPoint(r.left() + 10, r.center().y()));
        QVERIFY(shown);
        QCOMPARE(w->Tree()->currentItem()->text(0), QString("sky"));
        QCOMPARE(int(w->Cache()->Textures()[w->Cache()->FindTexture("sky", true)].camnorm), 1);
    }

    void selectionTheTreeMakesItselfReachesTheWindow() {
        auto w = m_pDriver->Window(m_strSample);
        w->SelectTexture(w->Cache()->FindTexture("bricks", true));
        w->Tree()->setFocus();
        w->Tree()->keyboardSearch("gras"); // type-ahead
        QTRY_COMPARE(w->PaneText(0).left(17), QString("Texture 'grass' r"));
        QTest::keyClick(w->Tree(), Qt::Key_A, Qt::ControlModifier);
        QTRY_VERIFY(w->PaneText(0).endsWith("items selected"));
        QVERIFY(!w->View()->Image());
    }

    void newAddsTheIndexExtension() {
        auto w = m_pDriver->Window();
        CWindowDriver::ChooseFile(m_pDriver->Dir().File("mycache"));
        w->OnCommand(40219);
        QVERIFY(std::filesystem::exists(m_pDriver->Dir().File("mycache.txt")));
        QVERIFY(std::filesystem::exists(m_pDriver->Dir().File("mycache.dxt.dat")));
        QVERIFY(!std::filesystem::exists(m_pDriver->Dir().File("mycache")));
        QCOMPARE(w->windowTitle(), QString("mycache.txt - Tessarine 0.6b NIGHT"));
    }
};

static UiTestRegistration<EditCommandsTest> registration("EditCommandsTest");
#include "EditCommandsTest.moc"
