// Language packs through the View > Language menu: the Russian pack switches every menu,
// string and dialog (and the toolkit's own dialogs where Qt's translation is installed),
// is kept for the next start and switched back; a damaged pack is refused with a box and
// the built-in texts stay. Screenshots of the Russian interface for review.
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "platform/ScriptedMessageBox.h"
#include "ui/MenuDriver.h"
#include "ui/UiTests.h"
#include "ui/WindowDriver.h"
#include "ui/controls/TreeCtrlEx.h"
#include "ui/main/DlgAbout.h"
#include "ui/main/DlgMain.h"
#include "ui/main/EditTexts.h"
#include "ui/main/LanguagePack.h"
#include "ui/tools/DlgOptimize.h"
#include "ui/tools/DlgSyncIMG.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;
using namespace MenuDriver;

namespace {

const QStringList kEnglishMenus = {"&File",  "&Edit",    "&Textures", "&View",
                                   "&Tools", "&Options", "&Help"};
const QStringList kRussianMenus = {"&Файл",        "&Правка",    "&Текстуры", "&Вид",
                                   "&Инструменты", "&Настройки", "&Справка"};

bool QtHasRussian() {
    return QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_ru.qm");
}

} // namespace

class LanguageTest : public CWindowTest {
    Q_OBJECT

    std::unique_ptr<CDlgMain> Window() {
        return m_pDriver->Window({}, {}, m_pDriver->Dir().File("lang"));
    }
    // A language item of the View menu, whichever language the menus are in.
    static QAction* LanguageItem(CDlgMain& w, const QString& label) {
        QAction* view = w.menuBar()->actions().at(3);
        QAction* languages = view->menu()->actions().at(6);
        return Find(languages->menu(), label);
    }

private slots:
    void init() {
        Start();
        fs::create_directories(m_pDriver->Dir().File("lang"));
        fs::copy_file(TESSARINE_LANG_DIR "/ru.so", m_pDriver->Dir().File("lang/ru.so"));
    }

    void russianPackCarriesEveryText() {
        const auto pack = LoadLanguagePack(TESSARINE_LANG_DIR, "ru");
        QVERIFY(pack);
        for (int id : Res::StringIds())
            QVERIFY2(pack->texts.strings.count(id), qPrintable(QString("string %1").arg(id)));
        for (int id : Res::MenuIds())
            QVERIFY2(pack->texts.menus.count(id), qPrintable(QString("menu %1").arg(id)));
        for (const Res::DialogKey& key : Res::DialogIds())
            QVERIFY2(pack->texts.dialogs.count(key),
                     qPrintable(QString("dialog %1/%2").arg(key.first).arg(key.second)));
        for (const QString& text : Res::WindowTexts())
            QVERIFY2(pack->texts.texts.count(text), qPrintable(text));
        // One wording is one text: a pack cannot give it two translations.
        const std::vector<QString> texts = Res::WindowTexts();
        QCOMPARE(std::set<QString>(texts.begin(), texts.end()).size(), texts.size());
        QCOMPARE(pack->locale, QString("ru"));
        // A translated format is held against the program's own placeholders.
        QCOMPARE(Res::Conversions("Текстура «%s» за %0.2f с, 100%%"), QString("s0.2f"));
        QVERIFY(Res::Conversions("%s %n") != Res::Conversions(Res::BuiltInString(124)));
    }

