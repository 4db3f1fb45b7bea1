#include "app/Version.h"

#include <cstdio>
#include <cstring>

int GetBuildNumber(const char* dateText) {
    static const int kMonthEnds[12] = {31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
    static const char kMonths[] = "Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec";
    if (!dateText)
        return 0;
    char month[4] = {};
    int day = 0, year = 0;
    if (std::sscanf(dateText, "%3s %d %d", month, &day, &year) != 3 || std::strlen(month) != 3)
        return 0;
    const char* found = std::strstr(kMonths, month);
    if (!found)
        return 0;
    const int m = 1 + static_cast<int>(found - kMonths) / 4;
    // The table is indexed by the month number itself, so January already counts 31 days;
    // build numbers have always been computed this way and must stay comparable.
    return year * 365 + kMonthEnds[m - 1] + day - 734754;
}

namespace Version {

namespace {
std::string Format(const char* format, auto... args) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}
} // namespace

std::string LogHeaderLine() {
    return Format("%s build #%d (%s %s)\n", kProductText, GetBuildNumber(), kBuildDate, kBuildTime);
}

std::string ConsoleTitle() {
    return Format("%s #%02d Debug Console", kProductText, GetBuildNumber());
}

std::string MainWindowTitle() {
    return Format("%s build #%02d", kProductText, GetBuildNumber());
}

std::string MainWindowTitle(const std::string& indexFileName) {
    return indexFileName + " - " + kProductText;
}

std::string AboutBuildLine() {
    return Format("%s %s build #%02d (%s, %s MSK)", kProductText, kPlatform, GetBuildNumber(),
                  kBuildDate, kBuildTime);
}

std::string VersionText(const char* program) {
    return std::string(program) + " " + kVersion + "\n" + LogHeaderLine();
}

} // namespace Version
