#include "ui/main/QtMessageBox.h"

#include "app/Version.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {

int Show(const std::string& text, const std::string& caption, unsigned type) {
    QMessageBox box(QApplication::activeWindow());
    box.setText(QString::fromStdString(text));
    box.setWindowTitle(caption.empty() ? QString(Version::kProductText)
                                       : QString::fromStdString(caption));
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    }
    struct Button {
        QMessageBox::StandardButton qt;
        int id;
    };
    std::vector<Button> buttons;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_ABORTRETRYIGNORE:
        buttons = {{QMessageBox::Abort, IDABORT},
                   {QMessageBox::Retry, IDRETRY},
                   {QMessageBox::Ignore, IDIGNORE}};
        break;
    case MB_YESNOCANCEL:
        buttons = {
            {QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO:
        buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        break;
    case MB_RETRYCANCEL:
        buttons = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    default:
        buttons = {{QMessageBox::Ok, IDOK}};
    }
    QMessageBox::StandardButtons all;
    for (const Button& b : buttons)
        all |= b.qt;
    box.setStandardButtons(all);
    const size_t defaultIndex = (type & MB_DEFMASK) >> 8;
    box.setDefaultButton(buttons[defaultIndex < buttons.size() ? defaultIndex : 0].qt);
    const int pressed = box.exec();
    for (const Button& b : buttons)
        if (pressed == b.qt)
            return b.id;
    // Closed without a button: Cancel where there is one, else the default.
    for (const Button& b : buttons)
        if (b.id == IDCANCEL)
            return IDCANCEL;
    return DefaultMessageBoxAnswer(type);
}

} // namespace

void InstallQtMessageBoxes() {
    SetMessageBoxHandler(Show);
}
