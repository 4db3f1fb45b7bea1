// The multi-selection tree by simulated mouse and keys.
#include "ui/controls/TreeCtrlEx.h"
#include "ui/UiTests.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

class TreeCtrlExTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<CTreeCtrlEx> m_pTree;
    QTreeWidgetItem* m_pCats[2] = {};

    QTreeWidgetItem* Item(int category, int i) { return m_pCats[category]->child(i); }
    QPoint Centre(QTreeWidgetItem* item) {
        const QRect r = m_pTree->visualItemRect(item);
        return QPoint(r.left() + 12, r.center().y());
    }
    void Click(QTreeWidgetItem* item, Qt::KeyboardModifiers keys = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(m_pTree->viewport(), button, keys, Centre(item));
    }
    QStringList Selected() {
        QStringList names;
        for (QTreeWidgetItem* i = m_pTree->FirstSelected(); i; i = m_pTree->NextSelected(i))
            names << i->text(0);
        return names;
    }

private slots:
    void init() {
        m_pTree = std::make_unique<CTreeCtrlEx>();
        for (int c = 0; c < 2; ++c) {
            m_pCats[c] = new QTreeWidgetItem(QStringList(QString("cat%1").arg(c)));
            m_pTree->addTopLevelItem(m_pCats[c]);
            for (int i = 0; i < 5; ++i)
                m_pCats[c]->addChild(
                    new QTreeWidgetItem(QStringList(QString("t%1%2").arg(c).arg(i))));
            m_pCats[c]->setExpanded(true);
        }
        m_pTree->resize(300, 400);
        m_pTree->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_pTree.get()));
    }
    void cleanup() { m_pTree.reset(); }

    void controlTogglesAndShiftSelectsRanges() {
        QSignalSpy notified(m_pTree.get(), &CTreeCtrlEx::SelectionNotify);
        // Before any click there is no anchor: Shift ranges from the caret.
        m_pTree->setCurrentItem(Item(1, 1), 0, QItemSelectionModel::NoUpdate);
        Click(Item(1, 3), Qt::ShiftModifier);
        QCOMPARE(Selected(), (QStringList{"t11", "t12", "t13"}));
        Click(Item(0, 1));
        QCOMPARE(Selected(), QStringList{"t01"});
        Click(Item(0, 3), Qt::ControlModifier);
        QCOMPARE(Selected(), (QStringList{"t01", "t03"}));
        Click(Item(0, 3), Qt::ControlModifier); // toggled off (on release: it was selected)
        QCOMPARE(Selected(), QStringList{"t01"});
        // Shift ranges from the anchor (t01), downwards across a category and upwards.
        Click(Item(1, 0), Qt::ShiftModifier);
        QCOMPARE(Selected(), (QStringList{"t01", "t02", "t03", "t04", "cat1", "t10"}));
        Click(m_pCats[0], Qt::ShiftModifier);
        QCOMPARE(Selected(), (QStringList{"cat0", "t00", "t01"}));
        QCOMPARE(m_pTree->CountSelected(), 3);
        QVERIFY(notified.count() >= 4);
    }

    void collapseDeselectsWhatItHides() {
        Click(Item(0, 0));
        Click(Item(0, 2), Qt::ControlModifier);
        Click(Item(1, 2), Qt::ControlModifier);
        QCOMPARE(m_pTree->CountSelected(), 3);
        m_pCats[0]->setExpanded(false);
        QCOMPARE(m_pTree->CountSelected(), 1);
        m_pCats[0]->setExpanded(true);
        QCOMPARE(Selected(), QStringList{"t12"});
    }

    void rightClickKeepsAMultiSelection() {
        Click(Item(0, 0));
        Click(Item(0, 1), Qt::ControlModifier);
        Click(Item(0, 1), Qt::NoModifier, Qt::RightButton);
        QCOMPARE(Selected(), (QStringList{"t00", "t01"}));
        Click(Item(1, 4), Qt::NoModifier, Qt::RightButton);
        QCOMPARE(Selected(), QStringList{"t14"});
        QCOMPARE(m_pTree->currentItem(), Item(1, 4));
    }

    void dragKeepsTheSelectionAndAClickReducesIt() {
        QSignalSpy drags(m_pTree.get(), &CTreeCtrlEx::BeginDrag);
        Click(Item(0, 0));
        Click(Item(0, 2), Qt::ControlModifier);
        QTest::mousePress(m_pTree->viewport(), Qt::LeftButton, Qt::NoModifier, Centre(Item(0, 2)));
        QMouseEvent move(QEvent::MouseMove, Centre(Item(0, 2)) + QPoint(0, 30),
                         m_pTree->viewport()->mapToGlobal(Centre(Item(0, 2)) + QPoint(0, 30)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_pTree->viewport(), &move);
        QTest::mouseRelease(m_pTree->viewport(), Qt::LeftButton, Qt::NoModifier,
                            Centre(Item(0, 2)) + QPoint(0, 30));
        QCOMPARE(drags.count(), 1);
        QCOMPARE(drags.at(0).at(0).value<QTreeWidgetItem*>(), Item(0, 2));
        QCOMPARE(Selected(), (QStringList{"t00", "t02"}));
        Click(Item(0, 2)); // press and release without moving
        QCOMPARE(Selected(), QStringList{"t02"});
    }

    void renameStartsAfterTheDoubleClickTimeOnly() {
        m_pTree->SetLabelEditing(true);
        Click(Item(0, 1));
        QVERIFY(!m_pTree->IsEditing());
        Click(Item(0, 1)); // the focused, single item: renaming after a pause
        QVERIFY(!m_pTree->IsEditing());
        QTRY_VERIFY_WITH_TIMEOUT(m_pTree->IsEditing(), QApplication::doubleClickInterval() + 1000);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!m_pTree->IsEditing());
        // A double click on it starts nothing.
        Click(Item(0, 1));
        QTest::mouseDClick(m_pTree->viewport(), Qt::LeftButton, Qt::NoModifier, Centre(Item(0, 1)));
        QTest::qWait(QApplication::doubleClickInterval() + 200);
        QVERIFY(!m_pTree->IsEditing());
    }

    void keysMoveAndExtend() {
        QSignalSpy notified(m_pTree.get(), &CTreeCtrlEx::SelectionNotify);
        Click(Item(0, 1));
        m_pTree->setFocus();
        QTest::keyClick(m_pTree.get(), Qt::Key_Down);
        QCOMPARE(Selected(), QStringList{"t02"});
        QTest::keyClick(m_pTree.get(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(m_pTree.get(), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(Selected(), (QStringList{"t02", "t03", "t04"}));
        QTest::keyClick(m_pTree.get(), Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(Selected(), (QStringList{"t02", "t03"}));
        QTest::keyClick(m_pTree.get(), Qt::Key_Up); // plain move drops the multi-selection
        QCOMPARE(Selected(), QStringList{"t02"});
        QTest::keyClick(m_pTree.get(), Qt::Key_PageDown);
        QCOMPARE(m_pTree->CountSelected(), 1);
        QVERIFY(m_pTree->currentItem() != Item(0, 2));
        QVERIFY(notified.count() >= 6);
    }
};

static UiTestRegistration<TreeCtrlExTest> registration("TreeCtrlExTest");
#include "TreeCtrlExTest.moc"
