// The converter and optimizer dialogs in the real window on copies of the sample: the
// lists, the questions, a conversion on the worker thread that keeps the window
// responsive, a refused close and a cancel that leaves the old target, and the
// optimizer's status texts.
#include "cache/CacheCheck.h"
#include "platform/ScriptedMessageBox.h"
#include "support/CacheFiles.h"
#include "ui/UiTests.h"
#include "ui/WindowDriver.h"
#include "ui/tools/DlgConverter.h"
#include "ui/tools/DlgOptimize.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace fs = std::filesystem;

namespace {

QStringList Items(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QString Status(QDialog* dialog) {
    return dialog->findChild<QLabel*>("status")->text();
}

void Click(QDialog* dialog, const char* button) {
    dialog->findChild<QPushButton*>(button)->click();
}

} // namespace

class WholeCacheToolsTest : public CWindowTest {
    Q_OBJECT
private slots:
    void converterWithOnlyDxtBuildsANewUncCache() {
        const std::string folder = fs::path(m_strSample).parent_path().string();
        for (const char* cache : {"etc", "pvr", "unc"})
            for (const char* kind : {"dat", "toc", "tmb"})
                fs::remove(folder + "/sample." + cache + "." + kind);
        auto w = m_pDriver->Window(m_strSample);
        bool checked = false;
        CWindowDriver::OnNextDialog<CDlgConverter>([&](CDlgConverter* dialog) {
            auto* source = dialog->findChild<QComboBox*>("source");
            auto* target = dialog->findChild<QComboBox*>("target");
            QCOMPARE(Items(source), QStringList({"DXT"}));
            QCOMPARE(Items(target), QStringList({"DXT (rebuild)", "ETC", "PVR", "UNC"}));
            QCOMPARE(target->currentIndex(), 1);
            target->setCurrentIndex(3);
            Click(dialog, "go");
            QVERIFY(dialog->Busy());
            QTRY_VERIFY_WITH_TIMEOUT(!dialog->Busy(), 60000);
            QVERIFY2(Status(dialog).startsWith("Done within "), qPrintable(Status(dialog)));
            QVERIFY(Status(dialog).endsWith(" seconds!"));
            checked = true;
            Click(dialog, "close");
        });
        w->OnCommand(40359);
        QVERIFY(checked);
        QVERIFY(m_pBoxes->Boxes().empty());
        QVERIFY(w->Cache()->IsDatOpen(CacheId::kUnc));
        QCOMPARE(w->Cache()->CountThumbs(CacheId::kUnc), w->Cache()->OrdinaryCount());
        QVERIFY(CheckCache(*w->Cache()).empty());
    }

    void converterRefusesItselfAndACloseWhileBusyAndCancelKeepsTheTarget() {
        auto w = m_pDriver->Window(m_strSample);
        const std::string folder = fs::path(m_strSample).parent_path().string();
        const CacheFiles before = ReadCacheFiles(folder, "sample");
        bool checked = false;
        CWindowDriver::OnNextDialog<CDlgConverter>([&](CDlgConverter* dialog) {
            auto* target = dialog->findChild<QComboBox*>("target");
            target->setCurrentIndex(0);
            Click(dialog, "go");
            QCOMPARE(QString::fromStdString(m_pBoxes->Boxes().back().text),
                     QString("You cant build cache from itself!"));
            QVERIFY(!dialog->Busy());
            // The overwrite question, answered No: nothing starts.
            target->setCurrentIndex(2);
            m_pBoxes->Answer(IDNO);
            Click(dialog, "go");
            QVERIFY(m_pBoxes->Boxes().back().text.starts_with("Target cache already exists!"));
            QVERIFY(!dialog->Busy());
            m_pBoxes->Answer(IDYES);
            Click(dialog, "go");
            QVERIFY(dialog->Busy());
            dialog->reject();
            QCOMPARE(QString::fromStdString(m_pBoxes->Boxes().back().text),
                     QString("Please wait until operation ended"));
            QVERIFY(dialog->isVisible());
            Click(dialog, "cancel");
            QTRY_VERIFY_WITH_TIMEOUT(!dialog->Busy(), 60000);
            QVERIFY(dialog->LastResult().cancelled);
            checked = true;
            Click(dialog, "close");
        });
        w->OnCommand(40359);
        QVERIFY(checked);
        QVERIFY(ReadCacheFiles(folder, "sample") == before);
        QVERIFY(EditLeftovers(folder).empty());
    }

    void optimizerStatusTexts() {
        auto w = m_pDriver->Window(m_strSample);
        const int aliases = w->Cache()->TextureCount() - w->Cache()->OrdinaryCount();
        int duplicates = 0;
        CWindowDriver::OnNextDialog<CDlgOptimize>([&](CDlgOptimize* dialog) {
            QCOMPARE(Status(dialog), QString("Nothing to do."));
            Click(dialog, "optimize");
            QCOMPARE(Status(dialog), QString("Done!"));
            dialog->findChild<QRadioButton*>("rasters")->setChecked(true);
            dialog->findChild<QComboBox*>("algorithm")->setCurrentIndex(3);
            dialog->findChild<QLineEdit*>("threshold")->setText("100000 pixels");
            Click(dialog, "optimize");
            QVERIFY(Status(dialog).endsWith(" duplicates"));
            duplicates = Status(dialog).split(' ').first().toInt();
            Click(dialog, "close");
        });
        w->OnCommand(40601);
        QVERIFY(duplicates > 0);
        QCOMPARE(w->Cache()->TextureCount() - w->Cache()->OrdinaryCount(), aliases + duplicates);
        QVERIFY(CheckCache(*w->Cache()).empty());
        QVERIFY(m_pBoxes->Boxes().empty());
    }
};

static UiTestRegistration<WholeCacheToolsTest> registration("WholeCacheToolsTest");
#include "WholeCacheToolsTest.moc"
