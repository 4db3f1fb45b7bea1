#include "app/Settings.h"

#include "app/SettingsKeys.h"
#include "platform/Files.h"
#include "platform/Ini.h"
#include "platform/Text.h"

namespace Settings {

namespace {
std::string g_path;
}

std::string SettingsPathFor(const std::string& executablePath) {
    return Files::ReplaceExtension(executablePath, "ini");
}

std::string LogPathFor(const std::string& executablePath) {
    return Files::ReplaceExtension(executablePath, "log");
}

void SetPath(const std::string& path) {
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
    WritePrivateProfileString(section, key, std::to_string(value), Settings::Path());
}

void IniWriteString(const std::string& section, const std::string& key, const std::string& value) {
    WritePrivateProfileString(section, key, value, Settings::Path());
}

void IniDeleteKey(const std::string& section, const std::string& key) {
    WritePrivateProfileString(section, key, std::nullopt, Settings::Path());
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
