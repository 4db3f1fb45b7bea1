// What a desktop user expects around browsing: File > Recent Caches, the live filter above
// the tree, and a status bar whose panes never overlap.
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "cache/TextureDatabase.h"
#include "ui/UiTests.h"
#include "ui/WindowDriver.h"
#include "ui/controls/TreeCtrlEx.h"
#include "ui/main/DlgMain.h"
#include "ui/main/MenuBar.h"
#include "ui/main/RecentCaches.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <filesystem>

namespace fs = std::filesystem;

class BrowsingAidsTest : public CWindowTest {
    Q_OBJECT

    static int VisibleTextures(CDlgMain& w) {
        int shown = 0;
        for (int i = 0; i < w.Tree()->topLevelItemCount(); ++i) {
            QTreeWidgetItem* category = w.Tree()->topLevelItem(i);
            for (int c = 0; c < category->childCount(); ++c)
                shown += !category->isHidden() && !category->child(c)->isHidden();
        }
        return shown;
    }

private slots:
    void recentCachesAreKeptNewestFirstAndOpenedFromTheMenu() {
        std::vector<std::string> paths;
        for (int i = 0; i < 10; ++i)
            paths.push_back(m_pDriver->CopySample("cache" + std::to_string(i)));
        {
            auto w = m_pDriver->Window();
            QVERIFY(!w->Menus()->Action(CMenuBar::kFirstRecent)); // nothing opened yet
            for (const std::string& path : paths)
                w->OpenCache(path);
            w->OpenCache(paths[3]); // again: it moves up, once
        }
        const std::vector<std::string> recent = RecentCaches::List();
        QCOMPARE(int(recent.size()), int(RecentCaches::kMaxEntries));
        QCOMPARE(recent[0], paths[3]);
        QCOMPARE(recent[1], paths[9]);
        QCOMPARE(int(std::count(recent.begin(), recent.end(), paths[3])), 1);
        QVERIFY(std::find(recent.begin(), recent.end(), paths[0]) == recent.end());

        // The next start offers them; choosing one opens it.
        auto w = m_pDriver->Window();
        QAction* second = w->Menus()->Action(CMenuBar::kFirstRecent + 1);
        QVERIFY(second);
        QVERIFY(second->text().endsWith(QString::fromStdString(paths[9])));
        second->trigger();
        QVERIFY(w->Cache());
        QCOMPARE(w->Cache()->Path(), paths[9]);
        QCOMPARE(RecentCaches::List()[0], paths[9]);

        // A cache gone since is said so and taken off the list, and nothing is opened.
        fs::remove_all(m_pDriver->Dir().File("cache8"));
        const size_t before = m_pBoxes->Boxes().size();
        for (size_t i = 0; i < RecentCaches::List().size(); ++i)
            if (RecentCaches::List()[i] == paths[8]) {
                w->Menus()->Action(CMenuBar::kFirstRecent + int(i))->trigger();
                break;
            }
        QCOMPARE(m_pBoxes->Boxes().size(), before + 1);
        const std::vector<std::string> after = RecentCaches::List();
        QVERIFY(std::find(after.begin(), after.end(), paths[8]) == after.end());
        QCOMPARE(w->Cache()->Path(), paths[9]);
    }

    void theFilterNarrowsTheTreeAndTheStatusPanesNeverOverlap() {
        auto w = m_pDriver->Window(m_strSample);
        const int all = VisibleTextures(*w);
        QVERIFY(all > 64);
        QTest::keyClicks(w->FilterBox(), "RADAR0");
        QCOMPARE(VisibleTextures(*w), 10); // radar00 .. radar09, any case
        int categories = 0;
        for (int i = 0; i < w->Tree()->topLevelItemCount(); ++i)
            categories += !w->Tree()->topLevelItem(i)->isHidden();
        QCOMPARE(categories, 1); // the categories without a match go
        // A reload keeps the filter applied.
        w->UpdateTexturesTree();
        QCOMPARE(VisibleTextures(*w), 10);
        QTest::keyClicks(w->FilterBox(), "no such name");
        QCOMPARE(VisibleTextures(*w), 0);
        w->FilterBox()->clear();
        QCOMPARE(VisibleTextures(*w), all);

        // However narrow the window is made, the status panes never overlap.
        w->resize(200, 500);
        QTest::qWait(10);
        QVERIFY(w->width() > 200);
        const QList<QLabel*> panes = w->statusBar()->findChildren<QLabel*>();
        for (QLabel* a : panes)
            for (QLabel* b : panes)
                if (a != b && a->isVisible() && b->isVisible())
                    QVERIFY2(!a->geometry().intersects(b->geometry()),
                             qPrintable(QString("%1 %2,%3 and %4 %5,%6 in %7")
                                            .arg(a->text())
                                            .arg(a->geometry().left())
                                            .arg(a->geometry().right())
                                            .arg(b->text())
                                            .arg(b->geometry().left())
                                            .arg(b->geometry().right())
                                            .arg(w->width())));
    }
};

static UiTestRegistration<BrowsingAidsTest> registration("BrowsingAidsTest");
#include "BrowsingAidsTest.moc"
