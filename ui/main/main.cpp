// tessarine: the editor.
#include "app/TessarineApp.h"
#include "ui/main/DlgMain.h"
#include "ui/main/QtMessageBox.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
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
