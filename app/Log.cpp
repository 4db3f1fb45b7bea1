#include "app/Log.h"

#include "app/Version.h"
#include "platform/Text.h"

#include <QtGlobal>
#include <atomic>
#include <clocale>
#include <cstdarg>
#include <ctime>
#include <cwchar>
#include <locale.h>
#include <mutex>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace {

struct LogState {
    std::mutex mutex;
    // True while a file or the console can receive messages; without either, messages
    // are not even formatted.
    std::atomic<bool> active{false};
    FILE* file = nullptr;
    bool fileOutput = true;
    bool console = false;
    int counter = 0;
    FILE* consoleStream = stderr;
    int consoleColours = -1; // -1: decide by isatty
};

LogState& State() {
    static LogState* state = new LogState; // never freed: workers may log during exit
    return *state;
}

constexpr size_t kMaxMessage = 511;

// Formatting of wide formats converts narrow %s arguments through the thread's locale;
// UTF-8 is what every string in the program is, whatever locale the user runs in.
locale_t Utf8Locale() {
    static locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

const char* AnsiColour(int colour) {
    switch (colour) {
    case 4:
        return "\033[31m"; // dark red
    case 8:
        return "\033[90m"; // dark grey
    case 10:
        return "\033[92m"; // light green
    case 12:
        return "\033[91m"; // light red
    default:
        return "\033[37m"; // light grey
    }
}

std::string CommandLineText() {
    auto data = std::string();
    if (FILE* f = fopen("/proc/self/cmdline", "rb")) {
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, f)) > 0)
            data.append(buffer, got);
        fclose(f);
    }
    std::string text;
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\0', start);
        if (end == std::string::npos)
            end = data.size();
        std::string arg = data.substr(start, end - start);
        if (!text.empty())
            text += ' ';
        if (arg.find(' ') != std::string::npos)
            text += "\"" + arg + "\"";
        else
            text += arg;
        start = end + 1;
    }
    return text;
}

} // namespace

int LogConsoleColour(const std::string& text) {
    if (text.find("ERROR") != std::string::npos)
        return 12;
    if (text.find(": -- ") != std::string::npos)
        return 10;
    if (text.rfind("--", 0) == 0)
        return 4;
    if (text.find(":  - ") != std::string::npos || text.find(":   - ") != std::string::npos)
        return 8;
    return 7;
}

void LogWrite(const std::string& text) {
    LogState& s = State();
    if (!s.active.load(std::memory_order_relaxed))
        return;
    const time_t now = time(nullptr);
    tm local{};
    const bool haveTime = localtime_r(&now, &local) != nullptr;
    const bool endsLine = !text.empty() && text.back() == '\n';

    std::lock_guard lock(s.mutex);
    if (s.file && s.fileOutput) {
        if (endsLine) {
            char stamp[128] = "";
            if (haveTime)
                strftime(stamp, sizeof stamp, "[%Y-%m-%d %H:%M:%S] ", &local);
            fputs(stamp, s.file);
        }
        fwrite(text.data(), 1, text.size(), s.file);
    }
    if (s.console && s.consoleStream) {
        const bool colours =
            s.consoleColours < 0 ? isatty(fileno(s.consoleStream)) != 0 : s.consoleColours != 0;
        char stamp[32] = "";
        if (haveTime)
            strftime(stamp, sizeof stamp, "[%H:%M:%S] ", &local);
        if (colours)
            fputs(AnsiColour(8), s.consoleStream);
        fputs(stamp, s.consoleStream);
        if (colours)
            fputs(AnsiColour(LogConsoleColour(text)), s.consoleStream);
        fwrite(text.data(), 1, text.size(), s.consoleStream);
        fflush(s.consoleStream);
    }
    // Flushing after every 102nd message keeps the log cheap while a crash loses little.
    if (s.counter > 100) {
        s.counter = 0;
        if (s.file)
            fflush(s.file);
    } else {
        ++s.counter;
    }
}

int LogPrint(const wchar_t* format, ...) {
    if (!State().active.load(std::memory_order_relaxed))
        return 0;
    wchar_t buffer[kMaxMessage + 1];
    const locale_t utf8 = Utf8Locale();
    const locale_t previous = utf8 ? uselocale(utf8) : static_cast<locale_t>(0);
    va_list args;
    va_start(args, format);
    int n = vswprintf(buffer, kMaxMessage + 1, format, args);
    va_end(args);
    std::string text;
    if (n >= 0) {
        text = Text::WideToUtf8(std::wstring_view(buffer, static_cast<size_t>(n)));
    } else {
        // vswprintf fails both on overflow and on a real error; a larger buffer tells
        // which, and overlong text is cut to the message limit.
        std::vector<wchar_t> large(1 << 16);
        va_start(args, format);
        n = vswprintf(large.data(), large.size(), format, args);
        va_end(args);
        if (n >= 0)
            text = Text::WideToUtf8(std::wstring_view(
                large.data(), std::min<size_t>(static_cast<size_t>(n), kMaxMessage)));
        else
            text = "[failed]";
    }
    if (utf8)
        uselocale(previous);
    LogWrite(text);
    return 0;
}

