// The main window's interface languages: the language submenu, switching packs, and the
// About box, whose texts come from the language in use.
#include "app/Log.h"
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "platform/MessageBox.h"
#include "ui/controls/DlgRender.h"
#include "ui/main/DlgAbout.h"
#include "ui/main/DlgMain.h"
#include "ui/main/LanguagePack.h"
#include "ui/main/MenuBar.h"
#include "ui/main/Resources.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTranslator>

namespace {

constexpr int kDisplayNameString = 106;
constexpr int kErrorString = 110;
constexpr int kLanguageChangedString = 150;
// The toolkit's translations of its own dialogs: qtbase_<locale>.qm.
constexpr const char* kToolkitCatalog = "qtbase";

} // namespace

std::string CDlgMain::Language() const {
    return m_strLanguage;
}

void CDlgMain::ListLanguages() {
    std::vector<QString> labels;
    for (const std::string& title : ListLanguageFiles(m_strLanguagesFolder)) {
        const std::string name = IniReadString(Settings::kLanguages, title);
        labels.push_back(QString::fromStdString(name.empty() ? title : name));
    }
    m_pMenus->AddLanguages(labels);
}

void CDlgMain::LoadLanguage(const std::string& name) {
    m_pLanguage.reset();
    Res::SetOverrides({});
    QElapsedTimer timer;
    timer.start();
    QString locale;
    if (!name.empty()) {
        m_pLanguage = LoadLanguagePack(m_strLanguagesFolder, name);
        if (!m_pLanguage) {
            MessageBox("Failed to load language " + name, Res::String(kErrorString).toStdString(),
                       MB_OK | MB_ICONERROR);
            IniDeleteKey(Settings::kLanguage.section, Settings::kLanguage.key);
            m_strLanguage.clear();
            SwitchToolkitLanguage(QString());
            // The menus may have been built from the failed pack's predecessor.
            if (m_pToolImport) {
                BuildMenus();
                RetranslateControls();
            }
            return;
        }
        Res::SetOverrides(m_pLanguage->texts);
        locale = m_pLanguage->locale;
        if (IniReadString(Settings::kLanguages, name).empty())
            IniWriteString(Settings::kLanguages, name,
                           Res::String(kDisplayNameString).toStdString());
    }
    m_strLanguage = name;
    SwitchToolkitLanguage(locale);
    if (name.empty())
        IniDeleteKey(Settings::kLanguage.section, Settings::kLanguage.key);
    else
        IniWriteString(Settings::kLanguage.section, Settings::kLanguage.key, name);
    if (m_pToolImport) {
        BuildMenus();
        RetranslateControls();
        SetPane(0, Res::String(kLanguageChangedString));
    }
    if (!Cache()) {
        UnloadCache();
        SetPane(0, Res::Text(Res::Texts::kCacheUnloaded));
    }
    LogPrintA("CDlgMain: Language '%s' loaded within %0.4f seconds\n", name.c_str(),
              timer.nsecsElapsed() / 1e9);
}

void CDlgMain::SwitchToolkitLanguage(const QString& locale) {
    if (m_pQtTranslator) {
        QCoreApplication::removeTranslator(m_pQtTranslator.get());
        m_pQtTranslator.reset();
    }
    // A pack's code names a catalogue file; nothing else may come of it.
    static const QRegularExpression kLocaleCode("^[A-Za-z]{2,3}(_[A-Za-z0-9]{2,4})?$");
    if (locale.isEmpty() || !kLocaleCode.match(locale).hasMatch())
        return;
    auto translator = std::make_unique<QTranslator>();
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QString(kToolkitCatalog) + "_" + locale, folder)) {
        LogPrintA("CDlgMain:  - no toolkit translation '%s_%s' in %s\n", kToolkitCatalog,
                  locale.toUtf8().constData(), folder.toUtf8().constData());
        return;
    }
    QCoreApplication::installTranslator(translator.get());
    m_pQtTranslator = std::move(translator);
}

void CDlgMain::ShowAbout() {
    CDlgAbout about(this);
    about.exec();
}