    void russianThroughTheMenuKeptAndSwitchedBack() {
        auto w = Window();
        QCOMPARE(Titles(*w), kEnglishMenus);
        QVERIFY(LanguageItem(*w, "English (US)"));
        LanguageItem(*w, "ru")->trigger(); // not loaded before: listed by its file title

        QCOMPARE(Titles(*w), kRussianMenus);
        QCOMPARE(QString::fromStdString(IniReadString(Settings::kLanguage)), QString("ru"));
        QCOMPARE(QString::fromStdString(IniReadString(Settings::kLanguages, "ru")),
                 QString("Русский"));
        QVERIFY(LanguageItem(*w, "Русский")); // by its display name from now on
        QVERIFY(Find(TopMenu(*w, "&Настройки"), "&Консоль отладки"));
        QVERIFY(Find(TopMenu(*w, "&Настройки"), "&Модуль сжатия"));
        QVERIFY(Find(TopMenu(*w, "&Текстуры"), "С &альфа-каналом..."));
        const auto buttons = w->findChildren<QToolButton*>();
        QVERIFY(std::any_of(buttons.begin(), buttons.end(),
                            [](QToolButton* b) { return b->text() == "Импорт"; }));
        if (QtHasRussian())
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Отмена"));
        else
            qInfo("qtbase_ru.qm is not installed: the toolkit's dialogs stay in English");

        QString caption, text;
        fs::create_directories(TESSARINE_SCREENSHOT_DIR);
        TriggerModal(Find(TopMenu(*w, "&Справка"), "&Информация"), [&](QWidget* dialog) {
            caption = dialog->windowTitle();
            text = qobject_cast<CDlgAbout*>(dialog)->AboutText();
            dialog->grab().save(TESSARINE_SCREENSHOT_DIR "/russian-about.png");
        });
        QCOMPARE(caption, QString("О программе Tessarine"));
        QVERIFY(text.startsWith("Tessarine 0.6b\nРедактор кэшей текстур"));

        // The next start is in Russian; the strings of the window are too.
        w.reset();
        w = Window();
        QCOMPARE(Titles(*w), kRussianMenus);
        w->OpenCache(m_strSample);
        QVERIFY(w->PaneText(0).startsWith("Кэш загружен за"));
        w->Tree()->SelectItem(w->CategoryItem(1));
        QCOMPARE(w->PaneText(0), QString("Выбрана категория «World»."));
        w->SelectTexture(w->Cache()->FindTexture("sign_welcome", true));
        QVERIFY(w->PaneText(0).startsWith("Текстура «sign_welcome» отрисована за"));
        QCOMPARE(w->MipLevels()->itemText(0), QString("Мип-уровень №00 (256 x 64)"));
        // The tool dialogs show the window's language.
        CDlgSyncIMG sync(w->Cache(), w.get(), w.get());
        QCOMPARE(sync.windowTitle(), QString("Синхронизация с IMG"));
        auto* list = sync.findChild<QTreeWidget*>(QString::number(CDlgSyncIMG::kList));
        QCOMPARE(list->headerItem()->text(CDlgSyncIMG::kInfoColumn), QString("Сведения"));
        CDlgOptimize optimize(*w, w->Cache(), w.get());
        QCOMPARE(optimize.windowTitle(), QString("Оптимизатор кэша"));
        QStringList texts;
        for (int command : {40277, int(EditTexts::kToolImportImg)}) {
            CWindowDriver::OnNextDialog<QDialog>([&texts](QDialog* tool) {
                for (QPushButton* button : tool->findChildren<QPushButton*>())
                    texts << button->text();
                for (QTreeWidget* tree : tool->findChildren<QTreeWidget*>())
                    texts << tree->headerItem()->text(0);
                tool->reject();
            });
            w->OnCommand(command);
        }
        for (const char* russian : {"Показать всю карту", "Импортировать отмеченные", "Файл"})
            QVERIFY2(texts.contains(QString::fromUtf8(russian)), russian);
        w->SelectTexture(w->Cache()->FindTexture("grass", true));
        w->OnCommand(40271); // its aliases: none
        QCOMPARE(BoxText(0), QString("Псевдонимы не найдены."));
        m_pBoxes->Clear();
        QVERIFY(w->grab().save(TESSARINE_SCREENSHOT_DIR "/russian.png"));
        QMenu* options = TopMenu(*w, "&Настройки");
        options->adjustSize(); // drawn without opening it, which would grab the keyboard
        QVERIFY(options->grab().save(TESSARINE_SCREENSHOT_DIR "/russian-options-menu.png"));

        LanguageItem(*w, "English (US)")->trigger();
        QCOMPARE(Titles(*w), kEnglishMenus);
        QCOMPARE(w->PaneText(0), QString("Interface language changed"));
        QVERIFY(IniReadString(Settings::kLanguage).empty());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Cancel"));
        QVERIFY(m_pBoxes->Boxes().empty());
    }

    void damagedPackIsRefusedAndBuiltInTextsStay() {
        // Cut short, as an interrupted copy leaves it: its segments reach past its end.
        const std::string whole = TempDir::ReadFile(TESSARINE_LANG_DIR "/ru.so");
        m_pDriver->Dir().Write("lang/broken.so", whole.substr(0, whole.size() / 2));
        IniWriteString(Settings::kLanguage.section, Settings::kLanguage.key, "ru");
        auto w = Window();
        QCOMPARE(Titles(*w), kRussianMenus);

        LanguageItem(*w, "broken")->trigger();
        QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));
        QCOMPARE(BoxText(0), QString("Failed to load language broken"));
        QCOMPARE(QString::fromStdString(m_pBoxes->Boxes()[0].caption), QString("Error"));
        QCOMPARE(m_pBoxes->Boxes()[0].type, unsigned(MB_OK | MB_ICONERROR));
        QCOMPARE(Titles(*w), kEnglishMenus); // the built-in texts, not the previous pack
        QVERIFY(IniReadString(Settings::kLanguage).empty());
        QVERIFY(IniReadString(Settings::kLanguages, "broken").empty());

        // Named at start, damaged or reaching outside the folder: the same box, once.
        for (const char* name : {"broken", "../lang/ru"}) {
            IniWriteString(Settings::kLanguage.section, Settings::kLanguage.key, name);
            m_pBoxes->Clear();
            w = Window();
            QCOMPARE(m_pBoxes->Boxes().size(), size_t(1));
            QCOMPARE(BoxText(0), QString("Failed to load language ") + name);
            QCOMPARE(Titles(*w), kEnglishMenus);
            QVERIFY(IniReadString(Settings::kLanguage).empty());
        }
    }
};

static UiTestRegistration<LanguageTest> registration("LanguageTest");
#include "LanguageTest.moc"
