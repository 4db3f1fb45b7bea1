// The menu bar through its own menus: the Options menu with the codec family menus and
// the console, which items carry check or radio marks, the toggles, a rebuild after a
// plug-in command, and the toolbar that reaches the same commands.
#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "ui/MenuDriver.h"
#include "ui/UiTests.h"
#include "ui/WindowDriver.h"
#include "ui/main/DlgMain.h"

#include <QActionGroup>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <set>

using namespace MenuDriver;

class MenuBarTest : public CWindowTest {
    Q_OBJECT

    // Without language packs.
    std::unique_ptr<CDlgMain> Window() {
        return m_pDriver->Window({}, {}, m_pDriver->Dir().File("lang"));
    }

private slots:
    void optionsMenuHoldsCodecFamiliesAndConsole() {
        auto w = Window();
        QMenu* options = TopMenu(*w, "&Options");
        QVERIFY(options);
        const QList<QAction*> items = options->actions();
        QCOMPARE(items.last()->text(), QString("&Debug Console"));
        QVERIFY(items[items.size() - 2]->isSeparator());
        for (const char* family : {"DXT", "ETC1", "PVRTC", "UNC"}) {
            const auto popup = std::find_if(items.begin(), items.end(), [&](QAction* a) {
                return a->menu() && a->text().startsWith(family);
            });
            QVERIFY2(popup != items.end(), family);
            QVERIFY(Find((*popup)->menu(), "C&ompression Plugin"));
        }
        QMenu* dxt = (*std::find_if(items.begin(), items.end(), [](QAction* a) {
                         return a->text().startsWith("DXT");
                     }))->menu();

        // A plug-in command rebuilds the menus; the toolbar's Import button follows.
        QMenu* quality = Find(dxt, "&Compression Quality")->menu();
        QVERIFY(quality->actions().size() >= 2);
        quality->actions()[1]->trigger();
        QCOMPARE(IniReadInt("DXT", "quality", 0), 1);
        dxt = Find(TopMenu(*w, "&Options"), "&Compression Quality")->menu();
        QVERIFY(dxt->actions()[1]->isChecked() && !dxt->actions()[0]->isChecked());
        const auto buttons = w->findChildren<QToolButton*>();
        const auto import = std::find_if(buttons.begin(), buttons.end(),
                                         [](QToolButton* b) { return b->text() == "Import"; });
        QVERIFY(import != buttons.end());
        QCOMPARE((*import)->menu(), Find(TopMenu(*w, "&Textures"), "&Import")->menu());
        QCOMPARE((*import)->menu()->actions().size(), 3);
        QCOMPARE((*import)->menu()->defaultAction()->data().toInt(), 40202);

        // The console, packing and the import rules switch on and off from the menu.
        Command(*w, 40014)->trigger();
        QVERIFY(IsConsoleOpen() && Command(*w, 40014)->isChecked());
        QCOMPARE(IniReadInt(Settings::kConsole), 1);
        Command(*w, 40014)->trigger();
        QVERIFY(!IsConsoleOpen() && !Command(*w, 40014)->isChecked());
        QCOMPARE(IniReadInt(Settings::kConsole), 0);
        for (int id : {40612, 40619}) {
            QVERIFY(Command(*w, id)->isChecked());
            Command(*w, id)->trigger();
            QVERIFY(!Command(*w, id)->isChecked());
            QCOMPARE(IniReadInt(Settings::kGlobal,
                                id == 40612 ? "pack_texture_data" : "enable_rules", 1),
                     0);
            Command(*w, id)->trigger();
            QVERIFY(Command(*w, id)->isChecked());
        }
        QVERIFY(m_pBoxes->Boxes().empty());
        // The toolbar's Export runs the menu's command: without a cache, it says so.
        for (QAction* action : w->findChild<QToolBar*>()->actions())
            if (action->text() == "Export")
                action->trigger();
        QCOMPARE(BoxText(0), QString("Load the cache first!"));
    }

    void onlyTogglesAndChoicesCarryMarks() {
        auto w = Window();
        const std::set<int> toggles = {40621, 40071, 40046, 40085, 40612, 40619, 40014};
        auto radio = [](int id) {
            return (id >= 40043 && id <= 40045) || (id >= 40050 && id <= 40053) ||
                   (id >= 40604 && id <= 40606);
        };
        // Radio marks for choices, check marks for toggles, nothing for commands.
        int radios = 0, checks = 0, plain = 0;
        QStringList wrong;
        for (QAction* top : w->menuBar()->actions())
            Find(top->menu(), [&](QAction* action) {
                const int id = action->data().toInt();
                const bool grouped = action->actionGroup() && action->actionGroup()->isExclusive();
                const bool choice = radio(id) || (id >= 40408 && id <= 40600);
                if (!action->menu() &&
                    (action->isCheckable() != (choice || toggles.count(id)) || grouped != choice))
                    wrong << action->text();
                if (!action->menu())
                    ++(choice ? radios : toggles.count(id) ? checks : plain);
                return false;
            });
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(", ")));
        QVERIFY(radios > 10 && checks == int(toggles.size()) && plain > 20);
        // One choice of a group at a time, as the window keeps it.
        Command(*w, 40052)->trigger();
        for (int id = 40050; id <= 40053; ++id)
            QCOMPARE(Command(*w, id)->isChecked(), id == 40052);
        QCOMPARE(IniReadInt(Settings::kRenderBackground), 2);
        Command(*w, 40050)->trigger();
        for (int id = 40050; id <= 40053; ++id)
            QCOMPARE(Command(*w, id)->isChecked(), id == 40050);
    }
};

static UiTestRegistration<MenuBarTest> registration("MenuBarTest");
#include "MenuBarTest.moc"