int LogPrintA(const char* format, ...) {
    if (!State().active.load(std::memory_order_relaxed))
        return 0;
    char buffer[kMaxMessage + 1];
    va_list args;
    va_start(args, format);
    const int n = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) {
        LogWrite("[failed]");
        return 0;
    }
    std::string_view text(buffer, std::min<size_t>(static_cast<size_t>(n), kMaxMessage));
    LogWrite(std::string(text.substr(0, Text::Utf8PrefixBytes(text, kMaxMessage))));
    return 0;
}

int LogOpen(const std::string& path) {
    LogState& s = State();
    FILE* file = fopen(path.c_str(), "w");
    if (!file)
        return 0;
    // A buffer of our own size: the file only sees data when the counter flushes it.
    setvbuf(file, nullptr, _IOFBF, 1 << 16);
    {
        std::lock_guard lock(s.mutex);
        if (s.file)
            fclose(s.file);
        s.file = file;
        s.active = true;
    }
    LogPrint(L"Logging started.\n");
    LogPrintA("%s", Version::LogHeaderLine().c_str());
    LogPrint(L"============================================================\n");
    LogPrintA("Command line: %s\n", CommandLineText().c_str());
    LogSystemInfo(true);
    return 1;
}

void LogClose() {
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    if (s.file)
        fclose(s.file);
    s.file = nullptr;
    s.counter = 0;
    s.active = s.console;
}

void LogSystemInfo(bool toFile) {
    LogState& s = State();
    bool saved;
    {
        std::lock_guard lock(s.mutex);
        saved = s.fileOutput;
        s.fileOutput = toFile;
    }
    utsname un{};
    uname(&un);
    int major = 0, minor = 0, build = 0;
    std::sscanf(un.release, "%d.%d.%d", &major, &minor, &build);
    LogPrintA("OS Version: Windows NT %d.%d Build %d %s\n", major, minor, build,
              (std::string(un.sysname) + " " + un.version).c_str());
    LogPrintA("Computer name: %s\n", un.nodename);
#if defined(__clang__)
    const int compilerMajor = __clang_major__, compilerMinor = __clang_minor__,
              compilerPatch = __clang_patchlevel__;
#else
    const int compilerMajor = __GNUC__, compilerMinor = __GNUC_MINOR__,
              compilerPatch = __GNUC_PATCHLEVEL__;
#endif
    // The line formats come from the Windows build: the compiler version stands where it
    // had MSC's, the C library's where it had WINVER and Qt's where it had MFC's.
    LogPrintA("Compiled with MSC v%0.2f (%d) WINVER = 0x%04x\n",
              compilerMajor + compilerMinor / 10.0,
              compilerMajor * 10000 + compilerMinor * 100 + compilerPatch,
              (__GLIBC__ << 8) | __GLIBC_MINOR__);
    LogPrintA("Running using MFC v%02d.%02d\n", QT_VERSION_MAJOR, QT_VERSION_MINOR);
    LogPrint(L"------------------------------------------------------------\n");
    std::lock_guard lock(s.mutex);
    s.fileOutput = saved;
}

void ConsoleOpen() {
    LogState& s = State();
    {
        std::lock_guard lock(s.mutex);
        if (s.consoleStream && isatty(fileno(s.consoleStream))) {
            // The terminal's title, as the console window's was.
            fprintf(s.consoleStream, "\033]0;%s\007", Version::ConsoleTitle().c_str());
            fflush(s.consoleStream);
        }
        s.console = true;
        s.active = true;
    }
    LogPrintA("Console logging started. (%s)\n", Version::kProductText);
}

void ConsoleClose() {
    LogPrintA("Console logging ended. (%s)\n", Version::kProductText);
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    if (s.console && s.consoleStream && isatty(fileno(s.consoleStream))) {
        fputs("\033[0m", s.consoleStream);
        fflush(s.consoleStream);
    }
    s.console = false;
    s.active = s.file != nullptr;
}

bool IsConsoleOpen() {
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    return s.console;
}

void LogSetConsoleStream(FILE* stream, bool colours) {
    LogState& s = State();
    std::lock_guard lock(s.mutex);
    s.consoleStream = stream;
    s.consoleColours = colours ? 1 : 0;
}
