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
