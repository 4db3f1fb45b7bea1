#pragma once
// The settings file beside the program, read and written key by key.
#include <string>

namespace Settings {

// Paths beside the executable: its path with the extension replaced by "ini" / "log",
// or ".ini" / ".log" appended when it has none.
std::string SettingsPathFor(const std::string& executablePath);
std::string LogPathFor(const std::string& executablePath);

// The settings file of this run; set once at start.
void SetPath(const std::string& path);
const std::string& Path();

} // namespace Settings

// A string of at most 511 characters; an absent key or an empty value gives the default.
std::string IniReadString(const std::string& section, const std::string& key,
                          const std::string& defaultValue = std::string());
// An integer key; an absent key gives the default.
int IniReadInt(const std::string& section, const std::string& key, int defaultValue);
// Writes value as decimal text.
void IniWriteInt(const std::string& section, const std::string& key, int value);
void IniWriteString(const std::string& section, const std::string& key, const std::string& value);
void IniDeleteKey(const std::string& section, const std::string& key);
