// tessarine: the editor.
#include "app/TessarineApp.h"
#include "ui/main/CommandLine.h"
#include "ui/main/DlgMain.h"
#include "ui/main/QtMessageBox.h"

#include <QApplication>

namespace {
// The desktop entry's name, by which desktops match the window to its menu item and icon.
constexpr const char* kDesktopFileName = "tessarine";
} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> answered = AnswerInfoOptions(argc, argv))
        return *answered;
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(kDesktopFileName);
    CTessarineApp app;
    app.InitInstance(argc, argv,
                     [&](const std::string& settings, const std::vector<std::string>& args) {
                         InstallQtMessageBoxes();
                         CDlgMain window(settings, args);
                         window.OnInitDialog();
                         window.show();
                         QApplication::exec();
                     });
    return app.ExitInstance();
}
