#pragma once
// Message-box dispatch. Core code asks its questions here; whoever runs the program
// installs the handler that shows them: the editor a dialog, the command-line tool a
// terminal prompt, tests a scripted answerer. Types and results keep the Win32 values.
#include <functional>
#include <string>

enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ABORTRETRYIGNORE = 0x2,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_TYPEMASK = 0xF,
    MB_ICONHAND = 0x10,
    MB_ICONERROR = MB_ICONHAND,
    MB_ICONSTOP = MB_ICONHAND,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONWARNING = MB_ICONEXCLAMATION,
    MB_ICONASTERISK = 0x40,
    MB_ICONINFORMATION = MB_ICONASTERISK,
    MB_ICONMASK = 0xF0,
    MB_DEFBUTTON1 = 0x000,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
    MB_DEFMASK = 0xF00,
};

enum : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDABORT = 3,
    IDRETRY = 4,
    IDIGNORE = 5,
    IDYES = 6,
    IDNO = 7,
};

// Caption, text and type of one box; the handler returns one of the ID* results.
using MessageBoxHandler =
    std::function<int(const std::string& text, const std::string& caption, unsigned type)>;

// Installs a handler and returns the previous one (empty when none was installed).
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

int MessageBox(const std::string& text, const std::string& caption, unsigned type);
// The application's box: the program name as caption.
int AfxMessageBox(const std::string& text, unsigned type = MB_OK);

// The answer taken when nobody can be asked: the default button, which the program's
// questions put on their safe choice.
int DefaultMessageBoxAnswer(unsigned type);
