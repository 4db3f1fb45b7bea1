#pragma once
// Version constants of this build and the texts made from them.
#include <string>

namespace Version {

inline constexpr const char* kProductText = "Tessarine 0.6b NIGHT";
inline constexpr const char* kVersion = "0.6b";
// The build date and time in the compiler's __DATE__/__TIME__ format. They are fixed
// rather than taken from the compiler: plug-ins and language packs are admitted against
// the build number derived from this date.
inline constexpr const char* kBuildDate = "Jan  7 2014";
inline constexpr const char* kBuildTime = "07:51:52";
inline constexpr const char* kPlatform = "x86";

} // namespace Version

// Days since the program's epoch for a date in the compiler's format ("Mmm dd yyyy"),
// without leap years; 394 for the build date. A date that cannot be read gives 0.
int GetBuildNumber(const char* dateText = Version::kBuildDate);

namespace Version {

// "Tessarine 0.6b NIGHT build #394 (Jan  7 2014 07:51:52)\n"
std::string LogHeaderLine();
// "Tessarine 0.6b NIGHT #394 Debug Console"
std::string ConsoleTitle();
// "Tessarine 0.6b NIGHT build #394"
std::string MainWindowTitle();
// "NAME.txt - Tessarine 0.6b NIGHT"
std::string MainWindowTitle(const std::string& indexFileName);
// "Tessarine 0.6b NIGHT x86 build #394 (Jan  7 2014, 07:51:52 MSK)"
std::string AboutBuildLine();
// What --version prints: "PROGRAM 0.6b" (the line man pages take the version from), then
// the log header line.
std::string VersionText(const char* program);

} // namespace Version
