#include "app/Settings.h"

#include "app/Log.h"
#include "app/SettingsKeys.h"
#include "platform/Ini.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace Settings {

namespace {

std::string g_path;
std::mutex g_writeMutex; // one read-compare-write at a time
std::atomic<bool> g_failureReported{false};

// A value that no file holds, to tell an absent key from an empty value.
constexpr const char* kAbsent = "\001absent";

// Called without the write lock: the editor's box runs an event loop, which may write
// settings again.
void ReportFailure(const std::string& path, int error) {
    if (path.empty() || g_failureReported.exchange(true))
        return;
    std::string text = "The settings cannot be saved to " + path;
    if (error)
        text += std::string(" (") + std::strerror(error) + ")";
    text += ". Changed settings will be lost.";
    LogPrintA("ERROR: %s\n", text.c_str());
    AfxMessageBox(text, MB_OK | MB_ICONWARNING);
}

// Writes one key (nullopt deletes it) unless the file already holds that value.
void Write(const std::string& section, const std::string& key,
           const std::optional<std::string>& value) {
    std::string path;
    int error = 0;
    {
        std::lock_guard lock(g_writeMutex);
        const std::string current = GetPrivateProfileString(section, key, kAbsent, g_path);
        if (value ? current == *value : current == kAbsent)
            return;
        errno = 0;
        if (WritePrivateProfileString(section, key, value, g_path))
            return;
        path = g_path;
        error = errno;
    }
    ReportFailure(path, error);
}

} // namespace

void SetPath(const std::string& path) {
    std::lock_guard lock(g_writeMutex);
    if (path != g_path)
        g_failureReported = false;
    g_path = path;
}

const std::string& Path() {
    return g_path;
}

} // namespace Settings

std::string IniReadString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) {
    std::string value = GetPrivateProfileString(section, key, "", Settings::Path());
    if (value.empty())
        return defaultValue;
    return Text::Utf8Truncate(value, 511);
}

int IniReadInt(const std::string& section, const std::string& key, int defaultValue) {
    return GetPrivateProfileInt(section, key, defaultValue, Settings::Path());
}

void IniWriteInt(const std::string& section, const std::string& key, int value) {
    Settings::Write(section, key, std::to_string(value));
}

void IniWriteString(const std::string& section, const std::string& key, const std::string& value) {
    Settings::Write(section, key, value);
}

void IniDeleteKey(const std::string& section, const std::string& key) {
    Settings::Write(section, key, std::nullopt);
}

int IniReadInt(const Settings::IntKey& key) {
    return IniReadInt(key.section, key.key, key.defaultValue);
}

void IniWriteInt(const Settings::IntKey& key, int value) {
    IniWriteInt(key.section, key.key, value);
}

std::string IniReadString(const Settings::StringKey& key) {
    return IniReadString(key.section, key.key, key.defaultValue);
}
