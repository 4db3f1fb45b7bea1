#pragma once
// The private-profile functions of Windows, for the program's INI settings file.
// Sections and keys compare without regard to ASCII case; an absent key gives the
// caller's default; every write rewrites the file atomically and keeps all other lines
// (comments, unknown sections, blank lines) as they were.
#include <optional>
#include <string>

int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& path);

// The value of key with surrounding blanks removed (and one pair of enclosing quotes),
// or defaultValue when the key or the file is absent.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& path);

// Sets key to value, creating the section and the file as needed. A value of nullopt
// deletes the key. Returns false when the file cannot be written.
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::optional<std::string>& value, const std::string& path);

// Deletes a whole section with its keys.
bool DeletePrivateProfileSection(const std::string& section, const std::string& path);
