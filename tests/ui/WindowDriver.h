#pragma once
// What the window tests share: a window on a copy of the bundled sample, scripted message
// boxes, and answers for the dialogs a command opens (they are modal, so the answer is
// queued before the command runs and given once the dialog shows), file dialogs included.
#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "platform/ScriptedMessageBox.h"
#include "support/TempDir.h"
#include "ui/controls/TreeCtrlEx.h"
#include "ui/main/DlgMain.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItem>
#include <filesystem>
#include <functional>
#include <memory>

class CWindowDriver {
public:
    CWindowDriver() {
        m_pDir = std::make_unique<TempDir>();
        Settings::SetPath(m_pDir->File("tessarine.ini"));
        IniWriteInt(Settings::kShowLoadingScreen, 0);
        IniWriteInt(Settings::kFirstRunNoticeShown, 1);
    }

    TempDir& Dir() { return *m_pDir; }

    // A copy of the sample cache in its own folder; the build's own stays untouched.
    std::string CopySample(const std::string& folder) {
        namespace fs = std::filesystem;
        fs::create_directories(m_pDir->File(folder));
        for (const auto& entry : fs::directory_iterator(TESSARINE_SAMPLE_DIR))
            fs::copy_file(entry.path(),
                          m_pDir->File(folder) + "/" + entry.path().filename().string());
        return m_pDir->File(folder) + "/sample.txt";
    }

    // The window, offscreen and active; args as on its command line, language packs from
    // languages.
    std::unique_ptr<CDlgMain> Window(const std::string& cache = std::string(),
                                     std::vector<std::string> args = {},
                                     const std::string& languages = std::string()) {
        auto window = std::make_unique<CDlgMain>(Settings::Path(), std::move(args),
                                                 TESSARINE_PLUGINS_DIR, languages);
        window->OnInitDialog();
        window->resize(1000, 700);
        window->show();
        // Accelerators reach only the active window.
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("the window did not become active");
        if (!cache.empty())
            window->OpenCache(cache);
        return window;
    }

    static QTreeWidgetItem* Item(CDlgMain& w, const QString& name) {
        const auto found = w.Tree()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }

    // Selects the named textures as Ctrl-clicks would.
    static void Select(CDlgMain& w, const QStringList& names) {
        w.Tree()->SelectItem(Item(w, names.first()));
        for (int i = 1; i < names.size(); ++i) {
            QTreeWidgetItem* item = Item(w, names[i]);
            if (item->parent())
                item->parent()->setExpanded(true);
            item->setSelected(true);
        }
    }

    // Runs answer on the next modal dialog of type T once it shows (objectName, when
    // given, must match too).
    template <class T>
    static void OnNextDialog(std::function<void(T*)> answer, const QString& name = QString()) {
        auto* timer = new QTimer;
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [timer, answer, name] {
            auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() ||
                (!name.isEmpty() && dialog->objectName() != name))
                return;
            timer->stop();
            timer->deleteLater();
            answer(dialog);
            // An answer the dialog did not take fails the test instead of hanging it.
            QPointer<QDialog> left(dialog);
            QTimer::singleShot(3000, [left] {
                if (left && left->isVisible()) {
                    qWarning("a dialog did not take its answer");
                    left->reject();
                }
            });
        });
        timer->start();
    }

    // Chooses files of one folder in the next file dialog (named name, when given).
    static void ChooseFiles(const QStringList& files, const QString& name = QString()) {
        QStringList quoted;
        for (const QString& file : files)
            quoted << "\"" + QFileInfo(file).fileName() + "\"";
        Answer(QFileInfo(files.first()).absolutePath(),
               files.size() == 1 ? QFileInfo(files.first()).fileName() : quoted.join(' '), name);
    }
    static void ChooseFile(const std::string& file) { ChooseFiles({QString::fromStdString(file)}); }
    static void ChooseFolder(const std::string& folder) {
        const QString path = QString::fromStdString(folder);
        Answer(path, path, "CFolderDialog");
    }

    static QPushButton* Button(const QWidget* dialog, const QString& text) {
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->text() == text)
                return button;
        return nullptr;
    }

private:
    static void Answer(const QString& folder, const QString& typed, const QString& name) {
        OnNextDialog<QFileDialog>(
            [folder, typed](QFileDialog* dialog) {
                dialog->setDirectory(folder);
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText(typed);
                static_cast<QDialog*>(dialog)->accept();
            },
            name);
    }

    std::unique_ptr<TempDir> m_pDir;
};

// A test class whose every test gets a driver of its own, a copy of the sample, and
// scripted message boxes.
class CWindowTest : public QObject {
    Q_OBJECT
protected:
    std::unique_ptr<CWindowDriver> m_pDriver;
    std::string m_strSample;
    std::unique_ptr<CScriptedMessageBox> m_pBoxes;

    void Start() {
        m_pDriver = std::make_unique<CWindowDriver>();
        m_strSample = m_pDriver->CopySample("sample");
        m_pBoxes = std::make_unique<CScriptedMessageBox>();
    }
    // The text of the box shown i-th.
    QString BoxText(size_t i) const { return QString::fromStdString(m_pBoxes->Boxes().at(i).text); }

private slots: // Qt Test runs only private slots; a class may have its own init instead
    void init() { Start(); }
    void cleanup() {
        m_pBoxes.reset();
        m_pDriver.reset();
    }
};
