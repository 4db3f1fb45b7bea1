#include "platform/MessageBox.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex g_handlerMutex;
MessageBoxHandler g_handler;

const char* kAppCaption = "Tessarine";

} // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard lock(g_handlerMutex);
    std::swap(g_handler, handler);
    return handler;
}

int DefaultMessageBoxAnswer(unsigned type) {
    static const int kButtons[6][3] = {
        {IDOK, IDOK, IDOK},      {IDOK, IDCANCEL, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE},
        {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO, IDNO},        {IDRETRY, IDCANCEL, IDCANCEL},
    };
    const unsigned kind = type & MB_TYPEMASK;
    const unsigned button = (type & MB_DEFMASK) >> 8;
    if (kind > 5 || button > 2)
        return IDOK;
    return kButtons[kind][button];
}

int MessageBox(const std::string& text, const std::string& caption, unsigned type) {
    MessageBoxHandler handler;
    {
        std::lock_guard lock(g_handlerMutex);
        handler = g_handler;
    }
    if (handler)
        return handler(text, caption, type);
    // Nobody installed a handler: say it on stderr and take the default button.
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return DefaultMessageBoxAnswer(type);
}

int AfxMessageBox(const std::string& text, unsigned type) {
    return MessageBox(text, kAppCaption, type);
}
