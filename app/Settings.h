#pragma once
// The settings file, read and written key by key. Where it lies is decided at start (see
// ProgramFolders). A write that fails is reported once per file, in the log and in a
// message box, so changed settings are not lost without a word; an empty path keeps no
// settings and reports nothing.
#include <string>

namespace Settings {

// The settings file of this run; set once at start.
void SetPath(const std::string& path);
const std::string& Path();

} // namespace Settings

// A string of at most 511 characters; an absent key or an empty value gives the default.
std::string IniReadString(const std::string& section, const std::string& key,
                          const std::string& defaultValue = std::string());
// An integer key; an absent key gives the default.
int IniReadInt(const std::string& section, const std::string& key, int defaultValue);
// Writes value as decimal text. A value equal to the one in the file writes nothing, so a
// settings file its owner made read-only is only reported when a change is lost.
void IniWriteInt(const std::string& section, const std::string& key, int value);
void IniWriteString(const std::string& section, const std::string& key, const std::string& value);
void IniDeleteKey(const std::string& section, const std::string& key);
