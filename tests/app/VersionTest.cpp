#include "app/Version.h"

#include <gtest/gtest.h>

TEST(Version, BuildNumbersFollowTheDayCount) {
    EXPECT_EQ(GetBuildNumber(), 394);
    EXPECT_EQ(GetBuildNumber("Jan  7 2014"), 394);
    // Months are counted from the end of the month they name, so dates across a month
    // boundary do not order.
    EXPECT_EQ(GetBuildNumber("Feb  1 2014"), 416);
    EXPECT_EQ(GetBuildNumber("Jan 31 2014"), 418);
    EXPECT_EQ(GetBuildNumber("Dec 31 2014"), 2014 * 365 + 365 + 31 - 734754);
    EXPECT_EQ(GetBuildNumber("Foo  1 2014"), 0);
    EXPECT_EQ(GetBuildNumber(""), 0);
    EXPECT_EQ(GetBuildNumber(nullptr), 0);
}

TEST(Version, Texts) {
    EXPECT_EQ(Version::LogHeaderLine(), "Tessarine 0.6b NIGHT build #394 (Jan  7 2014 07:51:52)\n");
    EXPECT_EQ(Version::ConsoleTitle(), "Tessarine 0.6b NIGHT #394 Debug Console");
    EXPECT_EQ(Version::MainWindowTitle(), "Tessarine 0.6b NIGHT build #394");
    EXPECT_EQ(Version::MainWindowTitle("gta3.txt"), "gta3.txt - Tessarine 0.6b NIGHT");
    EXPECT_EQ(Version::AboutBuildLine(),
              "Tessarine 0.6b NIGHT x86 build #394 (Jan  7 2014, 07:51:52 MSK)");
}
